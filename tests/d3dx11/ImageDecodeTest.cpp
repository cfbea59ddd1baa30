// Image decoding for textures: orientation in every format, the mip chain, size limits and
// damaged or missing files.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>

#include "ImageDecode.h"
#include "TestFiles.h"
#include "TestImages.h"

using platform::ImageLevel;
using platform::ImageResult;

namespace {

ImageResult Decode(const std::vector<uint8_t>& bytes, std::vector<ImageLevel>* levels,
                   uint32_t maxSide = platform::MaxImageSide)
{
    return platform::DecodeImageRgba8WithMips(bytes.data(), bytes.size(), maxSide, levels);
}

// Where the first segment with this marker (0xFF, marker) starts; the file's size if none.
size_t FindMarker(const std::vector<uint8_t>& file, uint8_t marker)
{
    for (size_t i = 2; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker) return i;
    return file.size();
}

// Where the first scan's coded data starts: after the scan header (its marker, length and fields).
size_t FirstScanData(const std::vector<uint8_t>& file)
{
    const size_t sos = FindMarker(file, 0xDA);
    return sos + 2 + (size_t(file[sos + 2]) << 8 | file[sos + 3]);
}

// The process's peak resident memory so far, in kB.
long PeakResidentKb()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::vector<uint8_t> Opaque(std::vector<uint8_t> rgba)
{
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

}  // namespace

TEST(ImageDecode, FirstRowOfThePictureIsTheTopOfLevelZeroInEveryFormat)
{
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<uint8_t> expected;
    } cases[] = {
        {"BMP bottom-up", MakeBmp24(3, 2, Picture3x2, false), Opaque(Picture3x2)},
        {"BMP top-down", MakeBmp24(3, 2, Picture3x2, true), Opaque(Picture3x2)},
        {"TGA bottom-left origin", MakeTga32(3, 2, Picture3x2, false), Picture3x2},
        {"TGA top-left origin", MakeTga32(3, 2, Picture3x2, true), Picture3x2},
        {"PNG", MakePng(3, 2, Picture3x2), Picture3x2},
    };
    for (const auto& c : cases) {
        std::vector<ImageLevel> levels;
        ASSERT_EQ(Decode(c.file, &levels), ImageResult::Ok) << c.name;
        ASSERT_FALSE(levels.empty());
        EXPECT_EQ(levels[0].width, 3u) << c.name;
        EXPECT_EQ(levels[0].height, 2u) << c.name;
        EXPECT_EQ(levels[0].rgba, c.expected) << c.name;
    }
}

TEST(ImageDecode, JpegKeepsItsOrientationWithinCompressionError)
{
    std::vector<uint8_t> picture(16 * 16 * 4, 255);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = &picture[size_t(y * 16 + x) * 4];
            p[0] = y < 8 ? 250 : 5;  // red on top, blue below
            p[1] = 5;
            p[2] = y < 8 ? 5 : 250;
        }
    std::vector<ImageLevel> levels;
    ASSERT_EQ(Decode(MakeJpeg(16, 16, picture), &levels), ImageResult::Ok);
    const uint8_t* top = &levels[0].rgba[0];
    const uint8_t* bottom = &levels[0].rgba[size_t(15 * 16) * 4];
    EXPECT_GT(top[0], 200);
    EXPECT_LT(top[2], 50);
    EXPECT_LT(bottom[0], 50);
    EXPECT_GT(bottom[2], 200);
    EXPECT_EQ(top[3], 255);
}

TEST(ImageDecode, MipChainHalvesEachSideDownToOneTexel)
{
    const struct {
        int width, height;
        std::vector<std::pair<uint32_t, uint32_t>> sizes;
    } cases[] = {
        {1, 1, {{1, 1}}},
        {5, 3, {{5, 3}, {2, 1}, {1, 1}}},
        {256, 1, {{256, 1}, {128, 1}, {64, 1}, {32, 1}, {16, 1}, {8, 1}, {4, 1}, {2, 1}, {1, 1}}},
        {2, 8, {{2, 8}, {1, 4}, {1, 2}, {1, 1}}},
    };
    for (const auto& c : cases) {
        std::vector<ImageLevel> levels;
        ASSERT_EQ(Decode(MakeTga32(c.width, c.height, std::vector<uint8_t>(size_t(c.width * c.height) * 4, 7), true),
                         &levels),
                  ImageResult::Ok);
        ASSERT_EQ(levels.size(), c.sizes.size()) << c.width << "x" << c.height;
        for (size_t i = 0; i < levels.size(); ++i) {
            EXPECT_EQ(levels[i].width, c.sizes[i].first);
            EXPECT_EQ(levels[i].height, c.sizes[i].second);
            EXPECT_EQ(levels[i].rgba, std::vector<uint8_t>(size_t(levels[i].width) * levels[i].height * 4, 7));
        }
    }
}

