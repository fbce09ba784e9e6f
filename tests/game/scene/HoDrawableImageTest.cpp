// The erasable picture in a headless game: the copy of an element's picture read back from the device,
// the brush, the alpha sum, the commands that drive it, and what the scene draw shows of it.

#include <cmath>

#include "game/scene/HoDrawableImage.h"
#include "game/scene/HoSceneImage.h"
#include "platform/DeviceHooks.h"
#include "tests/game/scene/SceneDrawSupport.h"

namespace {

constexpr uint32_t kOpaqueRed = 0xFFFF0000u, kOpaqueBlue = 0xFF0000FFu;

class ErasablePictureTest : public scenedraw::SceneDrawTest {
protected:
    // A started scene with one element "glass" of the picture at (400, 400), its drawn size in design
    // units, and a script whose events run the commands.
    HoScene *glassScene(const std::string &picture, float w, float h) {
        const std::string script = "on make {\n  draw_init glass\n}\n"
                                   "on total {\n  draw_total_alpha #left glass\n}\n"
                                   "on restore {\n  draw_restore glass\n}\n";
        return startedScene("hall", solid("glass", picture, 400, 400, w, h), script);
    }
    void run(HoScene *scene, const char *event) {
        signal(scene, event);
        step();
    }
    static HoDrawableImage *erasableOf(HoScene *scene) {
        SceneElement *glass = scene->findElement("glass");
        return glass && glass->renderable && glass->renderable->kind == kRenderableDrawableImage
                   ? static_cast<HoDrawableImage *>(glass->renderable)
                   : nullptr;
    }
    // The sum of the alpha bytes of the pixels, counted again.
    static int64_t countedAlpha(const HoDrawableImage &image) {
        int64_t sum = 0;
        for (size_t i = 0; i < size_t(image.pixelWidth) * size_t(image.pixelHeight); ++i)
            sum += image.pixels[i] >> 24;
        return sum;
    }
    static uint32_t alphaAt(const HoDrawableImage &image, int x, int y) {
        return image.pixels[size_t(y) * size_t(image.pixelWidth) + size_t(x)] >> 24;
    }
    // An opaque red glass of the size in pixels, shown at the drawn size in design units, made erasable.
    HoDrawableImage *erasableGlass(int w, int h, float drawnWidth, float drawnHeight) {
        writeSolid("data/scenes/hall/glass.png", w, h, kOpaqueRed);
        HoScene *hall = glassScene("glass.png", drawnWidth, drawnHeight);
        run(hall, "make");
        HoDrawableImage *image = erasableOf(hall);
        EXPECT_NE(image, nullptr);
        return image;
    }
    HoDrawableImage *freshGlass() { return erasableGlass(64, 64, 64, 64); }
};

TEST_F(ErasablePictureTest, TheCopyKeepsEveryPixelAsItIsAndTheAlphaSumCountsThem) {
    const uint32_t alphas[] = {0, 1, 64, 128, 192, 255};
    std::vector<uint32_t> source(12 * 6);
    int64_t expectedSum = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        const uint32_t alpha = alphas[i % 6];
        source[i] = alpha << 24 | uint32_t(i * 20 % 256) << 16 | uint32_t(i * 7 % 256) << 8 | uint32_t(255 - i);
        expectedSum += alpha;
    }
    writePicture("data/scenes/hall/glass.png", 12, 6, source);
    HoScene *hall = glassScene("glass.png", 120, 60);
    SceneElement *glass = hall->findElement("glass");
    HoRenderable *own = glass->renderable;
    variableSlot(hall, "#left")->setNumber(-1.0f);
    run(hall, "total");
    EXPECT_EQ(variableSlot(hall, "#left")->number, -1.0f) << "no erasable picture shown: the variable stays";

    run(hall, "make");
    HoDrawableImage *image = erasableOf(hall);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(glass->savedRenderable, own);
    EXPECT_EQ(glass->erasable, image);
    EXPECT_EQ(glass->scriptTouched, 1);
    ASSERT_EQ(image->pixelWidth, 12);
    ASSERT_EQ(image->pixelHeight, 6);
    EXPECT_EQ(std::vector<uint32_t>(image->pixels.get(), image->pixels.get() + source.size()), source);
    EXPECT_EQ(image->alphaSum, expectedSum);
    run(hall, "total");
    EXPECT_EQ(variableSlot(hall, "#left")->number, float(expectedSum));
}

