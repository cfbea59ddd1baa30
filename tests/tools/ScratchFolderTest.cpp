// The scratch folder that tests and modelcheck run the program's code in: laid out as the
// program expects, and gone afterwards without touching the data its misc/ linked to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScratchFolder.h"

namespace fs = std::filesystem;

TEST(ScratchFolder, RemovesItselfAndRestoresTheWorkingDirectoryButNotWhatMiscLinksTo)
{
    const fs::path before = fs::current_path();
    ScratchFolder data("qv_scratch_data_");
    ASSERT_TRUE(data.ok());
    std::ofstream(data.Root() / "kuma.obj") << "v 0 0 0\n";
    fs::path root;
    {
        ScratchFolder folder("qv_scratch_test_", 2);
        ASSERT_TRUE(folder.ok());
        root = folder.Root();
        EXPECT_EQ(folder.Work().parent_path(), folder.Misc().parent_path());
        EXPECT_EQ(fs::relative(folder.Work(), root), fs::path("s/s/work"));
        ASSERT_TRUE(folder.EnterWork());
        EXPECT_EQ(fs::current_path(), folder.Work());
        ASSERT_TRUE(folder.LinkMisc(data.Root()));
        EXPECT_TRUE(fs::exists("../misc/kuma.obj"));
        ASSERT_TRUE(folder.LinkMisc(data.Root()));  // a second time replaces the link itself
    }
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_TRUE(fs::exists(data.Root() / "kuma.obj"));
}
