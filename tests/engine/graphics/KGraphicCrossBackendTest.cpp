// One scene of pictures, batches and targets drawn through the picture and batch interfaces on Direct3D 9
// (the reference) and on OpenGL, compared pixel by pixel: exactly for point-filtered 1:1 draws, flips,
// quarter turns and flat fills, within 2 per channel where filtered or blended; and the view transform
// with an offset, a turn and a zoom puts a marker at the same place on both.
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

void drawMarker() {
    std::unique_ptr<KGraphic> marker(createKGraphic());
    marker->fillRect(70, 40, 78, 44, 1, 0, 0, 1);
}

class CrossBackend : public ::testing::Test {
protected:
    picturetest::TestRenderWindow reference{kWidth, kHeight};
    gltest::TestSetupGL opengl;

    void SetUp() override {
        deviceHooksReset();
        deviceHooksSetThreadCount(1);
        ASSERT_TRUE(reference.create());
        ASSERT_TRUE(gltest::startSetup(opengl, kWidth, kHeight));
    }
    void TearDown() override {
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
    std::vector<uint32_t> onOpenGL(const std::function<void()> &draw) {
        setRendererType(1);
        opengl.clear();
        draw();
        return gltest::readBack(kWidth, kHeight);
    }
};

} // namespace

TEST_F(CrossBackend, TheSceneMatchesTheReferencePixelByPixel) {
    std::vector<uint32_t> expected = onDirect3D9(drawScene), actual = onOpenGL(drawScene);
    for (const Region &region : kRegions)
        for (int y = region.y; y < region.y + region.h; ++y)
            for (int x = region.x; x < region.x + region.w; ++x) {
                uint32_t want = expected[(size_t)y * kWidth + x] & 0xFFFFFF;
                uint32_t got = actual[(size_t)y * kWidth + x] & 0xFFFFFF;
                ASSERT_LE(channelDistance(want, got), region.tolerance)
                    << region.name << " at " << x << "," << y << std::hex << ": " << want << " vs " << got;
            }
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
        EXPECT_NEAR(actual.first, expected.first, 0.5) << view.x << " " << view.y << " " << view.angle;
        EXPECT_NEAR(actual.second, expected.second, 0.5) << view.x << " " << view.y << " " << view.angle;
    }
}
