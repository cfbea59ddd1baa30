// ReadObj: reads a Wavefront OBJ model (v, vt, vn, g, usemtl, mtllib, f) into distinct
// vertices, a triangle index list, draw groups and the material-library name.
#pragma once

#include <stdio.h>

#include <cstdint>

#include "MeshTypes.h"
#include "ObjLimits.h"  // the room the caller provides, and the reader's limits

// Why a read stopped, for tools that explain a failed load to a user.
enum class ObjReadFailure {
    None,
    TooManyPositions,  // a "v" line beyond ObjMaxElements
    TooManyTexcoords,  // a "vt" line beyond ObjMaxElements
    TooManyNormals,    // a "vn" line beyond ObjMaxElements
    TooManyGroups,     // a "g" line beyond ObjMaxGroupLines
    TooFewCorners,     // a face line with fewer than three corners
    TooManyTriangles,  // a triangle met while ObjMaxStoredTriangles are stored
    TooManyIndices,    // the index list reaching ObjMaxIndices entries
};

struct ObjReadStatus {
    ObjReadFailure failure;
    int line;  // 1-based line of the file where the read stopped; 0 when no line is to blame
};

// Reads the stream from its current position to its end (it is not closed) into:
//   vertices[ObjMaxVertices], vertexCount   the distinct vertices in order of first use;
//   indices[ObjMaxIndices], indexCount      three 0-based vertex numbers per triangle;
//   groups[ObjMaxGroups], groupCount        draw groups in file order, group 0 unnamed;
//   mtllibName[ObjNameRoom]                 the last "mtllib" name, or empty.
// Returns true when the whole stream was read within every limit; false at the first
// failure, leaving the outputs partly written. A null stream fails. When status is given,
// it receives the reason and line. Not reentrant: the reader's working tables are shared.
bool ReadObj(FILE* file, MeshVertex* vertices, int& vertexCount, uint32_t* indices, int& indexCount, MeshGroup* groups,
             int& groupCount, char* mtllibName, ObjReadStatus* status = nullptr);

// Returns the reader's working tables to their all-zero state at program start. Components
// that a "v", "vt" or "vn" line leaves out keep what an earlier read left in the table, so
// tests and tools that compare reads start from here.
void ResetObjReaderTables();

// A short English description of a failure, e.g. "more than 65535 positions (v lines)".
const char* DescribeObjReadFailure(ObjReadFailure failure);