// Radius 10 at the middle of a 64 x 64 picture shown at its own size: one design unit per pixel.
TEST_F(ErasablePictureTest, TheBrushTakesItsStrengthInsideTheInnerCircleAndLessTowardTheRim) {
    struct Case {
        const char *what;
        float x, y, radius, strength, hardness;
        int probeX, probeY;
        uint32_t alphaLeft;
    };
    const Case cases[] = {
        {"hard brush, inside", 32, 32, 10, 255, 1, 32 + 9, 32, 0},
        {"hard brush, outside", 32, 32, 10, 255, 1, 32 + 11, 32, 255},
        {"soft brush, middle", 32, 32, 10, 255, 0, 32, 32, 0},
        {"soft brush, half way", 32, 32, 10, 255, 0, 32 + 5, 32, 255 - 127},
        {"half hard, inside the inner circle", 32, 32, 10, 255, 0.5f, 32 + 4, 32, 0},
        {"half strength", 32, 32, 10, 127.5f, 1, 32, 32, 128},
        {"radius 0", 32, 32, 0, 255, 1, 32, 32, 255},
        {"strength below 0 takes all", 32, 32, 3, -5, 1, 32, 32, 0},
        {"strength above 255 takes all", 32, 32, 3, 300, 1, 32, 32, 0},
        {"hardness outside 0..1 is hard", 32, 32, 10, 255, 2, 32 + 9, 32, 0},
        {"negative hardness is hard", 32, 32, 10, 255, -1, 32 + 9, 32, 0},
        {"partly outside the picture", 0, 0, 5, 255, 1, 3, 3, 0},
        {"not-a-number radius", 32, 32, NAN, 255, 1, 32, 32, 255},
        {"negative radius", 32, 32, -4, 255, 1, 32, 32, 255},
        {"a radius of 1e9 takes everything", 32, 32, 1e9f, 255, 1, 63, 0, 0},
    };
    HoDrawableImage *image = freshGlass();
    ASSERT_NE(image, nullptr);
    for (const Case &c : cases) {
        std::fill(image->pixels.get(), image->pixels.get() + 64 * 64, kOpaqueRed);
        image->alphaSum = 64 * 64 * 255;
        image->erase(c.x, c.y, c.radius, c.strength, c.hardness);
        EXPECT_EQ(alphaAt(*image, c.probeX, c.probeY), c.alphaLeft) << c.what;
        EXPECT_EQ(image->alphaSum, countedAlpha(*image)) << c.what;
    }
}

TEST_F(ErasablePictureTest, CommandsReadTheirDefaultsAndAZeroDrawnSizeChangesNothing) {
    writeSolid("data/scenes/hall/glass.png", 64, 64, kOpaqueRed);
    const std::string script = "on make {\n  draw_init glass\n}\non rub {\n  draw_eraser glass 32 32 8\n}\n"
                               "on all {\n  draw_eraser glass 32 32 1000 1 0.5\n  draw_total_alpha #left glass\n}\n"
                               "on text {\n  draw_eraser glass ~a ~b ~c\n}\n";
    HoScene *hall = startedScene("hall", solid("glass", "glass.png", 400, 400, 64, 64), script);
    run(hall, "make");
    HoDrawableImage *image = erasableOf(hall);
    ASSERT_NE(image, nullptr);
    run(hall, "text"); // texts read as the defaults: a brush of radius 0
    EXPECT_EQ(image->alphaSum, 64 * 64 * 255);
    run(hall, "rub");
    EXPECT_EQ(alphaAt(*image, 32, 32), 0u);
    EXPECT_EQ(alphaAt(*image, 32 + 7, 32), 0u) << "strength 1 and hardness 1 by default";
    EXPECT_EQ(alphaAt(*image, 32 + 9, 32), 255u);

    SceneElement *glass = hall->findElement("glass");
    glass->w.setNumber(0.0f);
    const int64_t before = image->alphaSum;
    image->erase(32, 32, 8, 255, 1);
    EXPECT_EQ(image->alphaSum, before);
    glass->w.setNumber(64.0f);
    run(hall, "all");
    EXPECT_EQ(image->alphaSum, 0);
    EXPECT_EQ(variableSlot(hall, "#left")->number, 0.0f);
}

TEST_F(ErasablePictureTest, TheSceneDrawShowsTheErasedPictureAndRestoreThenInitKeepsTheErasures) {
    HoDrawableImage *image = erasableGlass(64, 64, 400, 400);
    ASSERT_NE(image, nullptr);
    HoScene *hall = image->element->scene;
    // The left half rubbed away: the element spans 200 .. 600 design units.
    image->erase(0, 200, 200, 255, 1);
    lftest::BackBuffer frame = drawn(hall);
    EXPECT_EQ(colourAt(frame, 250, 400), 0u);
    EXPECT_EQ(colourAt(frame, 550, 400), 0xFF0000u);

    run(hall, "restore");
    SceneElement *glass = hall->findElement("glass");
    EXPECT_EQ(glass->renderable->kind, kRenderableSceneImage);
    EXPECT_EQ(glass->savedRenderable, nullptr);
    EXPECT_EQ(colourAt(drawn(hall), 250, 400), 0xFF0000u);

    run(hall, "make");
    ASSERT_EQ(erasableOf(hall), image);
    frame = drawn(hall);
    EXPECT_EQ(colourAt(frame, 250, 400), 0u) << "the erasures made before the restore stay";
    EXPECT_EQ(colourAt(frame, 550, 400), 0xFF0000u);
}

