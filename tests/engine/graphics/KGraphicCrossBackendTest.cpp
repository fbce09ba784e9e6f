// One scene of pictures, batches and targets drawn through the picture and batch interfaces on Direct3D 9
// (the reference), on Direct3D 8 and on OpenGL, compared pixel by pixel: OpenGL exactly for point-filtered
// 1:1 draws, flips, quarter turns and flat fills, within 2 per channel where filtered or blended; Direct3D 8,
// which shares the reference's rasteriser and geometry, exactly everywhere, on a scene of every draw too;
// and the view transform with an offset, a turn and a zoom puts a marker at the same place on all three.
#include "tests/support/KGraphicD3D8TestSupport.h"
#include "tests/support/KGraphicGLTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"

#include <functional>

using picturetest::channelDistance;
using picturetest::patternPixels;

namespace {

constexpr int kWidth = 128, kHeight = 96;

struct Region {
    const char *name;
    int x, y, w, h, tolerance;
};

// Exact regions first, then the filtered and blended ones.
const Region kRegions[] = {
    {"1:1", 2, 2, 16, 8, 0},          {"flip x", 20, 2, 16, 8, 0},      {"flip y", 40, 2, 16, 8, 0},
    {"quarter turn", 62, 0, 12, 16, 0}, {"flat fill", 80, 2, 10, 10, 0}, {"blended", 2, 30, 16, 16, 2},
    {"scaled turned", 24, 24, 36, 36, 2}, {"additive batch", 64, 30, 24, 12, 2}, {"target", 92, 40, 32, 32, 2},
};

std::unique_ptr<KGraphic> pictureOf(const std::vector<uint32_t> &pixels, int w, int h, bool alpha) {
    std::unique_ptr<KGraphic> picture(createKGraphic());
    EXPECT_TRUE(picture->createFromPixels(pixels.data(), w, h, true, alpha));
    return picture;
}

// The scene, through the interfaces only, on whichever renderer the factories make now.
void drawScene() {
    std::vector<uint32_t> opaque = patternPixels(16, 8), translucent = patternPixels(16, 16, false);
    auto picture = pictureOf(opaque, 16, 8, false);
    picture->drawImageRect(0, 0, 16, 8, 2, 2, false, false);
    picture->drawImageRect(0, 0, 16, 8, 20, 2, true, false);
    picture->drawImageRectF(0, 0, 16, 8, 40, 2, false, true);
    picture->drawImageRectTransformed(0, 0, 16, 8, 60, 4, 90, 1, false, false, 0, 0);
    picture->fillRect(80, 2, 90, 12, 0.2f, 0.4f, 1.0f, 1.0f);

    auto layer = pictureOf(translucent, 16, 16, true);
    layer->drawImageRectBlended(0, 0, 16, 16, 2, 30, false, false);
    layer->setSmoothFiltering(true);
    layer->setTintColor(1, 0.8f, 0.6f, 1);
    layer->drawImageRectBlendedTransformed(0, 0, 16, 16, 34, 34, 30, 1.5f, 0.7f, false, false, 0, 0);

    std::unique_ptr<KBatch> particles(createKBatch());
    ASSERT_TRUE(particles->allocateQuads(8));
    layer->setSmoothFiltering(false);
    layer->setTintColor(1, 1, 1, 1);
    layer->setBlendPreset(0);
    particles->startBatch(layer.get());
    for (int i = 0; i < 3; ++i)
        particles->addImageRectTransformed(0, 0, 16, 16, 64 + i * 4, 30 - i * 2, 0, 1, 1.0f, false, false, 0, 0);
    particles->flushBatch();

    std::unique_ptr<KGraphic> target(createKGraphic());
    ASSERT_TRUE(target->createRenderTarget(32, 32, true, true, false));
    target->beginRenderToTarget();
    target->fillRect(0, 0, 32, 32, 0.5f, 0.25f, 0.0f, 1.0f);
    picture->drawImageRect(0, 0, 16, 8, 4, 20, false, false);
    target->endRenderToTarget();
    target->drawImageRectBlended(0, 0, 32, 32, 92, 40, false, false);
}

// The centre of the marker's pixels (pure red) in a frame.
std::pair<double, double> markerCentre(const std::vector<uint32_t> &pixels) {
    double sumX = 0, sumY = 0;
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if ((pixels[(size_t)y * kWidth + x] & 0xFFFFFF) == 0xFF0000) {
                sumX += x, sumY += y;
                ++count;
            }
    EXPECT_GT(count, 0);
    return {count ? sumX / count : -1, count ? sumY / count : -1};
}

// Every draw, batch kind and a target, for the two Direct3D backends, which share one rasteriser and give the
// same geometry.
void drawEveryDraw() {
    auto picture = [](const std::vector<uint32_t> &pixels, int w, int h, bool alpha) {
        std::unique_ptr<KGraphic> made(createKGraphic());
        EXPECT_TRUE(made->createFromPixels(pixels.data(), w, h, true, alpha));
        return made;
    };
    auto sprite = picture(patternPixels(20, 12, false), 20, 12, true);
    auto tile = picture(patternPixels(16, 16), 16, 16, false);
    std::vector<uint32_t> maskPixels(8 * 8);
    for (size_t i = 0; i < maskPixels.size(); ++i)
        maskPixels[i] = (uint32_t)(i * 4) << 24 | 0xFFFFFFu;
    auto mask = picture(maskPixels, 8, 8, true);

    tile->drawImageRect(0, 0, 16, 16, 2, 2, false, false);
    tile->drawImageRectF(2, 3, 14, 13, 20.25f, 2, true, false);
    sprite->drawImageRectBlended(0, 0, 20, 12, 40, 2, false, true);
    sprite->drawImageRectBlendedF(0, 0, 20, 12, 62.5f, 2.5f, true, true);
    tile->drawImageRectTransformed(0, 0, 16, 16, 90, 4, 90, 1, false, false, 0, 0);
    tile->setSmoothFiltering(true);
    tile->drawImageRectTransformedF(0, 0, 16, 16, 4, 24, 30, 1.5f, false, true, 2, -3);
    sprite->drawImageRectBlendedTransformed(0, 0, 20, 12, 40, 30, -45, 0.75f, 0.5f, true, false, 0, 0);
    sprite->setTintColor(1, 0.5f, 0.25f, 0.8f);
    sprite->drawImageRectBlendedTransformedF(0, 0, 20, 12, 70, 30, 200, 2, 0.9f, false, false, -4, 1);
    sprite->drawImageRectStretched(0, 0, 20, 12, 96, 20, 126, 44, 0.7f, 15, false, false, 3, 2);
    tile->drawImageToQuad(0, 0, 16, 0, 16, 16, 0, 16, 4, 50, 26, 52, 24, 70, 2, 66);
    sprite->drawImageRectMasked(0, 0, 20, 12, mask.get(), 0, 0, 8, 8, 30, 50, 50, 62, false, true);
    for (int preset = 0; preset < 6; ++preset) {
        sprite->setBlendPreset(preset);
        sprite->drawImageRectBlended(0, 0, 20, 12, (int16_t)(56 + preset * 12), 48, false, false);
    }
    sprite->setBlendPreset(1);
    tile->fillRect(100, 2, 110, 12, 1, 0, 0.5f, 0.75f);
    tile->fillQuad(112, 2, 126, 4, 124, 16, 110, 14, 0, 1, 0, 0.5f);
    tile->drawLine(2, 90, 60, 80, 1, 1, 0, 1);
    tile->drawPoint(64, 90, 0, 1, 1, 1);

    std::unique_ptr<KBatch> lit(createKBatch());
    ASSERT_TRUE(lit->allocateQuads(16));
    lit->startBatch(sprite.get());
    lit->addImageRect(0, 0, 20, 12, 4, 72, false, true);
    lit->addImageRectTransformed(0, 0, 20, 12, 30, 72, 45, 0.8f, 0.6f, true, false, 1, 1);
    lit->addImageRectScaled(0, 0, 20, 12, 54, 70, 1.3f, 1, 0, 0);
    const float source[8] = {0, 0, 20, 0, 20, 12, 0, 12};
    const float destination[8] = {80, 70, 100, 72, 98, 86, 78, 84};
    lit->addImageToQuad(source, destination);
    lit->addTriangle(104, 70, 124, 72, 110, 90, 0.2f, 0.4f, 0.6f, 0.8f);
    lit->addFilledRect(100, 88, 126, 94, 1, 1, 1, 0.3f);
    lit->flushBatch();

    std::unique_ptr<KBatch> screen(createKBatch());
    ASSERT_TRUE(screen->allocateVertices(12, 0));
    screen->startBatch(tile.get());
    screen->addImageRect(0, 0, 16, 16, 108, 50, true, false);
    const float triangleSource[6] = {0, 0, 16, 0, 0, 16};
    const float corners[15] = {84, 40, 0.5f, 2, 0.5f, 100, 40, 0.5f, 2, 1, 84, 56, 0.5f, 2, 0.25f};
    screen->addShadedPerspectiveTriangle(triangleSource, corners);
    screen->flushBatch();

    std::unique_ptr<KGraphic> canvas(createKGraphic());
    ASSERT_TRUE(canvas->createRenderTarget(40, 30, true, true, false));
    canvas->beginRenderToTarget();
    tile->drawImageRectTransformed(0, 0, 16, 16, 10, 6, 60, 1, false, false, 0, 0);
    sprite->drawImageRectBlended(0, 0, 20, 12, 18, 16, false, false);
    canvas->endRenderToTarget();
    canvas->drawImageRectBlended(0, 0, 40, 30, 64, 60, false, false);
}

void drawMarker() {
    std::unique_ptr<KGraphic> marker(createKGraphic());
    marker->fillRect(70, 40, 78, 44, 1, 0, 0, 1);
}

class CrossBackend : public ::testing::Test {
protected:
    picturetest::TestRenderWindow reference{kWidth, kHeight};
    gltest::TestSetupGL opengl;
    KRendererSetupD3D8 direct3D8;

