// Outlined text drawn through a font made by lf-font into a real headless game window and read back.
// The text is one full block (U+2588), so what is drawn is a solid rectangle the size of its cell, and
// with translucent colours the brightness inside it counts the passes drawn over each other.

#include "game/HoOutlinedText.h"

#include <gtest/gtest.h>


#include "engine/text/KText.h"
#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/HoGameTestSupport.h"

namespace {

constexpr char kBlock[] = "\xE2\x96\x88";
constexpr TextColour kNone{1.0f, 1.0f, 1.0f, 0.0f};
constexpr TextColour kFaintWhite{1.0f, 1.0f, 1.0f, 0.1f};

// Brightness after k passes of white at opacity 0.1 (25 of 255) over black, each blended in bytes as
// the device blends: (source x 25 + destination x 230) / 255, rounded.
int afterPasses(int k) {
    int value = 0;
    for (int pass = 0; pass < k; pass++)
        value = (255 * 25 + value * 230 + 127) / 255;
    return value;
}

class OutlinedText : public ::testing::Test {
protected:
    lftest::TempDir temp;
    std::unique_ptr<HoGame> game;
    KText font;
    int32_t savedEncoding = defaultTextEncoding;

    void SetUp() override {
        lftest::useHeadlessGame(temp);
        defaultTextEncoding = 1;
        ASSERT_TRUE(lftest::makeFont((temp / "block").string(), 40, "32-126,9608"));
    }
    void TearDown() override {
        game.reset();
        defaultTextEncoding = savedEncoding;
        lftest::endHeadlessGame();
    }

