// A literal transcription of the MTL reading rules over an in-memory file: split into the pieces
// that a 1024-byte line read gives, try the patterns in their order with sscanf, and read whole
// words before keeping their first 79 characters. Tests and the fuzz target compare ReadMtl
// against it.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "MtlReader.h"

namespace mtl_oracle {

// Copies the first 79 characters of a word into an 80-byte field.
inline void KeepWord(char* field, const char* word)
{
    const size_t n = strnlen(word, 79);
    std::memcpy(field, word, n);
    field[n] = '\0';
}

inline bool ReadWord(const std::string& line, const char* pattern, char* field)
{
    static char word[1024];
    if (std::sscanf(line.c_str(), pattern, word) < 1) return false;
    KeepWord(field, word);
    return true;
}

// Returns ReadMtl's result; table has room for 256 records. On false, count is left alone.
inline bool ReadMtl(const std::string& bytes, Material* table, int& count)
{
    int index = -1;
    size_t pos = 0;
    while (pos < bytes.size()) {
        // One line read: at most 1023 characters, up to and including the line feed.
        size_t end = pos;
        while (end < bytes.size() && end - pos < 1023)
            if (bytes[end++] == '\n') break;
        const std::string line = bytes.substr(pos, end - pos);
        pos = end;

        char name[80];
        if (ReadWord(line, "newmtl %s", name)) {
            if (index + 1 == 256) return false;
            Material& m = table[++index];
            std::strcpy(m.name, name);
            for (int c = 0; c < 3; ++c) m.Kd[c] = m.Ks[c] = m.Ka[c] = 1.0f;
            m.d = 1.0f;
            m.Ns = 0.0f;
            m.Ni = 1.0f;
            m.map_Kd[0] = m.map_Ks[0] = m.map_Ka[0] = m.map_Bump[0] = m.map_Extra1[0] = m.map_Extra2[0] = '\0';
            continue;
        }
        if (index < 0) continue;
        Material& m = table[index];
        const char* s = line.c_str();
        if (std::sscanf(s, "Kd %f %f %f", &m.Kd[0], &m.Kd[1], &m.Kd[2]) >= 1) continue;
        if (std::sscanf(s, "Ks %f %f %f", &m.Ks[0], &m.Ks[1], &m.Ks[2]) >= 1) continue;
        if (std::sscanf(s, "Ka %f %f %f", &m.Ka[0], &m.Ka[1], &m.Ka[2]) >= 1) continue;
        if (std::sscanf(s, "d %f", &m.d) >= 1) continue;
        if (std::sscanf(s, "Ns %f", &m.Ns) >= 1) continue;
        if (std::sscanf(s, "Ni %f", &m.Ni) >= 1) continue;
        if (ReadWord(line, "map_Kd %s", m.map_Kd)) continue;
        if (ReadWord(line, "map_Bump %s", m.map_Bump)) continue;
        if (ReadWord(line, "map_Ks %s", m.map_Ks)) continue;
        if (ReadWord(line, "map_Ka %s", m.map_Ka)) continue;
    }
    count = index + 1;
    return true;
}

// Field-by-field equality of two records (floats compared bit for bit, so NaN equals itself).
inline bool SameMaterial(const Material& a, const Material& b)
{
    auto sameText = [](const char* x, const char* y) { return std::strcmp(x, y) == 0; };
    return sameText(a.name, b.name) && std::memcmp(a.Kd, b.Kd, sizeof a.Kd) == 0 &&
           std::memcmp(a.Ks, b.Ks, sizeof a.Ks) == 0 && std::memcmp(a.Ka, b.Ka, sizeof a.Ka) == 0 &&
           std::memcmp(&a.d, &b.d, sizeof a.d) == 0 && std::memcmp(&a.Ns, &b.Ns, sizeof a.Ns) == 0 &&
           std::memcmp(&a.Ni, &b.Ni, sizeof a.Ni) == 0 && sameText(a.map_Kd, b.map_Kd) &&
           sameText(a.map_Ks, b.map_Ks) && sameText(a.map_Ka, b.map_Ka) && sameText(a.map_Bump, b.map_Bump) &&
           sameText(a.map_Extra1, b.map_Extra1) && sameText(a.map_Extra2, b.map_Extra2);
}

// Runs ReadMtl on the bytes through a memory stream.
inline bool ReadMtlFromBytes(const std::string& bytes, Material* table, int& count)
{
    FILE* f = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    if (f == nullptr) return false;
    const bool ok = ::ReadMtl(f, table, count);
    std::fclose(f);
    return ok;
}

}  // namespace mtl_oracle
