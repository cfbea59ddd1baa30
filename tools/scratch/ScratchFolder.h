// A scratch folder laid out as the program expects its data, for tests and tools that run the
// program's code on data of their own.
#pragma once

#include <filesystem>
#include <string>

// A new folder <tmp>/<prefix>XXXXXX holding misc/ beside work/, so that "..\misc\..." seen from
// work/ names misc/. With `depth`, the two lie that many folders "s" further down, so that names
// climbing that far above work/ ("..\..\x") still stay inside. Everything in it is removed when
// this goes, and the working directory that EnterWork replaced comes back.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& prefix, int depth = 0);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // False when the folder or its misc/ and work/ could not be made.
    bool ok() const { return ok_; }
    const std::filesystem::path& Root() const { return root_; }
    const std::filesystem::path& Misc() const { return misc_; }
    const std::filesystem::path& Work() const { return work_; }

    // Makes work/ the working directory.
    bool EnterWork();
    // Makes misc/ itself a link to `target` (a whole data folder), replacing what misc/ was.
    bool LinkMisc(const std::filesystem::path& target);

  private:
    std::filesystem::path root_, misc_, work_, previous_;
    bool ok_ = false;
};
