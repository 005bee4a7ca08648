// The BMP reader over our own files, ImageMagick's and the public test
// corpus (loaded against its reference pictures), broken files, and the
// screenshot writer's exact bytes.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string bmpData = std::string(BRASTOR_TEST_DATA) + "/bmp";

std::vector<std::uint8_t> readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// NAME.expect, written by tools/testdata/make_bmps.py beside each loadable file.
Picture readExpect(const fs::path& path) {
    auto bytes = readWhole(path);
    Picture p;
    p.width = static_cast<int>(le32(bytes.data()));
    p.height = static_cast<int>(le32(bytes.data() + 4));
    for (int i = 0; i < p.width * p.height; ++i) p.pixels.push_back(le32(bytes.data() + 8 + 4 * i));
    return p;
}

// A binary PPM ("P6 W H 255", no comments) with opaque pixels.
Picture readPpm(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int most;
    Picture p;
    in >> magic >> p.width >> p.height >> most;
    in.get();
    for (int i = 0; i < p.width * p.height; ++i) {
        unsigned char rgb[3];
        in.read(reinterpret_cast<char*>(rgb), 3);
        p.pixels.push_back(0xFF000000u | rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
    }
    return p;
}

std::vector<std::uint32_t> pixelsOf(const Image* image, int width, int height) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.push_back(imageRow(image, y)[x]);
    return out;
}

bool allFill(const Image* image) {
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->pitch / 4; ++x)
            if (imageRow(image, y)[x] != fillColour) return false;
    return true;
}

// Largest difference of a colour byte; alpha must match exactly.
int colourDistance(std::uint32_t a, std::uint32_t b) {
    int worst = (a >> 24) != (b >> 24) ? 1000 : 0;
    for (int s = 0; s < 24; s += 8) worst = std::max(worst, std::abs(int(a >> s & 0xFF) - int(b >> s & 0xFF)));
    return worst;
}

std::vector<fs::path> filesIn(const std::string& folder, const std::string& extension) {
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == extension) out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

class Bmp : public ::testing::Test {
protected:
    void SetUp() override {
        freshGame();
        setDataFolder(bmpData.c_str());
    }
    void TearDown() override { setDataFolder(""); }
};

}  // namespace

// Every format our script writes (paletted 1/4/8 with 3- and 4-byte entries,
// short palettes and compression 3, 16/24/32 bits with default masks and bit
// fields after or inside the header, alpha from version-4/5 headers, top-down
// rows, rows starting inside the header) and ImageMagick's own files.
TEST_F(Bmp, MadeFilesLoadExactly) {
    auto expects = filesIn(bmpData + "/made", ".expect");
    ASSERT_GE(expects.size(), 25u);
    for (const auto& path : expects) {
        Picture want = readExpect(path);
        std::string name = "made\\" + path.stem().string() + ".bmp";
        Image* image = createImage(want.width, want.height, fillColour);
        ASSERT_EQ(loadPicture(name.c_str(), image), statusOk) << name;
        EXPECT_EQ(pixelsOf(image, want.width, want.height), want.pixels) << name;
    }
    // Into a smaller image: its top-left part; into a wider one: the rest keeps the fill.
    Picture big = readExpect(bmpData + "/made/grid64.expect"), little = readExpect(bmpData + "/made/grid16.expect");
    Image* small = createImage(32, 32, fillColour);
    Image* wide = createImage(32, 32, fillColour);
    ASSERT_EQ(loadPicture("made\\grid64.bmp", small), statusOk);
    ASSERT_EQ(loadPicture("made\\grid16.bmp", wide), statusOk);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(imageRow(small, y)[x], big.pixels[y * 64 + x]);
            ASSERT_EQ(imageRow(wide, y)[x], x < 16 && y < 16 ? little.pixels[y * 16 + x] : fillColour);
        }
}

TEST_F(Bmp, CorpusGoodFilesMatchReferences) {
    // FILE:REFERENCE, or FILE alone when the reference has its name.
    for (std::string pair : {"pal1", "pal1wb:pal1", "pal1bg", "pal4", "pal4gs", "pal8", "pal8-0:pal8", "pal8os2:pal8",
                             "pal8topdown:pal8", "pal8v4:pal8", "pal8v5:pal8", "pal8gs", "pal8nonsquare:pal8nonsquare-e",
                             "pal8w124", "pal8w125", "pal8w126", "rgb16-565", "rgb16-565pal:rgb16-565", "rgb16",
                             "rgb16bfdef:rgb16", "rgb24", "rgb24pal:rgb24", "rgb32:rgb24", "rgb32bf:rgb24", "rgb32bfdef:rgb24"}) {
        const std::string file = pair.substr(0, pair.find(':')), ref = pair.substr(pair.find(':') + 1);
        Picture want = readPpm(bmpData + "/suite/reference/" + ref + ".ppm");
        Image* image = createImage(want.width, want.height, fillColour);
        const std::string name = "suite\\good\\" + file + ".bmp";
        ASSERT_EQ(loadPicture(name.c_str(), image), statusOk) << name;
        auto got = pixelsOf(image, want.width, want.height);
        int worst = 0;
        for (std::size_t i = 0; i < got.size(); ++i) worst = std::max(worst, colourDistance(got[i], want.pixels[i]));
        EXPECT_LE(worst, file.rfind("rgb16", 0) == 0 ? 1 : 0) << name;  // bit replication vs. exact scaling
    }
    // Run-length files are refused, not loaded wrong.
    for (const char* name : {"suite\\good\\pal4rle.bmp", "suite\\good\\pal8rle.bmp", "made\\im-rle8.bmp"}) {
        Image* image = createImage(127, 64, fillColour);
        EXPECT_EQ(loadPicture(name, image), statusBadFile) << name;
        EXPECT_TRUE(allFill(image)) << name;
    }
}

