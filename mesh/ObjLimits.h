// The OBJ reader's limits, each named once. The reader, the arrays its callers provide, the
// mesh object, the position merge, the adjacency builder and every message that quotes a limit
// use these names.
#pragma once

// Positions, texture coordinates and normals ("v", "vt", "vn" lines): each kind is numbered
// from 1 in its own table and may have at most this many entries, so every number fits 16 bits.
constexpr int kObjMaxElements = 65535;

// The plain index list (three 32-bit entries per triangle) has room for this many entries, and
// a load whose list reaches that count fails.
constexpr int kObjMaxIndices = 65535;

// The corner list holds at most the index list's room: a triangle met while this many are stored
// has no room for its three corners and ends the read.
constexpr int kObjMaxStoredTriangles = kObjMaxIndices / 3;  // 21845

// A model that loads therefore keeps its index list below kObjMaxIndices entries.
constexpr int kObjMaxTriangles = (kObjMaxIndices - 1) / 3;  // 21844
constexpr int kObjMaxLoadedIndices = 3 * kObjMaxTriangles;  // 65532

// Every index names one vertex, so there are never more distinct vertices than index entries.
constexpr int kObjMaxVertices = kObjMaxIndices;

// Draw groups: the callers' group arrays have this many entries; the reader fills at most one
// fewer, the unnamed group 0 and one group per "g" line.
constexpr int kObjMaxGroups = 256;
constexpr int kObjMaxGroupCount = kObjMaxGroups - 1;      // 255
constexpr int kObjMaxGroupLines = kObjMaxGroupCount - 1;  // 254

// Group, material and library names: at most 79 characters and the terminator; a longer name
// keeps its first 79.
constexpr int kObjNameRoom = 80;

// Lines are read in pieces of at most kObjLineRoom - 1 characters, the line feed included; a
// longer line is read as several pieces.
constexpr int kObjLineRoom = 1024;
