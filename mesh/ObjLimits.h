// The OBJ reader's limits, each named once. The reader, the arrays its callers provide, the
// mesh object, the position merge, the adjacency builder and every message that quotes a limit
// use these names.
#pragma once

// Positions, texture coordinates and normals ("v", "vt", "vn" lines): each kind is numbered
// from 1 in its own table and may have at most this many entries, so every number fits 16 bits.
constexpr int ObjMaxElements = 65535;

// The plain index list (three 32-bit entries per triangle) has room for this many entries, and
// a load whose list reaches that count fails.
constexpr int ObjMaxIndices = 65535;

// The corner list holds at most the index list's room: a triangle met while this many are stored
// has no room for its three corners and ends the read.
constexpr int ObjMaxStoredTriangles = ObjMaxIndices / 3;  // 21845

// A model that loads therefore keeps its index list below ObjMaxIndices entries.
constexpr int ObjMaxTriangles = (ObjMaxIndices - 1) / 3;  // 21844
constexpr int ObjMaxLoadedIndices = 3 * ObjMaxTriangles;  // 65532

// Every index names one vertex, so there are never more distinct vertices than index entries.
constexpr int ObjMaxVertices = ObjMaxIndices;

// Draw groups: the callers' group arrays have this many entries; the reader fills at most one
// fewer, the unnamed group 0 and one group per "g" line.
constexpr int ObjMaxGroups = 256;
constexpr int ObjMaxGroupCount = ObjMaxGroups - 1;      // 255
constexpr int ObjMaxGroupLines = ObjMaxGroupCount - 1;  // 254

// Group, material and library names: at most 79 characters and the terminator; a longer name
// keeps its first 79.
constexpr int ObjNameRoom = 80;

// Lines are read in pieces of at most ObjLineRoom - 1 characters, the line feed included; a
// longer line is read as several pieces.
constexpr int ObjLineRoom = 1024;
