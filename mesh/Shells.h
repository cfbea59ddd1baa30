// Shells: the model cut into its connected pieces, and which of its triangles the shadow-volume
// pass must extrude.
//
// Every triangle that is not edge-on to the light blocks it, and the volume pass can extrude
// the ones facing the light, the ones facing away, or both. Both is always right, and an open
// sheet needs it. A closed shell does not: a ray from the light enters it through a triangle
// facing the light before it can leave through one facing away, so every point behind a
// triangle facing away is behind one facing the light as well, and the volumes of the
// triangles facing away only add to counts that are already non-zero. A shell wound inside out
// is the mirror case: a ray meets one of its triangles facing away first, so those are enough.
#pragma once

#include <cstdint>

#include "MeshTypes.h"

// Which triangles of a draw group the volume pass extrudes. The values are those the geometry
// shaders read: a triangle makes a volume unless its side of the light (+1 facing, -1 facing
// away) times this value is negative.
enum class VolumeSides : int8_t {
    Both = 0,
    FacingLight = 1,  // every triangle of the group lies in a closed shell wound outwards
    FacingAway = -1,  // every triangle of the group lies in a closed shell wound inside out
};

struct ShellReport {
    int shells = 0;         // pieces joined through shared edges (triangles with two equal corners left out)
    int closedShells = 0;   // of those, the ones whose every edge two triangles share, wound oppositely
    int insideOut = 0;      // of the closed ones, those wound inwards
    int openEdges = 0;      // edges (pairs of end positions) of one triangle only
    int crowdedEdges = 0;   // edges shared by three or more triangles
    int unpairedEdges = 0;  // edges of two triangles that run them the same way
    int reducedGroups = 0;  // groups with triangles that need volumes from one side only
    int reducedTriangles = 0;
    // Triangles of closed shells that still make volumes from both sides, because their shell
    // shares a group (directly or through other shells) with something that is not closed.
    int closedButBoth = 0;
};

// Decides, for each of the groupCount groups, which triangles the volume pass extrudes
// (groupSides[g]), and counts what decided it into report. A shell spread over several groups
// gets one decision in all of them, since the adjacency method walls a volume only between
// triangles that take different sides of the light: a shell extruded from one side in one group
// and from both in another would leave volumes open along the border. indexCount must be a
// multiple of 3 and the groups' ranges must lie in the index list. False (groupSides all Both)
// only when a work array cannot be allocated.
bool AnalyzeShells(const MeshVertex* vertices, const uint32_t* indices, int indexCount, const MeshGroup* groups,
                   int groupCount, VolumeSides* groupSides, ShellReport* report);