TEST(ImageDecode, LowerLevelsAreRoundedBlockMeans)
{
    // 2 x 2: one texel below holds the means of the four, rounded to nearest.
    const std::vector<uint8_t> square = {10, 0, 255, 255, 20, 1, 255, 0, 30, 1, 0, 255, 41, 0, 0, 0};
    std::vector<ImageLevel> levels;
    ASSERT_EQ(Decode(MakeTga32(2, 2, square, true), &levels), ImageResult::Ok);
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[1].rgba, (std::vector<uint8_t>{25, 1, 128, 128}));  // 101/4, 2/4, 510/4, 510/4

    // 4 x 1 with distinct pairs: each texel below is the mean of its own pair only.
    const std::vector<uint8_t> row = {0, 0, 0, 255, 100, 0, 0, 255, 200, 0, 0, 255, 255, 0, 0, 255};
    ASSERT_EQ(Decode(MakeTga32(4, 1, row, true), &levels), ImageResult::Ok);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[1].rgba, (std::vector<uint8_t>{50, 0, 0, 255, 228, 0, 0, 255}));
    EXPECT_EQ(levels[2].rgba, (std::vector<uint8_t>{139, 0, 0, 255}));
}

TEST(ImageDecode, OversizedImagesAreRefusedFromTheirHeaderAlone)
{
    std::vector<ImageLevel> levels;
    // Only the header exists: refusing them must not need (or try) to decode 16385 columns.
    EXPECT_EQ(Decode(MakePngHeaderOnly(16385, 1), &levels), ImageResult::TooLarge);
    EXPECT_EQ(Decode(MakePngHeaderOnly(1, 20000), &levels), ImageResult::TooLarge);
    std::vector<uint8_t> bmp = MakeBmp24(1, 1, {1, 2, 3, 255}, false);
    bmp[18] = 0x21;  // width 0x4E21 = 20001, with no pixel data behind it
    bmp[19] = 0x4E;
    EXPECT_EQ(Decode(bmp, &levels), ImageResult::TooLarge);
    // The limit itself is allowed: this header passes the size check and then fails for lack of data.
    EXPECT_EQ(Decode(MakePngHeaderOnly(16384, 16384), &levels), ImageResult::InvalidData);
    EXPECT_EQ(Decode(MakePng(3, 2, Picture3x2), &levels, 2), ImageResult::TooLarge);
    EXPECT_TRUE(levels.empty());
}

TEST(ImageDecode, DamagedAndForeignFilesAreInvalidData)
{
    const std::vector<uint8_t> png = MakePng(3, 2, Picture3x2);
    const std::string text = "newmtl not_an_image\nKd 1 1 1\n";
    const std::vector<std::vector<uint8_t>> files = {
        {},
        std::vector<uint8_t>(text.begin(), text.end()),
        std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)),
        MakePngHeaderOnly(0, 5),
        {'B', 'M'},
    };
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<ImageLevel> levels(1);
        EXPECT_EQ(Decode(files[i], &levels), ImageResult::InvalidData) << i;
        EXPECT_TRUE(levels.empty()) << i;
    }
    std::vector<ImageLevel> levels;
    EXPECT_EQ(platform::DecodeImageRgba8WithMips(nullptr, 0, 16, &levels), ImageResult::InvalidData);
}

