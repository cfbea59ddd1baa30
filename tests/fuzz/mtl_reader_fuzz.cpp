// libFuzzer target for ReadMtl: any bytes as a material library. Checks the result's bounds and
// that the reader agrees with the sscanf transcription of the reading rules.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "MtlOracle.h"
#include "MtlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Material actual[MaxMaterials], expected[MaxMaterials];
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    int actualCount = -1, expectedCount = -1;
    const bool ok = mtl_oracle::ReadMtlFromBytes(bytes, actual, actualCount);
    const bool expectedOk = mtl_oracle::ReadMtl(bytes, expected, expectedCount);

    if (actualCount < 0 || actualCount > MaxMaterials || ok != expectedOk || (ok && actualCount != expectedCount))
        std::abort();
    for (int i = 0; i < actualCount; ++i) {
        const Material& m = actual[i];
        for (const char* text : {m.name, m.map_Kd, m.map_Ks, m.map_Ka, m.map_Bump, m.map_Extra1, m.map_Extra2})
            if (strnlen(text, MaterialNameRoom) >= static_cast<size_t>(MaterialNameRoom)) std::abort();
        if (!mtl_oracle::SameMaterial(m, expected[i])) std::abort();
    }
    return 0;
}
