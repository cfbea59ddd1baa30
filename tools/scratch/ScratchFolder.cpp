// Scratch folders for tests and tools: made with mkdtemp, removed with everything in them.
#include "ScratchFolder.h"

#include <stdlib.h>

#include <vector>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::string& prefix, int depth)
{
    std::error_code error;
    const std::string pattern = (fs::temp_directory_path(error) / (prefix + "XXXXXX")).string();
    if (error) return;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) return;
    root_ = name.data();
    fs::path base = root_;
    for (int k = 0; k < depth; ++k) base /= "s";
    misc_ = base / "misc";
    work_ = base / "work";
    fs::create_directories(misc_, error);
    if (!error) fs::create_directories(work_, error);
    ok_ = !error;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    if (!previous_.empty()) fs::current_path(previous_, error);
    if (!root_.empty()) fs::remove_all(root_, error);
}

bool ScratchFolder::EnterWork()
{
    if (!ok_) return false;
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (error) return false;
    fs::current_path(work_, error);
    if (error) return false;
    if (previous_.empty()) previous_ = current;
    return true;
}

bool ScratchFolder::LinkMisc(const fs::path& target)
{
    if (!ok_) return false;
    std::error_code error;
    fs::remove(misc_, error);  // the empty folder, or an earlier link
    if (error) return false;
    fs::create_directory_symlink(target, misc_, error);
    return !error;
}