TEST(ImageDecode, CutOffFilesAreInvalidDataNotImagesWithABlankTail)
{
    std::vector<uint8_t> picture(16 * 16 * 4);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(i * 7 / 3);
    // A PNG is read on to its closing chunk, so losing even that chunk's checksum shows.
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        size_t smallCut;
    } cases[] = {
        {"BMP", MakeBmp24(16, 16, picture, false), 1},
        {"TGA", MakeTga32(16, 16, picture, true), 1},
        {"run-length TGA", MakeTgaRunLength(16, 16, picture), 1},
        {"PNG", MakePng(16, 16, picture), 1},
        {"JPEG", MakeJpeg(16, 16, picture), 1},
    };
    for (const auto& c : cases) {
        std::vector<ImageLevel> levels;
        ASSERT_EQ(Decode(c.file, &levels), ImageResult::Ok) << c.name;
        for (size_t cut : {c.smallCut, c.smallCut + 3, c.file.size() / 3}) {
            const std::vector<uint8_t> shorter(c.file.begin(), c.file.end() - long(cut));
            EXPECT_EQ(Decode(shorter, &levels), ImageResult::InvalidData) << c.name << " without its last " << cut;
        }
        // Cut inside the header (a TGA's is 18 bytes): stb reads zeros for the rest of it.
        const std::vector<uint8_t> header(c.file.begin(), c.file.begin() + 17);
        EXPECT_EQ(Decode(header, &levels), ImageResult::InvalidData) << c.name << " cut to 17 bytes";
    }
}

TEST(ImageDecode, PngOfEveryChannelCountBecomesRgba)
{
    const struct {
        int channels;
        std::vector<uint8_t> pixels, rgba;
    } cases[] = {
        {1, {10, 200}, {10, 10, 10, 255, 200, 200, 200, 255}},
        {2, {10, 50, 200, 60}, {10, 10, 10, 50, 200, 200, 200, 60}},
        {3, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 255, 4, 5, 6, 255}},
    };
    for (const auto& c : cases) {
        std::vector<ImageLevel> levels;
        ASSERT_EQ(Decode(MakePngOfChannels(2, 1, c.channels, c.pixels), &levels), ImageResult::Ok) << c.channels;
        EXPECT_EQ(levels[0].rgba, c.rgba) << c.channels;
    }
}

TEST(ImageDecode, PngWithAnEmptyFirstDataChunkDecodes)
{
    // Empty IDAT chunks are allowed and carry nothing (stb_image's PNG reader once copied a
    // leading one from a null buffer).
    std::vector<uint8_t> png = MakePng(3, 2, Picture3x2);
    const uint8_t empty[12] = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};
    png.insert(png.begin() + 33, empty, empty + 12);  // after the signature and the header chunk
    std::vector<ImageLevel> levels;
    ASSERT_EQ(Decode(png, &levels), ImageResult::Ok);
    EXPECT_EQ(levels[0].rgba, Picture3x2);
}

TEST(ImageDecode, JpegHuffmanTableWithTooManySymbolsIsRefusedBeforeDecoding)
{
    std::vector<uint8_t> picture(8 * 8 * 4, 200);
    std::vector<uint8_t> jpeg = MakeJpeg(8, 8, picture);
    std::vector<ImageLevel> levels;
    ASSERT_EQ(Decode(jpeg, &levels), ImageResult::Ok);
    // The first table of the first DHT segment claims 16 x 255 symbols where at most 256 fit
    // (stb_image 2.27 wrote them past its tables; the decoder used now refuses the table).
    size_t dht = 2;
    while (dht + 1 < jpeg.size() && !(jpeg[dht] == 0xFF && jpeg[dht + 1] == 0xC4)) ++dht;
    ASSERT_LT(dht + 21, jpeg.size());
    for (size_t i = 0; i < 16; ++i) jpeg[dht + 5 + i] = 255;
    EXPECT_EQ(Decode(jpeg, &levels), ImageResult::InvalidData);
    EXPECT_TRUE(levels.empty());
}

