// An element's picture drawn in wave strips on the software device and read back: each strip shows its
// own band of the picture between edges swayed by the scene's frame counter; one strip draws the quad as
// it is.

#include <cmath>

#include "game/scene/HoRenderable.h"
#include "game/scene/WaveQuad.h"
#include "game/util/MathTables.h"
#include "tests/game/scene/SceneRuntimeSupport.h"

namespace {

constexpr uint32_t kBackground = 0xFF000000u;
// Four bands of 16 pixels across a 64 x 16 picture.
const uint32_t kBands[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};

class WaveQuadTest : public SceneRuntimeTest {
protected:
    void SetUp() override {
        SceneRuntimeTest::SetUp();
        std::vector<uint32_t> pixels(64 * 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 64; ++x)
                pixels[size_t(y) * 64 + x] = kBands[x / 16];
        writePicture("data/scenes/hall/bands.png", 64, 16, pixels);
        writeScene("hall", "O bands\nI bands.png\nT 4 1.5 10\n");
        hall = loadRunningScene("hall");
        startScenes();
        started();
        hall->loadElementImages();
        element = hall->findElement("bands");
    }
    void TearDown() override {
        hall->unloadElementImages();
        SceneRuntimeTest::TearDown();
    }

    // The picture's whole frame drawn on the 64 x 16 quad at the top left, read back along row 8.
    std::vector<uint32_t> drawnRow() {
        host.clear(kBackground);
        const QuadCorners quad{ScreenPoint{0, 0}, ScreenPoint{64, 0}, ScreenPoint{64, 16}, ScreenPoint{0, 16}};
        drawWaveQuad(*element, quad, *element->renderable, element->renderable->update(0), 1.0f);
        context().flushBatch();
        std::vector<uint32_t> pixels = frame();
        return std::vector<uint32_t>(pixels.begin() + 8 * kWidth, pixels.begin() + 8 * kWidth + 72);
    }
    // Where edge k of the first wave's strips lies, in pixels of the quad.
    float edge(int k) const {
        const int64_t phase = int64_t(k) * 137 + 1237 + hall->frameCounter;
        const int32_t step = stepsToTableIndex(double(float(phase) * element->waveSpeed1 * 114.688f));
        return (cosTable[step] * element->waveAmplitude1 * 0.01f + float(k) / 4.0f) * 64.0f;
    }
    // Every column further than a pixel and a half from an edge shows the band of its strip.
    void expectBandsBetweenEdges(const std::vector<uint32_t> &row) {
        for (int x = 0; x < int(row.size()); ++x) {
            const float centre = float(x) + 0.5f;
            uint32_t want = kBackground;
            bool nearEdge = false;
            for (int k = 0; k <= 4; ++k)
                nearEdge = nearEdge || std::fabs(centre - edge(k)) < 1.5f;
            for (int i = 0; i < 4; ++i) {
                if (centre >= edge(i) && centre < edge(i + 1))
                    want = kBands[i];
            }
            if (!nearEdge) {
                EXPECT_EQ(row[size_t(x)], want) << "column " << x;
            }
        }
    }

    HoScene *hall = nullptr;
    SceneElement *element = nullptr;
};

TEST_F(WaveQuadTest, StripsShowTheirBandsBetweenEdgesSwayedByThePhase) {
    // A counter that has run for months still gives a wave.
    for (int32_t frameCounter : {40, 97, INT32_MAX - 3}) {
        hall->frameCounter = frameCounter;
        std::vector<uint32_t> row = drawnRow();
        expectBandsBetweenEdges(row);
        // The wave really moves the edges off the picture's own band edges.
        int moved = 0;
        for (int k = 1; k < 4; ++k)
            moved += std::fabs(edge(k) - 16.0f * k) > 2.0f ? 1 : 0;
        EXPECT_GT(moved, 0) << frameCounter;
    }
}

TEST_F(WaveQuadTest, OneStripDrawsTheQuadAsItIs) {
    for (int32_t strips : {1, 0}) {
        element->waveStrips1 = strips;
        element->waveStrips2 = 1;
        std::vector<uint32_t> row = drawnRow();
        for (int x = 0; x < 72; ++x)
            EXPECT_EQ(row[size_t(x)], x < 64 ? kBands[x / 16] : kBackground) << "strips " << strips << " column " << x;
    }
}

} // namespace
