// The game window's view: markers drawn at known game positions under offset, rotation and zoom and read
// back, the clip rectangle (also clamped, reversed and empty), the clear colour, the fixed-function state,
// the matrix helpers, and the capture of the back buffer to an image and to files.

#include "tests/support/KWindowD3D9TestSupport.h"

#include <cmath>
#include <filesystem>

#include "engine/image/KImage.h"
#include "tests/support/TestSupport.h"

using namespace windowtest;

namespace {

std::string imageMagick(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv{"/usr/bin/convert"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string out;
    EXPECT_EQ(lftest::runProgram(argv, &out), 0);
    return out;
}

std::string pixelOfFile(const std::filesystem::path &file, int x, int y) {
    return imageMagick({file.string(), "-format", "%[hex:p{" + std::to_string(x) + "," + std::to_string(y) + "}]",
                        "info:"})
        .substr(0, 6);
}

D3DMATRIX transformOf(IDirect3DDevice9 *device, D3DTRANSFORMSTATETYPE state) {
    D3DMATRIX m{};
    device->GetTransform(state, &m);
    return m;
}

DWORD renderState(IDirect3DDevice9 *device, D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEADBEEF;
    device->GetRenderState(state, &value);
    return value;
}

class ViewFixture : public WindowFixture {
protected:
    // Pixels of a w × h block at (x, y) that are all of one colour.
    bool blockIs(int x, int y, int w, int h, uint32_t rgb) {
        std::vector<uint32_t> pixels = backBufferPixels();
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                if ((pixels[j * kWidth + i] & 0xFFFFFFu) != rgb)
                    return false;
        return true;
    }

    void fillWhole(DWORD color) { drawQuad(0, 0, (float)kWidth, (float)kHeight, color); }
};

} // namespace

TEST_F(ViewFixture, ResetViewMapsTheDesignAreaOntoTheGameArea) {
    window->resetViewTransform();
    clearTo(kBlack);
    drawQuad(0, 0, 4, 4, kGreen);
    drawQuad(60, 44, 64, 48, kRed);
    EXPECT_TRUE(blockIs(0, 0, 4, 4, 0x00FF00u));
    EXPECT_EQ(rgbAt(4, 4), 0u);
    EXPECT_TRUE(blockIs(60, 44, 4, 4, 0xFF0000u));
    EXPECT_EQ(rgbAt(59, 43), 0u);
}

TEST_F(ViewFixture, OffsetMovesThePictureInTheUpwardView) {
    window->setViewTransform(10, 5, 0, 1.0f, false);
    clearTo(kBlack);
    drawQuad(0, 10, 4, 14, kGreen);
    EXPECT_TRUE(blockIs(10, 5, 4, 4, 0x00FF00u)); // right by 10, up by 5
    EXPECT_EQ(rgbAt(9, 5), 0u);
    EXPECT_EQ(rgbAt(10, 9), 0u);
}

TEST_F(ViewFixture, ZoomTwoShowsTheCentreQuarter) {
    window->setViewTransform(0, 0, 0, 2.0f, false);
    clearTo(kBlack);
    drawQuad(16, 12, 20, 16, kGreen); // the top-left corner of the centre quarter
    EXPECT_TRUE(blockIs(0, 0, 7, 7, 0x00FF00u));
    EXPECT_EQ(rgbAt(7, 7), 0u);
    drawQuad(31, 23, 33, 25, kRed); // the centre stays in the centre
    EXPECT_TRUE(blockIs(29, 21, 4, 4, 0xFF0000u));
    EXPECT_EQ(rgbAt(28, 20), 0u);
}

TEST_F(ViewFixture, QuarterTurnRotatesCounterClockwiseAboutTheCentre) {
    window->setViewTransform(0, 0, 90, 1.0f, false);
    clearTo(kBlack);
    drawQuad(40, 22, 44, 26, kGreen); // right of the centre ...
    EXPECT_TRUE(blockIs(30, 13, 4, 4, 0x00FF00u)); // ... ends up above it
    EXPECT_EQ(rgbAt(42, 24), 0u);
}

TEST_F(ViewFixture, ClearFlagClearsWithTheClearColour) {
    window->setClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(window->clearColor, 0xFF0000FFu);
    window->setViewTransform(0, 0, 0, 1.0f, true);
    EXPECT_EQ(rgbAt(20, 20), 0x0000FFu);
}

TEST_F(ViewFixture, ClearColourPacksWholePartsOfEachByte) {
    window->setClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_EQ(window->clearColor, 0xFFFF7F00u);
    window->setClearColor(2.0f, -1.0f, 1e30f, NAN); // kept to the low 8 bits; never undefined
    EXPECT_EQ(window->clearColor, 0x00FE0100u);
}

TEST_F(ViewFixture, OwnViewMatrixReplacesTheView) {
    float shift[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    window->setViewMatrix(shift);
    clearTo(kBlack);
    drawQuad(0, 0, 4, 4, kGreen);
    EXPECT_TRUE(blockIs(10, 0, 4, 4, 0x00FF00u));
    EXPECT_EQ(rgbAt(9, 0), 0u);
}

TEST_F(ViewFixture, ClipRectangleCutsDrawingAndTheFlipSwitchesItOff) {
    clearTo(kBlack);
    window->setClipRect(true, 8, 8, 16, 16);
    fillWhole(kRed);
    EXPECT_TRUE(blockIs(8, 8, 8, 8, 0xFF0000u));
    EXPECT_EQ(rgbAt(7, 8), 0u);
    EXPECT_EQ(rgbAt(8, 7), 0u);
    EXPECT_EQ(rgbAt(16, 15), 0u);
    EXPECT_EQ(rgbAt(15, 16), 0u);

    window->setClipRect(false, 0, 0, 0, 0);
    EXPECT_FALSE(window->clipRectOn);
    drawQuad(0, 0, 4, 4, kGreen); // the view is back on the whole surface
    EXPECT_TRUE(blockIs(0, 0, 4, 4, 0x00FF00u));

    window->setClipRect(true, 8, 8, 16, 16);
    window->flipBackBuffer(true);
    EXPECT_FALSE(window->clipRectOn);
    D3DVIEWPORT9 viewport{};
    device()->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, (DWORD)kWidth);
    EXPECT_EQ(viewport.Height, (DWORD)kHeight);
}

TEST_F(ViewFixture, ClipRectanglePartlyOutsideIsClamped) {
    clearTo(kBlack);
    window->setClipRect(true, -10, -10, 4, 1000);
    EXPECT_FLOAT_EQ(window->clipRect[0], 0.0f);
    EXPECT_FLOAT_EQ(window->clipRect[1], 0.0f);
    EXPECT_FLOAT_EQ(window->clipRect[3], (float)kHeight);
    fillWhole(kRed);
    EXPECT_TRUE(blockIs(0, 0, 4, kHeight, 0xFF0000u));
    EXPECT_EQ(rgbAt(4, 20), 0u);
}

TEST_F(ViewFixture, EmptyOrReversedClipRectangleShowsNothing) {
    const float rectangles[][4] = {{16, 16, 8, 8}, {8, 8, 8, 20}, {8, 30, 20, 10}};
    for (const auto &r : rectangles) {
        clearTo(kBlack);
        window->setClipRect(true, r[0], r[1], r[2], r[3]);
        fillWhole(kRed);
        EXPECT_TRUE(blockIs(0, 0, kWidth, kHeight, 0u)) << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
        window->setClipRect(false, 0, 0, 0, 0);
        fillWhole(kGreen);
        EXPECT_EQ(rgbAt(20, 20), 0x00FF00u); // switching it off brings drawing back
    }
}

TEST_F(ViewFixture, ClipRectangleIsIgnoredWhileTheDeviceIsLost) {
    window->deviceLost = true;
    window->setClipRect(true, 8, 8, 16, 16);
    EXPECT_FALSE(window->clipRectOn);
    window->deviceLost = false;
}

TEST_F(ViewFixture, FixedFunctionStateRoundTrip) {
    IDirect3DDevice9 *d = device();
    window->setDepthMode(false, true, 1);
    EXPECT_EQ(renderState(d, D3DRS_ZENABLE), (DWORD)TRUE);
    EXPECT_EQ(renderState(d, D3DRS_ZWRITEENABLE), (DWORD)TRUE);
    EXPECT_EQ(renderState(d, D3DRS_CULLMODE), (DWORD)D3DCULL_CW);
    window->setDepthMode(false, false, 2);
    EXPECT_EQ(renderState(d, D3DRS_CULLMODE), (DWORD)D3DCULL_CCW);
    window->setDepthMode(false, false, 7);
    EXPECT_EQ(renderState(d, D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);

    float m[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0, 5, 6, 0, 1};
    window->setTransformMatrix(0, m); // the projection gets the half-pixel shift in front
    D3DMATRIX projection = transformOf(d, D3DTS_PROJECTION);
    EXPECT_FLOAT_EQ(projection._11, 2.0f);
    EXPECT_FLOAT_EQ(projection._41, -0.5f * 2 + 5);
    EXPECT_FLOAT_EQ(projection._42, 0.5f * 3 + 6);
    window->setTransformMatrix(1, m);
    EXPECT_FLOAT_EQ(transformOf(d, D3DTS_VIEW)._41, 5.0f);
    window->setTransformMatrix(2, m);
    EXPECT_FLOAT_EQ(transformOf(d, D3DTS_WORLD)._42, 6.0f);
    D3DMATRIX before = transformOf(d, D3DTS_VIEW);
    window->setTransformMatrix(3, m);
    window->setTransformMatrix(-1, m);
    D3DMATRIX after = transformOf(d, D3DTS_VIEW);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);

    window->setAmbientLight(1.0f, 0.5f, 0.25f, 1.0f);
    EXPECT_EQ(renderState(d, D3DRS_LIGHTING), (DWORD)TRUE);
    EXPECT_EQ(renderState(d, D3DRS_AMBIENT), 0xFFFF7F3Fu);
    D3DMATERIAL9 material{};
    d->GetMaterial(&material);
    EXPECT_FLOAT_EQ(material.Diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(material.Emissive.r, 0.0f);

    KLight light{1, 0.5f, 0.6f, 0.7f, 1.0f, 1, 2, 3, 0, 0, 1, 1, 0.5f, 0.25f};
    window->setLight(8, &light); // out of range: nothing
    window->setLight(1, &light);
    D3DLIGHT9 set{};
    d->GetLight(1, &set);
    BOOL enabled = FALSE;
    d->GetLightEnable(1, &enabled);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(set.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(set.Diffuse.g, 0.6f);
    EXPECT_FLOAT_EQ(set.Specular.r, 1.0f);
    EXPECT_FLOAT_EQ(set.Direction.z, -1.0f);
    EXPECT_FLOAT_EQ(set.Position.y, 2.0f);
    EXPECT_FLOAT_EQ(set.Range, std::sqrt(3.4028234663852886e38f));
    EXPECT_FLOAT_EQ(set.Falloff, 1.0f);
    EXPECT_FLOAT_EQ(set.Attenuation2, 0.25f);
    light.kind = 7;
    window->setLight(2, &light);
    d->GetLight(2, &set);
    EXPECT_EQ(set.Type, D3DLIGHT_POINT);
    window->setLight(1, nullptr);
    d->GetLightEnable(1, &enabled);
    EXPECT_FALSE(enabled);

    window->setMaterial(0.1f, 0.2f, 0.3f, 0.4f);
    d->GetMaterial(&material);
    EXPECT_FLOAT_EQ(material.Diffuse.b, 0.3f);
    EXPECT_FLOAT_EQ(material.Ambient.b, 1.0f);

    window->leave3DMode();
    EXPECT_EQ(renderState(d, D3DRS_ZENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_ZWRITEENABLE), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);
    EXPECT_EQ(renderState(d, D3DRS_LIGHTING), (DWORD)FALSE);
    EXPECT_EQ(renderState(d, D3DRS_AMBIENT), 0u);
    d->GetMaterial(&material);
    EXPECT_FLOAT_EQ(material.Diffuse.b, 1.0f);

    window->applyPixelShader(nullptr);
    EXPECT_EQ(window->pixelShader, nullptr);
}

TEST(KMatrix, HelpersFollowRowVectorsAndTheReversedProductSwapsOperands) {
    KMatrix a, b, out;
    matrixTranslation(&a, 3, 4, 0);
    matrixScaling(&b, 2, 2, 1);
    matrixMultiply(&out, &a, &b); // translate, then scale
    EXPECT_FLOAT_EQ(out.m[3][0], 6.0f);
    matrixMultiplyReversed(&out, &a, &b); // scale, then translate
    EXPECT_FLOAT_EQ(out.m[3][0], 3.0f);
    EXPECT_FLOAT_EQ(out.m[0][0], 2.0f);
    matrixMultiply(&a, &a, &b); // the output may be an operand
    EXPECT_FLOAT_EQ(a.m[3][1], 8.0f);

    matrixRotationZ(&out, 1.5707964f);
    EXPECT_NEAR(out.m[0][1], 1.0f, 1e-6);
    EXPECT_NEAR(out.m[1][0], -1.0f, 1e-6);
    matrixOrthographic(&out, 64, 48, 0, 1);
    EXPECT_FLOAT_EQ(out.m[0][0], 2.0f / 64);
    EXPECT_FLOAT_EQ(out.m[1][1], 2.0f / 48);
    EXPECT_FLOAT_EQ(out.m[2][2], 1.0f);
    EXPECT_FLOAT_EQ(out.m[3][3], 1.0f);
}

TEST_F(ViewFixture, BackBufferCaptureGivesTheGameAreaAsOpaqueBytes) {
    clearTo(kBlack);
    drawQuad(0, 0, 32, 24, kRed);
    drawQuad(32, 24, 64, 48, kGreen);
    ImageData image;
    ASSERT_TRUE(window->getBackBufferAsImage(kWidth, kHeight, &image));
    ASSERT_EQ(image.width, (uint32_t)kWidth);
    ASSERT_EQ(image.height, (uint32_t)kHeight);
    EXPECT_EQ(image.hasAlpha, 0);
    auto at = [&](int x, int y) {
        const uint8_t *p = image.pixels + (y * kWidth + x) * 4;
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(at(1, 1), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(at(40, 30), (std::vector<int>{0, 255, 0, 255}));
    EXPECT_EQ(at(40, 1), (std::vector<int>{0, 0, 0, 255}));
    freeImagePixels(&image);

    ASSERT_TRUE(window->getBackBufferAsImage(32, 24, &image)); // resampled
    EXPECT_EQ(image.width, 32u);
    EXPECT_EQ(image.pixels[0], 255);
    freeImagePixels(&image);
    EXPECT_FALSE(window->getBackBufferAsImage(0, 24, &image));
}

TEST_F(ViewFixture, SavedBackBufferFilesShowWhatWasDrawn) {
    lftest::TempDir folder;
    clearTo(kBlack);
    drawQuad(0, 0, 32, 24, kRed);
    drawQuad(32, 24, 64, 48, kGreen);

    std::filesystem::path png = folder / "shot.png";
    ASSERT_TRUE(window->saveBackBuffer(png.c_str(), kImageFormatPng, 0, 0));
    EXPECT_EQ(imageMagick({png.string(), "-format", "%m %w %h", "info:"}), "PNG 64 48");
    EXPECT_EQ(pixelOfFile(png, 1, 1), "FF0000");
    EXPECT_EQ(pixelOfFile(png, 40, 30), "00FF00");
    EXPECT_EQ(pixelOfFile(png, 40, 1), "000000");

    std::filesystem::path small = folder / "small.bmp";
    ASSERT_TRUE(window->saveBackBuffer(small.c_str(), kImageFormatBmp, 32, 24));
    EXPECT_EQ(imageMagick({small.string(), "-format", "%w %h", "info:"}), "32 24");
    EXPECT_EQ(pixelOfFile(small, 20, 15), "00FF00");

    std::filesystem::path jpeg = folder / "shot.jpg";
    ASSERT_TRUE(window->saveBackBuffer(jpeg.c_str(), kImageFormatJpg, 0, 0));
    EXPECT_EQ(imageMagick({jpeg.string(), "-format", "%m %w %h", "info:"}), "JPEG 64 48");
}

TEST_F(ViewFixture, SavingReportsFilesThatCannotBeWrittenOrEncoded) {
    lftest::TempDir folder;
    std::filesystem::path blocker = folder / "not-a-folder";
    lftest::writeFileText(blocker, "a file where a folder should be");
    std::filesystem::path target = blocker / "shot.png";
    clearLogContents();
    EXPECT_FALSE(window->saveBackBuffer(target.c_str(), kImageFormatPng, 0, 0));
    EXPECT_TRUE(logHas(target.string())) << getLogContents();

    clearLogContents();
    EXPECT_FALSE(window->saveBackBuffer((folder / "shot.gif").c_str(), kImageFormatGif, 0, 0));
    EXPECT_TRUE(logHas("D3D9: failed to encode image in format 4 for saveBackBuffer"));
    EXPECT_FALSE(std::filesystem::exists(folder / "shot.gif"));
}
