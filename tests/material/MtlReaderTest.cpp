// ReadMtl: the line rules, the limits and the defaults, and a differential check against a
// sscanf transcription of the rules on seeded random libraries.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "MtlOracle.h"
#include "MtlReader.h"

namespace {

struct Read {
    bool ok = false;
    int count = -1;
    std::vector<Material> table = std::vector<Material>(MaxMaterials);
};

Read ReadText(const std::string& text)
{
    Read r;
    r.ok = mtl_oracle::ReadMtlFromBytes(text, r.table.data(), r.count);
    return r;
}

void ExpectTriple(const float* v, float a, float b, float c)
{
    EXPECT_EQ(v[0], a);
    EXPECT_EQ(v[1], b);
    EXPECT_EQ(v[2], c);
}

std::string Materials(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i) text += "newmtl m" + std::to_string(i) + "\n";
    return text;
}

TEST(ReadMtl, NoMaterialGivesTrueAndCountZero)
{
    for (const char* text : {"", "# only a comment\n", "Kd 0.5 0.5 0.5\nmap_Kd a.png\n"}) {
        Read r = ReadText(text);
        EXPECT_TRUE(r.ok) << text;
        EXPECT_EQ(r.count, 0) << text;
    }
}

TEST(ReadMtl, NewMaterialGetsDefaultsAndPropertiesBeforeItAreIgnored)
{
    Read r = ReadText("Kd 0.1 0.2 0.3\nd 0.5\nmap_Kd early.png\nnewmtl plain\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.count, 1);
    const Material& m = r.table[0];
    EXPECT_STREQ(m.name, "plain");
    ExpectTriple(m.Kd, 1, 1, 1);
    ExpectTriple(m.Ks, 1, 1, 1);
    ExpectTriple(m.Ka, 1, 1, 1);
    EXPECT_EQ(m.d, 1.0f);
    EXPECT_EQ(m.Ns, 0.0f);
    EXPECT_EQ(m.Ni, 1.0f);
    for (const char* map : {m.map_Kd, m.map_Ks, m.map_Ka, m.map_Bump, m.map_Extra1, m.map_Extra2})
        EXPECT_STREQ(map, "");
}

TEST(ReadMtl, EveryKeywordSetsItsField)
{
    Read r = ReadText("newmtl skin\nKd 0.1 0.2 0.3\nKs 0.4 0.5 0.6\nKa 0.7 0.8 0.9\nd 0.25\nNs 96\nNi 1.5\n"
                      "map_Kd kd.png\nmap_Ks ks.png\nmap_Ka ka.png\nmap_Bump bump.png\nillum 2\nmap_d alpha.png\n");
    ASSERT_EQ(r.count, 1);
    const Material& m = r.table[0];
    ExpectTriple(m.Kd, 0.1f, 0.2f, 0.3f);
    ExpectTriple(m.Ks, 0.4f, 0.5f, 0.6f);
    ExpectTriple(m.Ka, 0.7f, 0.8f, 0.9f);
    EXPECT_EQ(m.d, 0.25f);
    EXPECT_EQ(m.Ns, 96.0f);
    EXPECT_EQ(m.Ni, 1.5f);
    EXPECT_STREQ(m.map_Kd, "kd.png");
    EXPECT_STREQ(m.map_Ks, "ks.png");
    EXPECT_STREQ(m.map_Ka, "ka.png");
    EXPECT_STREQ(m.map_Bump, "bump.png");
    EXPECT_STREQ(m.map_Extra1, "");
    EXPECT_STREQ(m.map_Extra2, "");
}

TEST(ReadMtl, PartialColourLinesKeepTheComponentsTheyDoNotRead)
{
    Read r = ReadText("newmtl a\nKd 0.2\n"
                      "newmtl b\nKd 0.1 0.2 0.3\nKd 0.9 x\n"
                      "newmtl c\nKd 0.1 0.2 0.3\nKd\nKd abc\n");
    ASSERT_EQ(r.count, 3);
    ExpectTriple(r.table[0].Kd, 0.2f, 1, 1);
    ExpectTriple(r.table[1].Kd, 0.9f, 0.2f, 0.3f);
    ExpectTriple(r.table[2].Kd, 0.1f, 0.2f, 0.3f);  // no number: the lines match nothing
}

TEST(ReadMtl, KeywordsMustOpenTheLineInTheirExactCase)
{
    Read r = ReadText("newmtl a\n\tKd 0.5 0.5 0.5\n Ks 0.5 0.5 0.5\nkd 0.5 0.5 0.5\nKA 0.5\n"
                      "map_bump lower.png\nmap_Bump upper.png\nMap_Kd x.png\n D 0.5\n");
    ASSERT_EQ(r.count, 1);
    const Material& m = r.table[0];
    ExpectTriple(m.Kd, 1, 1, 1);
    ExpectTriple(m.Ks, 1, 1, 1);
    ExpectTriple(m.Ka, 1, 1, 1);
    EXPECT_EQ(m.d, 1.0f);
    EXPECT_STREQ(m.map_Bump, "upper.png");
    EXPECT_STREQ(m.map_Kd, "");
}

TEST(ReadMtl, BlankAfterKeywordMatchesAnyWhiteSpaceOrNone)
{
    Read r = ReadText("newmtl a\nKd0.5 0.25\t\t0.125\nd\t0.75\nmap_Kdglued.png\nmap_Ks \t spaced.png \n");
    ASSERT_EQ(r.count, 1);
    ExpectTriple(r.table[0].Kd, 0.5f, 0.25f, 0.125f);
    EXPECT_EQ(r.table[0].d, 0.75f);
    EXPECT_STREQ(r.table[0].map_Kd, "glued.png");
    EXPECT_STREQ(r.table[0].map_Ks, "spaced.png");
}

TEST(ReadMtl, WordsEndAtWhiteSpace)
{
    Read r = ReadText("newmtl red plastic\nmap_Kd -s 1 1 1 tex.png\n");
    ASSERT_EQ(r.count, 1);
    EXPECT_STREQ(r.table[0].name, "red");
    EXPECT_STREQ(r.table[0].map_Kd, "-s");
}

TEST(ReadMtl, NewmtlWithoutNameBeginsNothing)
{
    Read r = ReadText("newmtl\nKd 0.5 0.5 0.5\nnewmtl a\nnewmtl   \r\nKd 0.25 0.25 0.25\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.count, 1);
    EXPECT_STREQ(r.table[0].name, "a");
    ExpectTriple(r.table[0].Kd, 0.25f, 0.25f, 0.25f);  // the bare newmtl did not start a record
}

TEST(ReadMtl, DuplicateNamesBeginSeparateRecordsAndLaterLinesOverwrite)
{
    Read r = ReadText("newmtl twin\nKd 0.1 0.1 0.1\nKd 0.3 0.3 0.3\nnewmtl twin\nd 0.5\n");
    ASSERT_EQ(r.count, 2);
    EXPECT_STREQ(r.table[0].name, "twin");
    EXPECT_STREQ(r.table[1].name, "twin");
    ExpectTriple(r.table[0].Kd, 0.3f, 0.3f, 0.3f);
    EXPECT_EQ(r.table[0].d, 1.0f);
    EXPECT_EQ(r.table[1].d, 0.5f);
    ExpectTriple(r.table[1].Kd, 1, 1, 1);
}

TEST(ReadMtl, AtMost256MaterialsAndNothingReadAfterThe257th)
{
    Read full = ReadText(Materials(256) + "Kd 0.5 0.5 0.5\n");
    EXPECT_TRUE(full.ok);
    EXPECT_EQ(full.count, 256);
    EXPECT_STREQ(full.table[255].name, "m255");
    ExpectTriple(full.table[255].Kd, 0.5f, 0.5f, 0.5f);

    Read over = ReadText(Materials(256) + "newmtl m256\nKd 0.5 0.5 0.5\n");
    EXPECT_FALSE(over.ok);
    EXPECT_STREQ(over.table[255].name, "m255");
    ExpectTriple(over.table[255].Kd, 1, 1, 1);  // the Kd line after the refused material is never read
}

TEST(ReadMtl, LongWordsKeepTheirFirst79CharactersAndStillMatch)
{
    const std::string n79(79, 'n'), n80(80, 'o'), n300(300, 'p'), t100(100, 't');
    Read r =
        ReadText("newmtl " + n79 + "\nnewmtl " + n80 + "\nnewmtl " + n300 + " tail\nmap_Kd " + t100 + "\nKd 0.5\n");
    ASSERT_EQ(r.count, 3);
    EXPECT_EQ(std::string(r.table[0].name), n79);
    EXPECT_EQ(std::string(r.table[1].name), n80.substr(0, 79));
    EXPECT_EQ(std::string(r.table[2].name), n300.substr(0, 79));
    EXPECT_EQ(std::string(r.table[2].map_Kd), t100.substr(0, 79));
    EXPECT_EQ(r.table[2].Kd[0], 0.5f);
}

TEST(ReadMtl, LongLinesAreReadIn1023CharacterPieces)
{
    // The first piece is "map_Kd aaa...", exactly 1023 characters; the rest of the line is a piece
    // of its own and sets Kd. One character more or less in a piece would set d or nothing.
    const std::string head = "map_Kd ";
    std::string line = head + std::string(1023 - head.size(), 'a') + "Kd 0.5\n";
    Read r = ReadText("newmtl a\n" + line);
    ASSERT_EQ(r.count, 1);
    EXPECT_EQ(r.table[0].Kd[0], 0.5f);
    EXPECT_EQ(r.table[0].d, 1.0f);
    EXPECT_EQ(std::string(r.table[0].map_Kd), std::string(79, 'a'));

    // A newmtl keyword that starts a piece in the middle of a long comment begins a material.
    Read split = ReadText("#" + std::string(1022, '-') + "newmtl hidden\n");
    ASSERT_EQ(split.count, 1);
    EXPECT_STREQ(split.table[0].name, "hidden");
}

TEST(ReadMtl, CarriageReturnLineFeedReadsAsLineFeed)
{
    const std::string lf = "newmtl a\nKd 0.5 0.25\nmap_Kd a.png\nnewmtl b\nNs 10\nmap_Bump b.png\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Read a = ReadText(lf), b = ReadText(crlf);
    ASSERT_EQ(a.count, 2);
    ASSERT_EQ(b.count, 2);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(mtl_oracle::SameMaterial(a.table[i], b.table[i])) << i;
    EXPECT_STREQ(b.table[0].map_Kd, "a.png");
}

TEST(ReadMtl, EachCallStartsAgainAtRecordZero)
{
    Read r = ReadText("newmtl a\nnewmtl b\n");
    FILE* f = fmemopen(const_cast<char*>("newmtl c\n"), 9, "r");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(ReadMtl(f, r.table.data(), r.count));
    std::fclose(f);
    EXPECT_EQ(r.count, 1);
    EXPECT_STREQ(r.table[0].name, "c");
}

TEST(ReadMtl, NullStreamFails)
{
    std::vector<Material> table(MaxMaterials);
    int count = 7;
    EXPECT_FALSE(ReadMtl(nullptr, table.data(), count));
    EXPECT_EQ(count, 0);
}

// --- Differential check against the transcription ------------------------------------------

std::string RandomNumber(std::mt19937& rng)
{
    static const char* odd[] = {"1e",        "1e+",  "-.5",     ".5e-3", "0x1p3", "0X1.8P-1", "inf",
                                "-INFINITY", "nan",  "nan(12)", ".",     "+",     "-",        "1.5e-46",
                                "3.5e38",    "1e40", "0x",      "00012", "1,5",   "--1"};
    std::uniform_int_distribution<int> pick(0, 9);
    if (pick(rng) < 3) return odd[std::uniform_int_distribution<size_t>(0, std::size(odd) - 1)(rng)];
    std::uniform_real_distribution<double> value(-100, 100);
    char text[64];
    std::snprintf(text, sizeof text, pick(rng) < 5 ? "%.3f" : "%.9g", value(rng));
    return text;
}

std::string RandomWord(std::mt19937& rng)
{
    static const int lengths[] = {0, 1, 5, 12, 78, 79, 80, 81, 120};
    const int n = lengths[std::uniform_int_distribution<size_t>(0, std::size(lengths) - 1)(rng)];
    std::string w;
    for (int i = 0; i < n; ++i) w += static_cast<char>(std::uniform_int_distribution<int>(33, 126)(rng));
    return w;
}

std::string RandomLibrary(std::mt19937& rng)
{
    static const char* keys[] = {"newmtl", "Kd",       "Ks", "Ka",       "d",   "Ns",    "Ni", "map_Kd", "map_Ks",
                                 "map_Ka", "map_Bump", "kd", "map_bump", "KD",  "illum", "#",  "Ke",     "Tr",
                                 "map_d",  "bump",     "",   "newmtlx",  "Kdx", "dd",    "N",  "map_"};
    static const char* gaps[] = {" ", "  ", "\t", "", " \t "};
    std::uniform_int_distribution<int> percent(0, 99);
    auto any = [&](auto& list) { return list[std::uniform_int_distribution<size_t>(0, std::size(list) - 1)(rng)]; };

    std::string text;
    const bool many = percent(rng) < 10;  // near the 256-material limit
    const int lines = many ? 480 : std::uniform_int_distribution<int>(0, 40)(rng);
    for (int i = 0; i < lines; ++i) {
        std::string line;
        if (percent(rng) < 5) line += percent(rng) < 50 ? " " : "\t";
        const std::string key = many && percent(rng) < 85 ? "newmtl" : any(keys);
        line += key;
        if (percent(rng) < 3) line += std::string(std::uniform_int_distribution<int>(900, 1100)(rng), 'x');
        const int args = std::uniform_int_distribution<int>(0, 4)(rng);
        for (int a = 0; a < args; ++a) {
            line += any(gaps);
            const bool wordy = key.compare(0, 3, "map") == 0 || key.compare(0, 3, "new") == 0;
            line += wordy && percent(rng) < 80 ? RandomWord(rng) : RandomNumber(rng);
        }
        const int end = percent(rng);
        line += end < 70 ? "\n" : end < 90 ? "\r\n" : end < 95 ? " \n" : "";
        if (percent(rng) < 1) line += '\0';
        text += line;
    }
    return text;
}

TEST(ReadMtl, AgreesWithTheTranscriptionOnRandomLibraries)
{
    std::mt19937 rng(20261208);
    std::vector<Material> expected(MaxMaterials), actual(MaxMaterials);
    int failures = 0, limits = 0, materials = 0;
    for (int trial = 0; trial < 3000 && failures < 5; ++trial) {
        const std::string text = RandomLibrary(rng);
        int expectedCount = 0, actualCount = 0;
        const bool expectedOk = mtl_oracle::ReadMtl(text, expected.data(), expectedCount);
        const bool actualOk = mtl_oracle::ReadMtlFromBytes(text, actual.data(), actualCount);
        limits += !expectedOk;
        materials += expectedCount;
        bool same = expectedOk == actualOk && (!expectedOk || expectedCount == actualCount);
        const int compared = expectedOk ? expectedCount : MaxMaterials;
        for (int i = 0; same && i < compared; ++i) same = mtl_oracle::SameMaterial(expected[i], actual[i]);
        if (!same) {
            ++failures;
            ADD_FAILURE() << "trial " << trial << " differs; input:\n" << text;
        }
    }
    // The generator must reach both outcomes and a fair number of records for the check to mean much.
    EXPECT_GT(limits, 10);
    EXPECT_GT(materials, 3000);
}

}  // namespace
