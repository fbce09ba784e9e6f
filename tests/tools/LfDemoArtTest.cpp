// lf-demo-art: the demo's pictures come out byte for byte the same on every run (the archives are made
// afresh in every build and the whole-game tests read their pixels), and the shore's key lies half buried in
// a drift of the very sand painted round it, so that nothing but the key tells the drift from the beach.
// Pictures that stand free in their scenes fade out inside their own edges: a shadow or glow cut off by the
// picture's border shows as a faint straight edge on what lies below.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/image/KImage.h"
#include "tests/support/TestSupport.h"

namespace lftest {
namespace {

namespace fs = std::filesystem;

// The PNG's pixels as the engine decodes them (one word a pixel, alpha in the top byte); empty when it
// cannot be read.
struct Decoded {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> words;
};

Decoded decode(const fs::path &file) {
    Decoded decoded;
    std::vector<unsigned char> bytes = readFileBytes(file);
    ImageData image;
    if (bytes.empty() || !decodeImage(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &image))
        return decoded;
    decoded.width = image.width;
    decoded.height = image.height;
    const auto *words = reinterpret_cast<const uint32_t *>(image.pixels);
    decoded.words.assign(words, words + size_t(image.width) * image.height);
    freeImagePixels(&image);
    return decoded;
}

TEST(LfDemoArt, TwoRunsDrawTheSameBytes) {
    TempDir temp;
    for (const char *run : {"first", "second"})
        ASSERT_EQ(runProgram({toolPath("lf-demo-art"), "shore", "--out", (temp / run).string(), "--scale", "0.25"}), 0);
    int pictures = 0;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(temp / "first")) {
        if (!entry.is_regular_file())
            continue;
        const fs::path again = temp / "second" / fs::relative(entry.path(), temp / "first");
        EXPECT_EQ(readFileBytes(entry.path()), readFileBytes(again)) << again;
        pictures++;
    }
    EXPECT_EQ(pictures, 11);
}

TEST(LfDemoArt, TheKeysDriftIsTheBeachsOwnSand) {
    TempDir temp;
    ASSERT_EQ(runProgram({toolPath("lf-demo-art"), "shore", "--out", temp.path().string(), "--scale", "1"}), 0);
    const Decoded shore = decode(temp / "data/scenes/shore/shore.png");
    const Decoded key = decode(temp / "data/scenes/shore/key.png");
    ASSERT_EQ(shore.width, 2560u);
    ASSERT_EQ(key.width, 140u);
    // The key's picture stands with its top-left corner at (630, 1345) of the shore; where its drift covers it
    // wholly (the right part, past the bow), each pixel is the beach's below it, to a unit of rounding.
    int sand = 0, apart = 0;
    for (uint32_t y = 40; y < key.height; ++y)
        for (uint32_t x = 100; x < key.width; ++x) {
            const uint32_t drift = key.words[y * key.width + x];
            if (drift >> 24 != 0xFF)
                continue;
            const uint32_t beach = shore.words[(1345 + y) * shore.width + 630 + x];
            sand++;
            for (int shift : {0, 8, 16})
                apart += std::abs(int(drift >> shift & 0xFF) - int(beach >> shift & 0xFF)) > 1;
        }
    EXPECT_GT(sand, 500);
    EXPECT_EQ(apart, 0);
}

TEST(LfDemoArt, FreeStandingPicturesFadeOutInsideTheirEdges) {
    struct Case {
        const char *command, *picture;
    };
    const Case cases[] = {
        {"study", "scenes/shore/rocks.png"},          {"lantern", "scenes/lantern/gear_set.png"},
        {"lantern", "scenes/lantern/lamp_set.png"},     {"lantern", "scenes/lantern/reflector_sea.png"},
        {"lantern", "scenes/lantern/reflector_wall.png"}, {"wick", "scenes/gallery/bubbleshooter/lever.png"},
        {"world", "scenes/gallery/alt_ho_match3/lens_gauge.png"},
    };
    TempDir temp;
    for (const Case &c : cases) {
        const fs::path out = temp / c.command;
        if (!fs::exists(out)) {
            ASSERT_EQ(runProgram({toolPath("lf-demo-art"), c.command, "--out", out.string(), "--scale", "0.5"}), 0) << c.command;
        }
        const Decoded picture = decode(out / "data" / c.picture);
        ASSERT_GT(picture.width, 2u) << c.picture;
        int opaqueAtEdge = 0;
        for (uint32_t y = 0; y < picture.height; ++y)
            for (uint32_t x = 0; x < picture.width; ++x) {
                const bool edge = x == 0 || y == 0 || x + 1 == picture.width || y + 1 == picture.height;
                opaqueAtEdge += edge && (picture.words[y * picture.width + x] >> 24) > 4;
            }
        EXPECT_EQ(opaqueAtEdge, 0) << c.picture;
    }
}

} // namespace
} // namespace lftest
