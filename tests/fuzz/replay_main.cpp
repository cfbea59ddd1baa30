// Runs LLVMFuzzerTestOneInput once per corpus file, so CTest can replay fuzz corpora in
// builds made without libFuzzer (GCC, sanitizer builds).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

int main(int argc, char** argv)
{
    int files = 0, failures = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            std::vector<std::filesystem::path> entries;
            for (const auto& e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file()) entries.push_back(e.path());
            std::sort(entries.begin(), entries.end());
            for (const auto& e : entries) {
                failures += RunFile(e);
                ++files;
            }
        } else {
            failures += RunFile(p);
            ++files;
        }
    }
    std::printf("replayed %d inputs\n", files);
    if (files == 0) {
        std::fprintf(stderr, "replay: no inputs found\n");
        return 1;
    }
    return failures ? 1 : 0;
}
