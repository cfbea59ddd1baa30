// Fuzz target for the texture loader's decoding half: any bytes either decode into a consistent
// mip chain or are refused with a reason, without crashing or reading out of bounds. It runs
// with the loader's own side limit, so a header can claim the largest picture the loader takes;
// tests/fuzz/campaign caps each allocation, so that a small input which makes the loader
// allocate far more than its bytes could hold is a finding too.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ImageDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr uint32_t MaxSide = platform::MaxImageSide;
    std::vector<platform::ImageLevel> levels;
    const platform::ImageResult result = platform::DecodeImageRgba8WithMips(data, size, MaxSide, &levels);
    if (result != platform::ImageResult::Ok) {
        if (!levels.empty()) std::abort();
        return 0;
    }
    if (levels.empty() || levels[0].width > MaxSide || levels[0].height > MaxSide) std::abort();
    for (size_t i = 0; i < levels.size(); ++i) {
        const platform::ImageLevel& l = levels[i];
        if (l.width == 0 || l.height == 0 || l.rgba.size() != size_t(l.width) * l.height * 4) std::abort();
        if (i > 0 &&
            (l.width != std::max(1u, levels[i - 1].width / 2) || l.height != std::max(1u, levels[i - 1].height / 2)))
            std::abort();
    }
    if (levels.back().width != 1 || levels.back().height != 1) std::abort();
    return 0;
}