// Strangers' files: whatever they claim, loading ends in 0 or 3 without
// touching memory outside the image (the sanitizer build checks that), into
// images wider and narrower than the files.
TEST_F(Bmp, QuestionableAndBadFilesNeverCrash) {
    std::vector<fs::path> files;
    for (const char* folder : {"/suite/questionable", "/suite/bad", "/made"})
        for (const auto& f : filesIn(bmpData + folder, ".bmp")) files.push_back(f);
    Image* sizes[] = {createImage(1, 1, fillColour), createImage(127, 64, fillColour),
                      createImage(4096, 3, fillColour)};
    for (const auto& path : files)
        for (Image* image : sizes) {
            int status = loadPicture(path.string().c_str(), image);
            EXPECT_TRUE(status == statusOk || status == statusBadFile) << path << " " << status;
        }
    Image* image = createImage(127, 64, fillColour);
    for (const char* name : {"bad\\shortfile", "bad\\reallybig", "questionable\\pal2", "questionable\\rgba64", "questionable\\pal1huffmsb"})
        EXPECT_EQ(loadPicture((std::string("suite\\") + name + ".bmp").c_str(), image), statusBadFile) << name;
    // Indices past the palette come out opaque black.
    ASSERT_EQ(loadPicture("suite\\bad\\pal8badindex.bmp", image), statusOk);
    bool sawBlack = false;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 127; ++x) sawBlack |= imageRow(image, y)[x] == 0xFF000000u;
    EXPECT_TRUE(sawBlack);
}

TEST_F(Bmp, RefusedFilesLeaveTheImageAlone) {
    for (const char* stem : {"signature", "not-b", "empty", "cut-header", "header-size-8", "header-size-15", "planes", "width-0",
                             "width-negative", "height-0", "offset-past-end", "offset-zero", "compression-4", "rle8",
                             "rle4", "rle-topdown", "bpp-0", "bpp-2", "bpp-3", "bpp-7", "bpp-64", "cut-palette",
                             "width-huge", "height-huge", "height-min"}) {
        Image* image = createImage(9, 6, fillColour);
        const std::string name = std::string("made\\bad-") + stem + ".bmp";
        EXPECT_EQ(loadPicture(name.c_str(), image), statusBadFile) << name;
        // Huge sizes fail only at the second row, keeping the first.
        if (!std::strstr(stem, "huge") && !std::strstr(stem, "min")) { EXPECT_TRUE(allFill(image)) << name; }
    }

    Image* image = createImage(32, 32, fillColour);
    EXPECT_EQ(loadPicture("made\\no-such-file.bmp", image), statusOpenFailed);
    EXPECT_EQ(loadPicture(nullptr, image), statusOpenFailed);
    EXPECT_TRUE(allFill(image));
    // A caller can tell a missing file from a broken one.
    EXPECT_NE(loadPicture("made\\no-such-file.bmp", image), loadPicture("made\\bad-empty.bmp", image));

    // Cut inside the rows of a bottom-up 7 x 5 file after three rows: the
    // bottom three image rows are loaded, the top two keep the fill.
    Picture full = readExpect(bmpData + "/made/rgb24.expect");
    Image* cut = createImage(7, 5, fillColour);
    EXPECT_EQ(loadPicture("made\\cut-rows.bmp", cut), statusBadFile);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(imageRow(cut, y)[x], y >= 2 ? full.pixels[y * 7 + x] : fillColour) << x << "," << y;
    // Cut in the last row's padding: only the pixels' bytes are read, so every row is loaded.
    Image* padding = createImage(7, 5, fillColour);
    EXPECT_EQ(loadPicture("made\\cut-padding.bmp", padding), statusBadFile);
    EXPECT_EQ(pixelsOf(padding, 7, 5), readExpect(bmpData + "/made/pal1.expect").pixels);
}

// The writer's bytes are checked by the golden frames; here, where it must
// refuse, and that it replaces an earlier screenshot (which the C library's
// rename refuses on Windows).
TEST_F(Bmp, SaveScreenRefusesMissingFoldersAndLeavesNothingBehind) {
    const fs::path folder = testTempFolder();
    fs::create_directories(folder / "sub");
    EXPECT_EQ(saveScreen((folder / "missing" / "screen.bmp").string().c_str()), statusOpenFailed);
    EXPECT_EQ(saveScreen((folder / "sub").string().c_str()), statusOpenFailed);
    EXPECT_EQ(saveScreen(""), statusOpenFailed);
    EXPECT_EQ(saveScreen((folder / "screen.bmp").string().c_str()), statusOk);
    EXPECT_EQ(saveScreen((folder / "screen.bmp").string().c_str()), statusOk);  // a second "h" replaces it
    EXPECT_EQ(fs::file_size(folder / "screen.bmp"), 921654u);
    EXPECT_FALSE(fs::exists(folder / "sub.part"));
}
