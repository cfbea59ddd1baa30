// The program's one mesh and one material library, living for the whole run. The mesh is
// constructed first, so at exit the material library releases itself before the mesh does.
#pragma once

#include "MaterialLibrary.h"
#include "ObjMesh.h"

extern ObjMesh Mesh;
extern MaterialLibrary Materials;