    void SetUp() override {
        deviceHooksReset();
        deviceHooksSetThreadCount(1);
        ASSERT_TRUE(reference.create());
        ASSERT_TRUE(gltest::startSetup(opengl, kWidth, kHeight));
        KRendererSetupD3D8::Options options;
        options.designWidth = kWidth;
        options.designHeight = kHeight;
        ASSERT_TRUE(direct3D8.create(options));
    }
    void TearDown() override {
        direct3D8.destroy();
        opengl.destroy();
        reference.destroy();
        setRendererType(-1);
    }

    std::vector<uint32_t> onDirect3D9(const std::function<void()> &draw) {
        setRendererType(3);
        reference.clear(0xFF000000u);
        draw();
        return reference.readSurface(nullptr);
    }
    std::vector<uint32_t> onDirect3D8(const std::function<void()> &draw) {
        setRendererType(0);
        direct3D8.getDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        draw();
        std::unique_ptr<KGraphic> reader(createKGraphic());
        std::vector<uint32_t> pixels((size_t)kWidth * kHeight);
        EXPECT_TRUE(reader->readTargetPixels(0, 0, kWidth, kHeight, pixels.data()));
        return pixels;
    }
    std::vector<uint32_t> onOpenGL(const std::function<void()> &draw) {
        setRendererType(1);
        opengl.clear();
        draw();
        return gltest::readBack(kWidth, kHeight);
    }
};

} // namespace