TEST_F(ErasablePictureTest, ThePixelsOutliveThePictureAndALostDevice) {
    HoDrawableImage *image = freshGlass();
    ASSERT_NE(image, nullptr);
    image->erase(0, 0, 32, 255, 1);
    EXPECT_EQ(colourAt(drawn(image->element->scene), 400 + 20, 400 + 20), 0xFF0000u);
    const int64_t left = image->alphaSum;
    image->release();
    EXPECT_EQ(image->picture, nullptr);
    image->acquire();
    ASSERT_NE(image->picture, nullptr);
    EXPECT_EQ(image->alphaSum, left);

    deviceHooksLoseDevice(1);
    for (int i = 0; i < 3; ++i)
        game.window->flipBackBuffer(true);
    const lftest::BackBuffer frame = drawn(image->element->scene);
    EXPECT_EQ(colourAt(frame, 400 - 20, 400 - 20), 0u);
    EXPECT_EQ(colourAt(frame, 400 + 20, 400 + 20), 0xFF0000u);
}

TEST_F(ErasablePictureTest, AnAnimatedImageGivesItsCurrentFrameWhole) {
    writeSolid("data/scenes/hall/red.png", 4, 4, kOpaqueRed);
    writeSolid("data/scenes/hall/green.png", 8, 6, 0xFF00FF00u);
    write("data/scenes/hall/crab.anim", "Duration=2\nred.png\ngreen.png\n");
    HoScene *hall = startedScene("hall", solid("crab:crab.anim", "crab.anim", 400, 400, 64, 64),
                                 "on make {\n  draw_init crab\n}\n");
    SceneElement *crab = hall->findElement("crab");
    ASSERT_EQ(crab->renderable->kind, kRenderableAnimatedImage);
    crab->renderable->update(150); // the second second: the second frame
    run(hall, "make");
    ASSERT_EQ(crab->renderable->kind, kRenderableDrawableImage);
    const auto *image = static_cast<HoDrawableImage *>(crab->renderable);
    EXPECT_EQ(image->pixelWidth, 8);
    EXPECT_EQ(image->pixelHeight, 6);
    EXPECT_EQ(image->pixels[0], 0xFF00FF00u);
    EXPECT_EQ(image->pixels[47], 0xFF00FF00u);
}

TEST_F(ErasablePictureTest, APictureOverTheLimitLeavesTheElementShowingItsOwn) {
    writeSolid("data/scenes/hall/glass.png", 4097, 4097, kOpaqueBlue);
    HoScene *hall = glassScene("glass.png", 64, 64);
    SceneElement *glass = hall->findElement("glass");
    HoRenderable *own = glass->renderable;
    run(hall, "make");
    EXPECT_EQ(glass->renderable, own);
    EXPECT_EQ(glass->savedRenderable, nullptr);
    EXPECT_EQ(colourAt(drawn(hall), 400, 400), 0x0000FFu);
}

// A device of 8 MB of texture memory: the render target for the first frame of a sheet fits, the one for
// its last frame (4,100 pixels wide) does not, and its read-back would otherwise come from the back buffer.
class SmallTextureMemory : public ErasablePictureTest {
protected:
    void SetUp() override {
        setenv("LANTERNFALL_D3D_TEXTURE_BUDGET", "8388608", 1);
        ErasablePictureTest::SetUp();
    }
    void TearDown() override {
        ErasablePictureTest::TearDown();
        unsetenv("LANTERNFALL_D3D_TEXTURE_BUDGET");
        deviceHooksReset();
    }
};

TEST_F(SmallTextureMemory, ARenderTargetThatCannotBeMadeLeavesTheElementShowingItsOwn) {
    writeSolid("data/scenes/hall/strip.png", 4000, 200, kOpaqueBlue);
    const std::string script = "on near {\n  draw_init near\n}\non far {\n  draw_init far\n}\n";
    const std::string sheet = "f 1\nw 0.05\n";
    HoScene *hall = startedScene("hall", solid("near", "strip.png", 1000, 400, 64, 64) + sheet +
                                             solid("far", "strip.png", 400, 400, 64, 64) + sheet, script);
    SceneElement *far = hall->findElement("far");
    far->currentFrame = 1950.0f;
    HoRenderable *own = far->renderable;
    run(hall, "far");
    EXPECT_EQ(far->renderable, own);
    EXPECT_EQ(far->savedRenderable, nullptr);
    EXPECT_EQ(colourAt(drawn(hall), 400, 400), 0x0000FFu);
    run(hall, "near");
    EXPECT_EQ(hall->findElement("near")->renderable->kind, kRenderableDrawableImage);
}

TEST_F(ErasablePictureTest, TheAlphaSumOfTheLargestPictureNeedsMoreThan32Bits) {
    HoDrawableImage *image = erasableGlass(4096, 4096, 64, 64);
    ASSERT_NE(image, nullptr);
    HoScene *hall = image->element->scene;
    EXPECT_EQ(image->alphaSum, int64_t(4096) * 4096 * 255);
    EXPECT_EQ(image->channelSums[2], int64_t(4096) * 4096 * 255) << "red is the third byte";
    run(hall, "total");
    EXPECT_EQ(variableSlot(hall, "#left")->number, 4278190080.0f);
}

} // namespace