TEST(ImageDecode, FilesThatCannotHoldTheirPictureAreRefusedBeforeItIsAllocated)
{
    // JPEG headers claiming 16384 x 16384 (4 M blocks, a 1 GB picture), cut 4 bytes into the
    // first scan; an arithmetic-coded file, whose few bytes could stand for any size; and a BMP
    // of that size whose compression field is 0x80000000, which stb_image reads as plain rows.
    const struct {
        const char* name;
        JpegCoding coding;
        uint8_t frameMarker;
    } cases[] = {
        {"baseline", JpegCoding::Baseline, 0xC0},
        {"progressive", JpegCoding::ProgressiveDcOnly, 0xC2},
        {"arithmetic", JpegCoding::Arithmetic, 0xC9},
    };
    const long before = PeakResidentKb();
    ASSERT_LT(before, 256 * 1024) << "a 1 GB allocation would not show in the peak";
    for (const auto& c : cases) {
        std::vector<uint8_t> file = MakeGreyJpeg(16, 16, 128, c.coding);
        std::vector<ImageLevel> levels;
        ASSERT_EQ(Decode(file, &levels),
                  c.coding == JpegCoding::Arithmetic ? ImageResult::InvalidData : ImageResult::Ok)
            << c.name;
        const size_t frame = FindMarker(file, c.frameMarker);
        ASSERT_LT(frame + 9, file.size()) << c.name;
        for (size_t at : {frame + 5, frame + 7}) {  // height, then width: 0x4000 each
            file[at] = 0x40;
            file[at + 1] = 0x00;
        }
        file.resize(FirstScanData(file) + 4);
        EXPECT_EQ(Decode(file, &levels), ImageResult::InvalidData) << c.name;
        EXPECT_TRUE(levels.empty());
    }
    std::vector<uint8_t> bmp = MakeBmp24(1, 1, {1, 2, 3, 255}, false);
    const uint8_t header[] = {0, 0x40, 0, 0, 0, 0x40, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0x80};  // from the width on
    std::copy(std::begin(header), std::end(header), bmp.begin() + 18);
    std::vector<ImageLevel> levels;
    EXPECT_EQ(Decode(bmp, &levels), ImageResult::InvalidData);
    EXPECT_LT(PeakResidentKb() - before, 64 * 1024) << "kB more at the peak";
}

TEST(ImageDecode, JpegWithTheFewestBitsItsBlocksCanTakeStillDecodes)
{
    // Grey 128 has a DC of 0 and no AC: with optimised tables, a baseline block is a 1-bit DC
    // code and a 1-bit end of block, a progressive DC scan's block the DC code alone. These files
    // are as small as the refusal's bound allows: 16384 blocks, then the end-of-image marker.
    const struct {
        JpegCoding coding;
        size_t bitsPerBlock;
    } cases[] = {{JpegCoding::Baseline, 2}, {JpegCoding::ProgressiveDcOnly, 1}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> file = MakeGreyJpeg(1024, 1024, 128, c.coding);
        ASSERT_EQ(file.size() - FirstScanData(file), 16384 * c.bitsPerBlock / 8 + 2) << c.bitsPerBlock;
        std::vector<ImageLevel> levels;
        ASSERT_EQ(Decode(file, &levels), ImageResult::Ok) << c.bitsPerBlock;
        EXPECT_EQ(levels[0].width, 1024u);
        EXPECT_EQ(levels[0].height, 1024u);
        const std::vector<uint8_t> grey = {128, 128, 128, 255};
        for (size_t i = 0; i < levels[0].rgba.size(); i += 4)
            ASSERT_TRUE(std::equal(grey.begin(), grey.end(), levels[0].rgba.begin() + long(i))) << i;
    }
}

TEST(ImageDecode, FilesAreFoundWithWindowsSeparatorsAndMissingOnesReported)
{
    const std::string path = WriteScratchFile("picture.png", MakePng(3, 2, Picture3x2));
    std::string windowsPath = path;
    for (size_t i = 1; i < windowsPath.size(); ++i)
        if (windowsPath[i] == '/') windowsPath[i] = '\\';
    std::vector<ImageLevel> levels;
    ASSERT_EQ(platform::LoadImageRgba8WithMips(windowsPath, &levels), ImageResult::Ok);
    EXPECT_EQ(levels[0].rgba, Picture3x2);
    EXPECT_EQ(levels.size(), 2u);
    EXPECT_EQ(platform::LoadImageRgba8WithMips(ScratchPath("absent.bmp"), &levels), ImageResult::FileNotFound);
    EXPECT_EQ(platform::LoadImageRgba8WithMips(ScratchPath(""), &levels), ImageResult::FileNotFound);
}
