// Scene images, animated images and emitters drawn through the context's shared batch on the software
// device and read back; pictures written by ImageMagick; reference counts on shared textures.

#include "tests/game/resources/ResourcesTestSupport.h"

#include "game/scene/HoAnimatedImage.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/SceneElement.h"

namespace restest {
namespace {

constexpr uint32_t kBackground = 0xFF204060u; // red 32, green 64, blue 96

std::vector<uint32_t> solid(int w, int h, uint32_t argb) {
    return std::vector<uint32_t>(size_t(w) * h, argb);
}

QuadCorners squareAt(float x, float y, float size) {
    return {ScreenPoint{x, y}, ScreenPoint{x + size, y}, ScreenPoint{x + size, y + size}, ScreenPoint{x, y + size}};
}

// Channels of a pixel as (red, green, blue).
std::array<int, 3> rgb(uint32_t pixel) {
    return {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
}

void expectColour(uint32_t pixel, std::array<float, 3> expected, const char *what) {
    const std::array<int, 3> got = rgb(pixel);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(got[c], expected[c], 2.0f) << what << " channel " << c;
}

class Renderables : public DrawnContent {
protected:
    void SetUp() override {
        DrawnContent::SetUp();
        pools.context = &context();
        element.red.setNumber(1.0f);
        element.green.setNumber(1.0f);
        element.blue.setNumber(1.0f);
    }

    // Draws one renderable's frame on a quad over the background and reads the frame back.
    std::vector<uint32_t> drawn(HoRenderable &renderable, const FrameRect &frame, const QuadCorners &quad,
                                float opacity = 1.0f) {
        host.clear(kBackground);
        renderable.draw(element, opacity, frame, quad);
        started().flushBatch();
        return this->frame();
    }

    SceneElement element;
    RenderRecordPools pools;
};

// Eight 16 × 16 frames of different colours, four across and two down.
const uint32_t kFrameColours[8] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u,
                                   0xFF00FFFFu, 0xFFFF00FFu, 0xFFFFFFFFu, 0xFF808080u};

std::vector<uint32_t> sheetPixels() {
    std::vector<uint32_t> pixels(64 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            pixels[size_t(y) * 64 + x] = kFrameColours[(y / 16) * 4 + x / 16];
    return pixels;
}

TEST_F(Renderables, ASpriteSheetDrawsTheFrameOfItsTime) {
    writePicture("data/pictures/sheet.png", 64, 32, sheetPixels());
    started();
    HoSceneImage *image = pools.newSceneImage();
    EXPECT_EQ(image->kind, kRenderableSceneImage);
    EXPECT_EQ(image->path, nullptr);
    image->load("data/pictures/sheet.png");
    image->sheet.setFrameWidth(0.25f);
    image->sheet.setFrameHeight(0.5f);
    image->sheet.framesPerSecond = 8.0f;
    image->acquire();
    const struct {
        int32_t time, frame;
    } cases[] = {{0, 0}, {30, 2}, {50, 4}, {99, 7}, {100, 0}};
    for (const auto &c : cases) {
        const std::vector<uint32_t> pixels = drawn(*image, image->update(c.time), squareAt(40, 30, 16));
        EXPECT_EQ(at(pixels, 48, 38), kFrameColours[c.frame]) << "t = " << c.time;
        EXPECT_EQ(at(pixels, 20, 20), kBackground);
    }
    image->release();
    EXPECT_EQ(image->texture->picture, nullptr);
    const FrameRect unloaded = image->update(50);
    EXPECT_EQ(unloaded.right, 0.0f) << "an unloaded picture has no frames";
}

TEST_F(Renderables, TintOpacityAndBlendModes) {
    writePicture("data/pictures/white.png", 8, 8, solid(8, 8, 0xFFFFFFFFu));
    writePicture("data/pictures/half.png", 8, 8, solid(8, 8, 0x80C86432u)); // 200, 100, 50 at alpha 128
    started();
    HoSceneImage *white = pools.newSceneImage();
    white->load("data/pictures/white.png");
    white->acquire();
    element.green.setNumber(0.5f);
    element.blue.setNumber(0.25f);
    expectColour(at(drawn(*white, white->update(0), squareAt(10, 10, 8), 0.5f), 14, 14), {143.5f, 95.5f, 79.5f},
                 "tint times opacity");
    white->release();

    element.green.setNumber(1.0f);
    element.blue.setNumber(1.0f);
    HoSceneImage *half = pools.newSceneImage();
    half->load("data/pictures/half.png");
    half->acquire();
    const struct {
        uint8_t mode;
        std::array<float, 3> expected;
    } modes[] = {
        {kBlendNormal, {116.3f, 82.1f, 72.9f}},  // source × a + background × (1 − a)
        {kBlendErase, {15.9f, 31.9f, 47.8f}},    // background × (1 − a)
        {kBlendAdditive, {132.4f, 114.2f, 121.1f}}, // source × a + background
    };
    for (const auto &m : modes) {
        half->blendMode = m.mode;
        expectColour(at(drawn(*half, half->update(0), squareAt(10, 10, 8)), 14, 14), m.expected, "blend");
    }
    half->release();
}

TEST_F(Renderables, TheHighlightShowsAsStronglyAsTheElementIsHighlighted) {
    writePicture("data/pictures/door.png", 8, 8, solid(8, 8, 0xFF000000u));
    writePicture("data/pictures/door_h.png", 8, 8, solid(8, 8, 0xFFFFFFFFu));
    writePicture("data/pictures/plain.png", 8, 8, solid(8, 8, 0xFF000000u));
    started();
    HoSceneImage *door = pools.newSceneImage();
    door->load("data/pictures/door.png");
    ASSERT_NE(door->highlightTexture, nullptr);
    EXPECT_STREQ(door->highlightTexture->name, "data/pictures/door_h.png");
    door->acquire();
    for (float highlight : {0.0f, 0.5f, 1.0f}) {
        element.highlight = highlight;
        expectColour(at(drawn(*door, door->update(0), squareAt(10, 10, 8), 0.8f), 14, 14),
                     {(32.0f * 0.2f) * (1.0f - highlight * 0.8f) + 255.0f * highlight * 0.8f,
                      (64.0f * 0.2f) * (1.0f - highlight * 0.8f) + 255.0f * highlight * 0.8f,
                      (96.0f * 0.2f) * (1.0f - highlight * 0.8f) + 255.0f * highlight * 0.8f},
                     "highlight");
    }
    door->release();
    // A missing highlight picture never shows; a path without an extension has none.
    HoSceneImage *plain = pools.newSceneImage();
    plain->load("data/pictures/plain.png");
    plain->acquire();
    element.highlight = 1.0f;
    expectColour(at(drawn(*plain, plain->update(0), squareAt(10, 10, 8)), 14, 14), {0, 0, 0}, "no highlight");
    plain->release();
    HoSceneImage *icon = pools.newSceneImage();
    icon->load("icons/key");
    EXPECT_EQ(icon->highlightTexture, nullptr);
    // A missing picture draws nothing.
    icon->acquire();
    EXPECT_EQ(at(drawn(*icon, icon->update(0), squareAt(10, 10, 8)), 14, 14), kBackground);
    icon->release();
}

TEST_F(Renderables, SharedTexturesAreCountedAndListed) {
    writePicture("data/pictures/door.png", 8, 8, solid(8, 8, 0xFFFF0000u));
    started();
    HoSceneImage *a = pools.newSceneImage();
    HoSceneImage *b = pools.newSceneImage();
    a->load("data/pictures/door.png");
    b->load("data/pictures/door.png");
    ASSERT_EQ(a->texture, b->texture);
    a->acquire();
    KGraphic *loaded = a->texture->picture;
    ASSERT_NE(loaded, nullptr);
    b->acquire();
    EXPECT_EQ(a->texture->useCount, 2);
    EXPECT_EQ(a->texture->picture, loaded) << "loaded once";
    a->release();
    EXPECT_EQ(b->texture->picture, loaded);
    b->release();
    EXPECT_EQ(b->texture->picture, nullptr);
    EXPECT_EQ(b->texture->width, 0.0f);

    PtrArray<const char> names;
    a->collectTextures(names, true);
    b->collectTextures(names, true);
    ASSERT_EQ(names.count(), 2);
    EXPECT_STREQ(names[0], "data/pictures/door.png");
    EXPECT_STREQ(names[1], "data/pictures/door_h.png");
    b->collectTextures(names, false);
    EXPECT_EQ(names.count(), 4);
}

TEST_F(Renderables, AnAnimatedImageShowsItsCycle) {
    write("data/scenes/hall/door.anim", "Duration=2\r\ndoor_xx.png=1:2\r\nglow.png=x3\r\n");
    writePicture("data/scenes/hall/door_01.png", 8, 8, solid(8, 8, 0xFFFF0000u));
    writePicture("data/scenes/hall/door_02.png", 8, 8, solid(8, 8, 0xFF00FF00u));
    writePicture("data/scenes/hall/glow.png", 8, 8, solid(8, 8, 0xFF0000FFu));
    started();
    HoAnimatedImage *anim = pools.newAnimatedImage();
    EXPECT_EQ(anim->kind, kRenderableAnimatedImage);
    EXPECT_EQ(anim->frames.count(), 0);
    anim->load("door.anim", "data/scenes/hall");
    ASSERT_EQ(anim->frames.count(), 5);
    EXPECT_EQ(anim->frames[2], anim->frames[4]);
    anim->acquire();
    EXPECT_EQ(anim->frames[2]->useCount, 3) << "a texture listed three times is held three times";
    const uint32_t expected[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF0000FFu, 0xFF0000FFu};
    for (int32_t time : {0, 40, 80, 199, -60}) {
        const FrameRect frame = anim->update(time);
        EXPECT_EQ(frame.right, 8.0f);
        EXPECT_EQ(at(drawn(*anim, frame, squareAt(10, 10, 8)), 14, 14), expected[anim->currentFrame]) << time;
    }
    PtrArray<const char> names;
    anim->collectTextures(names, true);
    EXPECT_EQ(names.count(), 5) << "every entry, without a uniqueness test";
    anim->release();
    EXPECT_EQ(anim->frames[2]->useCount, 0);
    EXPECT_EQ(anim->frames[2]->picture, nullptr);

}

TEST_F(Renderables, ABrokenAnimationSaysSoOnceAndShowsNothing) {
    std::vector<std::string> messages;
    started().messageHook = {[](const char *text, void *list) {
                                 static_cast<std::vector<std::string> *>(list)->push_back(text);
                             },
                             &messages};
    write("data/scenes/hall/door.anim", "door.png=1:3\n");
    HoAnimatedImage *noMarker = pools.newAnimatedImage();
    noMarker->load("door.anim", "data/scenes/hall");
    EXPECT_EQ(noMarker->frames.count(), 0);
    // A missing file leaves an empty cycle too.
    HoAnimatedImage *missing = pools.newAnimatedImage();
    missing->load("gone.anim", "data/scenes/hall");
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(missing->update(40 * frame).right, 0.0f);
        EXPECT_EQ(missing->getTexture(), nullptr);
        EXPECT_EQ(at(drawn(*missing, missing->update(40), squareAt(10, 10, 8)), 14, 14), kBackground);
    }
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "ERROR FOR AIMATION DEFINITION IN data/scenes/hall/door.anim: Texture name must have "
                            "defined xx substring.",
                            "Error i anim file: gone.anim"}));
}

