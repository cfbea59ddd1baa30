// The reader's "%f" and "%i" scanners against the C library's sscanf on the same text:
// the same characters taken and the same bits stored, on every string tried.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "ObjNumbers.h"

namespace {

void ExpectFloatLikeSscanf(const std::string& s)
{
    float expected = 1234.5f, actual = 1234.5f;
    int used = -1;
    int fields = sscanf(s.c_str(), "%f%n", &expected, &used);
    const char* end = ScanFloatField(s.data(), s.data() + s.size(), &actual);
    ASSERT_EQ(fields == 1, end != nullptr) << '"' << s << '"';
    if (end == nullptr) return;
    uint32_t a, b;
    memcpy(&a, &actual, 4);
    memcpy(&b, &expected, 4);
    EXPECT_EQ(a, b) << '"' << s << '"';
    EXPECT_EQ(end - s.data(), used) << '"' << s << '"';
}

void ExpectIntLikeSscanf(const std::string& s)
{
    int expected = 77, actual = 77, used = -1;
    int fields = sscanf(s.c_str(), "%i%n", &expected, &used);
    const char* end = ScanIntField(s.data(), s.data() + s.size(), &actual);
    ASSERT_EQ(fields == 1, end != nullptr) << '"' << s << '"';
    if (end == nullptr) return;
    EXPECT_EQ(actual, expected) << '"' << s << '"';
    EXPECT_EQ(end - s.data(), used) << '"' << s << '"';
}

TEST(NumberScan, FloatSpellingsAndQuirks)
{
    const char* cases[] = {"1",
                           "-1",
                           "+1",
                           "1.5",
                           ".5",
                           "-.5",
                           "5.",
                           ".",
                           "-",
                           "+",
                           "-.",
                           "1e",
                           "1e+",
                           "1e-",
                           "1E5",
                           "1e+5x",
                           "1e5.5",
                           "1.2.3",
                           "0x",
                           "0x.",
                           "0x1p3",
                           "0X1P-3",
                           "0x1p",
                           "0xg",
                           "-0x1.8p1",
                           "0x.8",
                           "0xe",
                           "0x1e3",
                           "nan",
                           "NaN",
                           "-nan",
                           "nanx",
                           "na",
                           "inf",
                           "-INF",
                           "infinity",
                           "infinite",
                           "infin",
                           "infx",
                           "1e5000",
                           "-1e5000",
                           "1e-50",
                           "0",
                           "-0",
                           "00",
                           "000.000",
                           "0e",
                           "0.0000001",
                           "16777217",
                           "16777216",
                           "3.4028236e38",
                           "1.17549435e-38",
                           "1.4e-45",
                           "123456789012345678901234567890",
                           "  7",
                           "\t-2",
                           "0.1",
                           "0.3",
                           "9999999",
                           "0.12345678",
                           "1e10",
                           "1.0000000000"};
    for (const char* c : cases) ExpectFloatLikeSscanf(c);
}

TEST(NumberScan, RandomFloatTextMatchesSscanf)
{
    const char alphabet[] = "0123456789012345678901234567890123456789+-..eEexXpPaAfFnNiItTyY \t/";
    std::mt19937 rng(3);
    for (int i = 0; i < 200000; ++i) {
        std::string s;
        int length = 1 + static_cast<int>(rng() % 12);
        for (int k = 0; k < length; ++k) s += alphabet[rng() % (sizeof alphabet - 1)];
        ExpectFloatLikeSscanf(s);
        if (HasFailure()) return;
    }
}

TEST(NumberScan, RandomDecimalsRoundLikeStrtof)
{
    // Values of every magnitude spelled as a model file spells them: the direct conversion
    // must round exactly as the library does.
    std::mt19937 rng(5);
    const char* formats[] = {"%.6f", "%.7g", "%.9g", "%.3f", "%.1f", "%.10f", "%.8f"};
    for (int i = 0; i < 100000; ++i) {
        uint32_t bits = rng();
        float v;
        memcpy(&v, &bits, 4);
        if (!std::isfinite(v) || std::fabs(v) > 1e7f)
            v = static_cast<float>(static_cast<int32_t>(rng())) / static_cast<float>(1u << (rng() % 31));
        char buf[64];
        snprintf(buf, sizeof buf, formats[rng() % 7], static_cast<double>(v));
        ExpectFloatLikeSscanf(buf);
        if (HasFailure()) return;
    }
}

TEST(NumberScan, IntegerBasesSignsAndOverflow)
{
    const char* cases[] = {"0",
                           "7",
                           "-7",
                           "+7",
                           "010",
                           "08",
                           "09",
                           "0x1f",
                           "0X1F",
                           "-0x1f",
                           "0x",
                           "0xg",
                           "-",
                           "+",
                           "-0",
                           "00",
                           "2147483647",
                           "2147483648",
                           "-2147483648",
                           "-2147483649",
                           "4294967296",
                           "4294967297",
                           "9223372036854775807",
                           "9223372036854775808",
                           "-9223372036854775808",
                           "-9223372036854775809",
                           "99999999999999999999999",
                           "0xffffffffffffffffff",
                           "0777777777777777777777777",
                           "/",
                           "x",
                           "12/3",
                           " 5"};
    for (const char* c : cases) ExpectIntLikeSscanf(c);
    const char alphabet[] = "0123456789012345678901abcdefABCDEFxX+-/ ";
    std::mt19937 rng(9);
    for (int i = 0; i < 100000; ++i) {
        std::string s;
        int length = 1 + static_cast<int>(rng() % 24);
        for (int k = 0; k < length; ++k) s += alphabet[rng() % (sizeof alphabet - 1)];
        ExpectIntLikeSscanf(s);
        if (HasFailure()) return;
    }
}

}  // namespace