// The pixels where two frames differ.
int differingPixels(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b) {
    int differing = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        differing += a[i] != b[i];
    return differing + (int)(std::max(a.size(), b.size()) - std::min(a.size(), b.size()));
}

TEST_F(CrossBackend, TheSceneMatchesTheReferencePixelByPixel) {
    std::vector<uint32_t> expected = onDirect3D9(drawScene), actual = onOpenGL(drawScene);
    EXPECT_EQ(differingPixels(onDirect3D8(drawScene), expected), 0) << "Direct3D 8 equals Direct3D 9 exactly";
    for (const Region &region : kRegions)
        for (int y = region.y; y < region.y + region.h; ++y)
            for (int x = region.x; x < region.x + region.w; ++x) {
                uint32_t want = expected[(size_t)y * kWidth + x] & 0xFFFFFF;
                uint32_t got = actual[(size_t)y * kWidth + x] & 0xFFFFFF;
                ASSERT_LE(channelDistance(want, got), region.tolerance)
                    << region.name << " at " << x << "," << y << std::hex << ": " << want << " vs " << got;
            }
}

TEST_F(CrossBackend, Direct3D8DrawsEveryDrawAsDirect3D9Does) {
    std::vector<uint32_t> expected = onDirect3D9(drawEveryDraw);
    EXPECT_EQ(differingPixels(onDirect3D8(drawEveryDraw), expected), 0);
    int drawn = 0;
    for (uint32_t pixel : expected)
        drawn += pixel != 0xFF000000u;
    EXPECT_GT(drawn, kWidth * kHeight / 3) << "the scene covers much of the frame";
}

TEST_F(CrossBackend, TheViewTransformPutsAMarkerAtTheSamePlace) {
    struct View {
        float x, y, angle, zoom;
    };
    for (const View &view : {View{10, 5, 0, 1}, View{0, 0, 90, 1}, View{-12, 6, 30, 1.5f}, View{0, 0, 0, 2}}) {
        auto withView = [&](const std::function<void(float, float, float, float)> &apply) {
            return [&, apply] {
                apply(view.x, view.y, view.angle, view.zoom);
                drawMarker();
                apply(0, 0, 0, 1);
            };
        };
        auto expected = markerCentre(onDirect3D9(withView([&](float x, float y, float a, float z) {
            reference.applyViewTransform(x, y, a, z, false);
        })));
        auto actual = markerCentre(onOpenGL(withView([&](float x, float y, float a, float z) {
            opengl.setViewTransform(x, y, a, z, false);
        })));
        auto onDirect3D8Too = markerCentre(onDirect3D8(withView([&](float x, float y, float a, float z) {
            direct3D8.setViewTransform(x, y, a, z, false);
        })));
        EXPECT_EQ(onDirect3D8Too, expected) << view.x << " " << view.y << " " << view.angle;
        EXPECT_NEAR(actual.first, expected.first, 0.5) << view.x << " " << view.y << " " << view.angle;
        EXPECT_NEAR(actual.second, expected.second, 0.5) << view.x << " " << view.y << " " << view.angle;
    }
}
