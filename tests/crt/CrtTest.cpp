// The secure CRT stand-ins: backslash paths, sscanf_s buffer sizes, strcpy_s.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace {

TEST(Crt, FopenSOpensBackslashPathsAndReportsMissingFiles)
{
    std::filesystem::create_directories("crt_dir");
    FILE* out = nullptr;
    ASSERT_EQ(fopen_s(&out, "crt_dir\\file.txt", "wt"), 0);
    fputs("line one\n", out);
    fclose(out);
    FILE* in = nullptr;
    ASSERT_EQ(fopen_s(&in, ".\\crt_dir\\file.txt", "rt"), 0);
    char line[1024];
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "line one\n");
    fclose(in);
    FILE* missing = reinterpret_cast<FILE*>(1);
    EXPECT_EQ(fopen_s(&missing, "crt_dir\\absent.txt", "r"), ENOENT);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(fopen_s(nullptr, "x", "r"), EINVAL);
    std::filesystem::remove_all("crt_dir");
}

TEST(Crt, SscanfSHonoursBufferSizes)
{
    char name[8];
    float f = 0;
    EXPECT_EQ(sscanf_s("g body 2.5", "g %s %f", name, 8, &f), 2);
    EXPECT_STREQ(name, "body");
    EXPECT_EQ(f, 2.5f);
    // A longer word is cut to the room, never written past it.
    char small[8];
    memset(small, 'z', sizeof small);
    EXPECT_EQ(sscanf_s("g abcdefghijkl", "g %s", small, 8), 1);
    EXPECT_STREQ(small, "abcdefg");
    // %c with its size, %[ with its size, suppressed fields take no size.
    char c[2] = {0, 0}, set[4];
    int i = 0;
    EXPECT_EQ(sscanf_s("x 12 abcdef", "%c %*d %d%3[a-f]", c, 1, &i, set, 4), 1);
    EXPECT_EQ(sscanf_s("x abcdef 7", "%c %[a-f] %d", c, 1, set, 4, &i), 2);
    EXPECT_EQ(c[0], 'x');
    EXPECT_STREQ(set, "abc");
    // A buffer with no room for a character ends the scan there.
    char none[1] = {'q'};
    EXPECT_LE(sscanf_s("g body", "g %s", none, 1), 0);
    EXPECT_EQ(none[0], 'q');
    EXPECT_EQ(sscanf_s("", "g %s", name, 8), EOF);
}

TEST(Crt, StrcpySChecksRoom)
{
    char dest[6];
    EXPECT_EQ(strcpy_s(dest, sizeof dest, "hello"), 0);
    EXPECT_STREQ(dest, "hello");
    EXPECT_EQ(strcpy_s(dest, sizeof dest, "toolong"), ERANGE);
    EXPECT_STREQ(dest, "");
    EXPECT_EQ(strcpy_s(dest, "abc"), 0);  // array form
    EXPECT_STREQ(dest, "abc");
    EXPECT_EQ(strcpy_s(nullptr, 4, "x"), EINVAL);
    EXPECT_EQ(strcpy_s(dest, 0, "x"), EINVAL);
}

}  // namespace
