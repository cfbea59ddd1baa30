// modelcheck's material reports: an .mtl file on its own, and the material library a model names.
#pragma once

#include "MeshTypes.h"

// Prints the materials of an .mtl file in plain words or, with canonical, exactly as
//   result ok                        ("result fail" alone when the program would not read it)
//   count I
//   m K "name" Kd HEX HEX HEX Ks HEX HEX HEX Ka HEX HEX HEX d HEX Ns HEX Ni HEX map_Kd "..."
//     map_Ks "..." map_Ka "..." map_Bump "..." map_Extra1 "..." map_Extra2 "..."   (one line)
// Returns the exit status: 0 when the program would read the file, 1 when not.
int CheckMaterialFile(const char* path, bool canonical);

// Reads the material library a model names (relative to the working directory, as the program
// does) and says, per material, which textures it names and whether each one loads, which groups
// use materials the library lacks, and whether the program's material library would load.
// Prints nothing for a model that names no library. Returns true when the materials would load.
bool ReportModelMaterials(const char* mtllibName, const MeshGroup* groups, int groupCount);