    void start(bool hd) {
        game = lftest::startWindowedGame(hd);
        ASSERT_NE(game->window, nullptr);
        game->window->setClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        // The pages are pictures of the window's device.
        ASSERT_TRUE(font.loadFont((temp / "block.ktext").c_str(), (temp / "block_0.png").c_str()));
    }
    // A cleared frame in the game's plain view.
    void clear() {
        game->window->flipBackBuffer(false);
        game->window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
        game->setView(0.0f, 0.0f, 1.0f, 0.0f);
    }
    lftest::BackBuffer::Box drawnBox() { return lftest::readBackBuffer(game->window).litBox(); }
    int centreOf(const lftest::BackBuffer::Box &box) {
        const lftest::BackBuffer pixels = lftest::readBackBuffer(game->window);
        return pixels.at((box.left + box.right) / 2, (box.top + box.bottom) / 2)[0];
    }
};

TEST_F(OutlinedText, InHdTheTextStandsWhereTheFontWouldDrawItAndTheViewStays) {
    start(true);
    ASSERT_EQ(screenValues.textScale, 1.0f);
    clear();
    font.setColor(1.0f, 1.0f, 1.0f, 1.0f);
    font.drawString(kBlock, 700, 400, 0.0f, -1);
    const auto direct = drawnBox();
    clear();
    drawOutlinedText(&font, kBlock, nullptr, 0, kOutlinedTextAtPoint, 700.0f, 400.0f, kNone, {});
    const auto outlined = drawnBox();
    ASSERT_FALSE(direct.empty());
    EXPECT_EQ(outlined.left, direct.left);
    EXPECT_EQ(outlined.top, direct.top);
    EXPECT_EQ(outlined.width(), direct.width());
    EXPECT_EQ(outlined.height(), direct.height());
    EXPECT_EQ(game->view.zoom, 1.0f);
}

TEST_F(OutlinedText, InSdPositionsPullToTheDesignCentreAndGlyphsKeepTheirSize) {
    start(false);
    ASSERT_EQ(screenValues.textScale, 0.5f);
    game->setClipRect(true, 0.0f, 0.0f, 1280.0f, 768.0f);
    const TextColour white{};
    // Without the compensation (text scale 1) the glyph shrinks with the pictures.
    screenValues.textScale = 1.0f;
    clear();
    drawOutlinedText(&font, kBlock, nullptr, 0, kOutlinedTextAtPoint, 1600.0f, 900.0f, kNone, white);
    const auto shrunk = drawnBox();
    screenValues.textScale = 0.5f;
    clear();
    drawOutlinedText(&font, kBlock, nullptr, 0, kOutlinedTextAtPoint, 1600.0f, 900.0f, kNone, white);
    const auto kept = drawnBox();
    clear();
    drawOutlinedText(&font, kBlock, nullptr, 0, kOutlinedTextAtPoint, 2000.0f, 1100.0f, kNone, white);
    const auto moved = drawnBox();
    ASSERT_FALSE(shrunk.empty());
    ASSERT_FALSE(kept.empty());
    // The same design point on the screen, at twice the size: the font's own pixels.
    EXPECT_NEAR(kept.left, shrunk.left, 1);
    EXPECT_NEAR(kept.top, shrunk.top, 1);
    EXPECT_NEAR(kept.width(), 2 * shrunk.width(), 2);
    EXPECT_NEAR(kept.height(), 2 * shrunk.height(), 2);
    // 400 and 200 design units further on are 200 and 100 pixels at the art scale of 0.5.
    EXPECT_EQ(moved.left - kept.left, 200);
    EXPECT_EQ(moved.top - kept.top, 100);
    EXPECT_EQ(moved.width(), kept.width());
    // The view and the clip rectangle are the game's again.
    EXPECT_EQ(game->view.zoom, 1.0f);
    EXPECT_EQ(game->view.x, 0.0f);
    EXPECT_TRUE(game->clip.enabled);
}

TEST_F(OutlinedText, PassesWithoutOpacityAreSkipped) {
    start(false);
    struct Case {
        TextColour outline, text;
        int passes;
    };
    const Case cases[] = {{kNone, kFaintWhite, 1}, {kFaintWhite, kNone, 4}, {kFaintWhite, kFaintWhite, 5}};
    for (const Case &c : cases) {
        clear();
        drawOutlinedText(&font, kBlock, nullptr, 0, kOutlinedTextAtPoint, 1280.0f, 768.0f, c.outline, c.text);
        const auto box = drawnBox();
        ASSERT_FALSE(box.empty()) << c.passes;
        EXPECT_NEAR(centreOf(box), afterPasses(c.passes), 3) << c.passes << " passes";
    }
}

TEST_F(OutlinedText, ABoxOutlineCoversTheSquareOfItsThicknessWithinBounds) {
    start(false);
    clear();
    drawOutlinedTextBox(&font, kBlock, 1200.0f, 1600.0f, 700.0f, 0, kNone, {}, 1);
    const auto plain = drawnBox();
    ASSERT_FALSE(plain.empty());
    struct Case {
        int thickness, passes, reach; // reach: how far the outline stands out, in pixels
    };
    const Case cases[] = {{0, 9, 1}, {-5, 9, 1}, {2, 25, 2}, {100, 33 * 33, 16}};
    for (const Case &c : cases) {
        clear();
        drawOutlinedTextBox(&font, kBlock, 1200.0f, 1600.0f, 700.0f, 0, kFaintWhite, kNone, c.thickness);
        const auto box = drawnBox();
        EXPECT_NEAR(centreOf(box), afterPasses(c.passes), 3) << "thickness " << c.thickness;
        // Offsets are design units; the compensated view draws them as pixels.
        EXPECT_EQ(box.left, plain.left - c.reach) << "thickness " << c.thickness;
        EXPECT_EQ(box.width(), plain.width() + 2 * c.reach) << "thickness " << c.thickness;
    }
}

TEST_F(OutlinedText, AMeasuredBoxIsCentredOnItsY) {
    start(false);
    clear();
    drawOutlinedTextBoxMeasured(&font, kBlock, 1200.0f, 1600.0f, 700.0f, 0, kNone, {}, 1);
    const auto box = drawnBox();
    ASSERT_FALSE(box.empty());
    clear();
    drawOutlinedTextBox(&font, kBlock, 1200.0f, 1600.0f, 700.0f, 0, kNone, {}, 1);
    const auto top = drawnBox();
    // Moved up by half the text's height (one line), so the line's middle stands at y.
    EXPECT_NEAR(top.top - box.top, font.getFontMetric() / 2, 1);
}

TEST_F(OutlinedText, APictureQueuedJustBeforeLiesUnderTheText) {
    lftest::GameArchives archives(temp);
    std::filesystem::create_directories(archives.content() / "data");
    ASSERT_EQ(lftest::runProgram({"convert", "-size", "64x64", "xc:red",
                                  "PNG32:" + (archives.content() / "data/plate.png").string()}),
              0);
    ASSERT_TRUE(archives.packAndMount(false));
    start(false);
    game->createContext();
    HoContext &context = *game->context;
    HoTexture *plate = context.getTexture("data/plate.png");
    plate->acquire(context.resources);
    clear();
    // The plate under the text's place, queued on the shared batch and not drawn yet.
    const float source[8] = {0, 0, 64, 0, 64, 64, 0, 64};
    const float destination[8] = {1250, 740, 1450, 740, 1450, 940, 1250, 940};
    context.bindBatchTexture(plate, 0);
    plate->drawBatched(source, destination);
    drawOutlinedText(&font, kBlock, &context, 0, kOutlinedTextAtPoint, 1280.0f, 768.0f, kNone, {0.0f, 1.0f, 0.0f, 1.0f});
    context.flushBatch();
    const lftest::BackBuffer pixels = lftest::readBackBuffer(game->window);
    // The text's middle (SD: design 1280 + half a glyph is about pixel 650) is green over the red plate.
    const uint8_t *text = pixels.at(652, 398);
    EXPECT_GT(text[1], 200);
    EXPECT_LT(text[0], 50);
    const uint8_t *plateOnly = pixels.at(712, 460);
    EXPECT_GT(plateOnly[0], 200);
    EXPECT_LT(plateOnly[1], 50);
}

} // namespace
