// The program's data files, relative to the working directory: the program runs from a folder
// beside misc/ and names every file there as a Windows path.
#pragma once

#define QV_DATA_FOLDER "..\\misc\\"
#define QV_SHADER_SOURCE QV_DATA_FOLDER "Quenvale.sh"

// L"..." from a narrow literal (or adjacent literals), so both forms of a path share one spelling.
#define QV_WIDE_TEXT(text) QV_WIDE_TEXT_(text)
#define QV_WIDE_TEXT_(text) L##text

// The model, read by ObjMesh::Load.
inline constexpr char ModelFile[] = QV_DATA_FOLDER "kuma.obj";
// The texture of every lookup that finds none, loaded with every material library.
inline constexpr char DefaultTextureFile[] = QV_DATA_FOLDER "default.bmp";
// The HLSL source with the seven entry points: the compiler takes the wide name, and the
// start-up failure line quotes the narrow one.
inline constexpr wchar_t ShaderSourceFile[] = QV_WIDE_TEXT(QV_SHADER_SOURCE);
inline constexpr char ShaderSourceName[] = QV_SHADER_SOURCE;
