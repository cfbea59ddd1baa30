// Definitions of the program-lifetime mesh and material library, in construction order.
#include "ModelObjects.h"

ObjMesh Mesh;
MaterialLibrary Materials;
