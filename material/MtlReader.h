// ReadMtl: reads a Wavefront MTL material library (newmtl, Kd, Ks, Ka, d, Ns, Ni, map_Kd,
// map_Ks, map_Ka, map_Bump) into a fixed table of Material records.
#pragma once

#include <stdio.h>

constexpr int MaxMaterials = 256;     // records in a material table
constexpr int MaterialNameRoom = 80;  // names and file names: 79 characters and the terminator

// One material as read from the library. Text fields are zero-terminated bytes, unconverted.
struct Material {
    char name[MaterialNameRoom];
    float Kd[3];  // diffuse red, green, blue
    float Ks[3];  // specular
    float Ka[3];  // ambient
    float d;      // dissolve
    float Ns;     // specular exponent
    float Ni;     // optical density
    // The six texture names, in the order the material library visits them. No keyword fills
    // map_Extra1 or map_Extra2; they are cleared when a material begins and stay empty.
    char map_Kd[MaterialNameRoom];
    char map_Ks[MaterialNameRoom];
    char map_Ka[MaterialNameRoom];
    char map_Bump[MaterialNameRoom];
    char map_Extra1[MaterialNameRoom];
    char map_Extra2[MaterialNameRoom];
};

// Reads the stream from its current position to its end (it is not closed) into
// materials[0 .. count-1]; materials has room for MaxMaterials records.
// Returns true when the end of the stream (or a read error) was reached, with count set to the
// number of materials read. Returns false, with count = MaxMaterials, at a 257th "newmtl" line;
// nothing after that line is read. A null stream or table gives false and count 0.
bool ReadMtl(FILE* file, Material* materials, int& count);