TEST_F(Renderables, AnEmitterDrawsItsParticleWhereItIs) {
    writePicture("data/pictures/white.png", 4, 4, solid(4, 4, 0xFFFFFFFFu));
    started();
    HoSceneImage *white = pools.newSceneImage();
    white->load("data/pictures/white.png");
    white->acquire();
    HoParticleSystem system;
    // One red particle, born at the emitter's centre, 20 × 10, turned 90 degrees, fully opaque.
    system.read("H 1\nS 0\nT 0\nV 0\nW 0\nX 20\nY 10\nN 90\nR 255\nG 0\nB 0\nA 255\nF 0 0\nL 10\nE 0\nZ 1\n");
    SceneElement definition;
    definition.particleSystem = &system;
    definition.renderable = white;
    element.absX.setNumber(60.0f);
    element.absY.setNumber(40.0f);
    ParticleEmitter *emitter = pools.acquireEmitter();
    emitter->init(&definition, false, nullptr, &element, 0.0f, 0.0f);
    emitter->update(kEmitterNormal);
    ASSERT_EQ(emitter->particles.count(), 1);
    host.clear(kBackground);
    emitter->draw(1.0f);
    const std::vector<uint32_t> pixels = frame();
    EXPECT_EQ(at(pixels, 60, 40), 0xFFFF0000u);
    EXPECT_EQ(at(pixels, 60, 47), 0xFFFF0000u) << "turned: 20 pixels tall";
    EXPECT_EQ(at(pixels, 63, 40), 0xFFFF0000u);
    EXPECT_EQ(at(pixels, 67, 40), kBackground) << "turned: 10 pixels wide";
    EXPECT_EQ(at(pixels, 60, 53), kBackground);
    pools.recycleEmitter(emitter);
    white->release();
}

} // namespace
} // namespace restest
