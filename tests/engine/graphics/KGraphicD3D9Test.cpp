// Pictures: the factories, loading (files, memory, pixels, every format the codecs read, from a password
// zip archive), texture sizes and formats, and every draw variant read back from the device.
#include "tests/support/KGraphicTestSupport.h"

#include <cmath>

#include "engine/graphics/KGraphicD3D9State.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"

using namespace picturetest;

namespace {

class Pictures : public RendererTest {
protected:
    lftest::TempDir temp;

    std::unique_ptr<KGraphicD3D9> newPicture() {
        return makePicture();
    }
    std::unique_ptr<KGraphicD3D9> loadedFrom(const std::vector<uint32_t> &pixels, int w, int h, bool alpha = false) {
        return std::unique_ptr<KGraphicD3D9>(pictureFrom(pixels, w, h, alpha));
    }
};

} // namespace

TEST(PictureFactories, MakeNothingForATypeWithoutARenderer) {
    for (int32_t type : {-1, 2, 4}) {
        setRendererType(type);
        EXPECT_EQ(createKGraphic(), nullptr) << "type " << type;
        EXPECT_EQ(createKBatch(), nullptr) << "type " << type;
    }
    setRendererType(3);
    KGraphic *picture = createKGraphic();
    KBatch *batch = createKBatch();
    EXPECT_NE(dynamic_cast<KGraphicD3D9 *>(picture), nullptr);
    EXPECT_NE(dynamic_cast<KBatchD3D9 *>(batch), nullptr);
    EXPECT_EQ(KGraphicD3D9::pictures().tail, picture) << "a new picture joins the tail of its list";
    delete picture;
    delete batch;
    EXPECT_EQ(KGraphicD3D9::pictures().count, 0);
    setRendererType(-1);
}

TEST_F(Pictures, TextureSizeFollowsTheNonSquareCapabilityAndKeepsTheImageSize) {
    std::vector<uint32_t> pixels = patternPixels(300, 200, false);
    ASSERT_TRUE(writeImage(temp / "wide.png", 300, 200, pixels));
    auto picture = newPicture();
    ASSERT_TRUE(picture->loadImageFile((temp / "wide.png").c_str(), 0));
    EXPECT_EQ(picture->getImageWidth(), 300.0f);
    EXPECT_EQ(picture->getImageHeight(), 200.0f);
    EXPECT_EQ(picture->getTextureWidth(), 512.0f);
    EXPECT_EQ(picture->getTextureHeight(), 256.0f);
    EXPECT_EQ(picture->getTextureFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(picture->getTexCoordScaleV(), 256.0f);

    host.nonSquare = false;
    ASSERT_TRUE(picture->loadImageFile((temp / "wide.png").c_str(), 0));
    EXPECT_EQ(picture->getTextureWidth(), 512.0f);
    EXPECT_EQ(picture->getTextureHeight(), 512.0f);

    std::vector<uint32_t> opaque = patternPixels(5, 3);
    auto small = loadedFrom(opaque, 5, 3);
    EXPECT_EQ(small->getTextureFormat(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(small->getTextureWidth(), 8.0f);
}

TEST_F(Pictures, DxtImagesGetTexturesOfTheirExactSize) {
    std::vector<uint32_t> pixels = patternPixels(256, 128, false);
    ASSERT_TRUE(writeImage(temp / "blocks.dds", 256, 128, pixels, {"-define", "dds:compression=dxt5",
                                                                    "-define", "dds:mipmaps=0"}));
    auto picture = newPicture();
    ASSERT_TRUE(picture->loadImageFile((temp / "blocks.dds").c_str(), 0));
    EXPECT_EQ(picture->getTextureFormat(), D3DFMT_DXT5);
    EXPECT_EQ(picture->getTextureWidth(), 256.0f);
    EXPECT_EQ(picture->getTextureHeight(), 128.0f);

    // Blocks of a size that is not a multiple of 4 upload without reading past the decoded data.
    ASSERT_TRUE(writeImage(temp / "odd.dds", 6, 6, patternPixels(6, 6), {"-define", "dds:compression=dxt1",
                                                                           "-define", "dds:mipmaps=0"}));
    auto odd = newPicture();
    ASSERT_TRUE(odd->loadImageFile((temp / "odd.dds").c_str(), 0));
    EXPECT_EQ(odd->getTextureFormat(), D3DFMT_DXT1);
    odd->drawImageRect(0, 0, 6, 6, 0, 0, false, false);
    std::vector<uint32_t> frame = this->frame();
    EXPECT_LE(channelDistance(at(frame, 0, 0), 0xFF000000u | patternPixels(6, 6)[0]), 24);
}

TEST_F(Pictures, AFormatTheDeviceLacksIsRefusedWithItsThreeWords) {
    ASSERT_TRUE(writeImage(temp / "flat.dds", 8, 8, patternPixels(8, 8), {"-define", "dds:compression=dxt1",
                                                                            "-define", "dds:mipmaps=0"}));
    host.textureFormats[2] = false;
    auto picture = newPicture();
    EXPECT_FALSE(picture->loadImageFile((temp / "flat.dds").c_str(), 0));
    EXPECT_TRUE(logHas("D3D9: cannot determine format for image, without alpha channel, low quality"));
    EXPECT_EQ(picture->getTexture(), nullptr);
}

TEST_F(Pictures, UploadingAgainAtTheSameSizeReusesTheTexture) {
    std::vector<uint32_t> pixels = patternPixels(20, 10);
    auto picture = loadedFrom(pixels, 20, 10);
    IDirect3DTexture9 *texture = picture->getTexture();
    std::vector<uint32_t> other(20 * 10, 0xFF112233u);
    ASSERT_TRUE(picture->createFromPixels(other.data(), 20, 10, true, false));
    EXPECT_EQ(picture->getTexture(), texture);
    picture->drawImageRect(0, 0, 20, 10, 0, 0, false, false);
    EXPECT_EQ(frame()[5 * kWidth + 5], 0xFF112233u);
    ASSERT_TRUE(picture->createFromPixels(other.data(), 20, 10, true, true));
    EXPECT_EQ(picture->getTextureFormat(), D3DFMT_A8R8G8B8) << "another format needs another texture";
}

TEST_F(Pictures, AnUploadWhoseLockFailsIsRefusedWithALoggedError) {
    std::vector<uint32_t> pixels = patternPixels(20, 10);
    auto picture = loadedFrom(pixels, 20, 10);
    // The texture is reused at the same size: held locked, it cannot take the new pixels.
    D3DLOCKED_RECT held;
    ASSERT_EQ(picture->getTexture()->LockRect(0, &held, nullptr, 0), D3D_OK);
    clearLogContents();
    std::vector<uint32_t> other(20 * 10, 0xFF112233u);
    EXPECT_FALSE(picture->createFromPixels(other.data(), 20, 10, true, false));
    EXPECT_TRUE(logHas("D3D9: LockRect returned 0x")) << getLogContents();
    picture->getTexture()->UnlockRect(0);
    ASSERT_TRUE(picture->createFromPixels(other.data(), 20, 10, true, false));
    picture->drawImageRect(0, 0, 20, 10, 0, 0, false, false);
    EXPECT_EQ(frame()[5 * kWidth + 5], 0xFF112233u);
}

TEST_F(Pictures, CreateFromPixelsOnAPictureLoadedFromAFileOfTheSameSize) {
    ASSERT_TRUE(writeImage(temp / "file.png", 16, 8, patternPixels(16, 8)));
    auto picture = newPicture();
    ASSERT_TRUE(picture->loadImageFile((temp / "file.png").c_str(), 0));
    std::vector<uint32_t> other(16 * 8, 0xFF3366CCu);
    ASSERT_TRUE(picture->createFromPixels(other.data(), 16, 8, true, false));
    picture->drawImageRect(0, 0, 16, 8, 4, 4, false, false);
    expectImageAt(frame(), other, 16, 8, 4, 4);
}

TEST_F(Pictures, DecodeOnlyThenUploadGivesTheSamePictureAsOneLoad) {
    std::vector<uint32_t> pixels = patternPixels(24, 12);
    ASSERT_TRUE(writeImage(temp / "two.png", 24, 12, pixels));
    auto picture = newPicture();
    ASSERT_TRUE(picture->loadImageFile((temp / "two.png").c_str(), 1));
    EXPECT_EQ(picture->getTexture(), nullptr);
    EXPECT_NE(picture->getImageData()->pixels, nullptr);
    ASSERT_TRUE(picture->loadImageFile((temp / "two.png").c_str(), 2));
    EXPECT_EQ(picture->getImageData()->pixels, nullptr) << "the decoded pixels are freed after the upload";
    picture->drawImageRect(0, 0, 24, 12, 3, 5, false, false);
    expectImageAt(frame(), pixels, 24, 12, 3, 5);

    auto empty = newPicture();
    EXPECT_FALSE(empty->loadImageFile("nothing-decoded.png", 2));
    EXPECT_FALSE(empty->loadImageFile((temp / "two.png").c_str(), 3));
}

TEST_F(Pictures, BrokenAndMissingFilesFailWithTheirNameInTheLog) {
    lftest::writeFileBytes(temp / "broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    auto picture = newPicture();
    EXPECT_FALSE(picture->loadImageFile((temp / "broken.png").c_str(), 0));
    EXPECT_TRUE(logHas("broken.png"));
    EXPECT_FALSE(picture->loadImageFile((temp / "missing.png").c_str(), 0));
    EXPECT_TRUE(logHas("missing.png"));
    EXPECT_FALSE(picture->loadImageFromMemory("noextension", (const unsigned char *)"abc", 3, 0));
    EXPECT_FALSE(picture->createFromPixels(nullptr, 4, 4, true, false));
    std::string longName(300, 'a');
    EXPECT_FALSE(picture->loadImageFile((longName + ".png").c_str(), 0));
    EXPECT_EQ(picture->getTexture(), nullptr);
}

TEST_F(Pictures, OneToOneDrawsAreExactWithBothFiltersAndFlipsMirrorInPlace) {
    const int w = 20, h = 12;
    std::vector<uint32_t> pixels = patternPixels(w, h);
    auto picture = loadedFrom(pixels, w, h);
    for (bool smooth : {false, true}) {
        picture->setSmoothFiltering(smooth);
        host.clear(0xFF000000u);
        picture->drawImageRect(0, 0, w, h, 10, 20, false, false);
        picture->drawImageRectF(0, 0, w, h, 40, 20, true, false);
        picture->drawImageRectBlended(0, 0, w, h, 70, 20, false, true);
        picture->drawImageRectBlendedF(0, 0, w, h, 10, 50, true, true);
        std::vector<uint32_t> f = frame();
        expectImageAt(f, pixels, w, h, 10, 20);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t texel = pixels[(size_t)y * w + x];
                ASSERT_EQ(at(f, 40 + w - 1 - x, 20 + y), texel);
                ASSERT_EQ(at(f, 70 + x, 20 + h - 1 - y), texel);
                ASSERT_EQ(at(f, 10 + w - 1 - x, 50 + h - 1 - y), texel);
            }
        EXPECT_EQ(at(f, 9, 20), 0xFF000000u);
        EXPECT_EQ(at(f, 10 + w, 20), 0xFF000000u);
        EXPECT_EQ(at(f, 10, 19), 0xFF000000u);
    }
    // A source rectangle inside the picture.
    host.clear(0xFF000000u);
    picture->drawImageRect(4, 2, 12, 10, 0, 0, false, false);
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 0, 0), pixels[2 * w + 4]);
    EXPECT_EQ(at(f, 7, 7), pixels[9 * w + 11]);
    EXPECT_EQ(at(f, 8, 0), 0xFF000000u);
}

TEST_F(Pictures, QuarterTurnsAndZoomAboutThePivot) {
    const int w = 16, h = 8;
    std::vector<uint32_t> pixels = patternPixels(w, h);
    auto picture = loadedFrom(pixels, w, h);
    // 90 degrees counterclockwise about the centre (30 + 8, 30 + 4): texel (x, y) lands at column
    // 34 + y, row 41 - x.
    picture->drawImageRectTransformed(0, 0, w, h, 30, 30, 90, 1, false, false, 0, 0);
    std::vector<uint32_t> f = frame();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(at(f, 34 + y, 41 - x), pixels[(size_t)y * w + x]) << x << "," << y;

    // Zoom 2 about the centre: a 16 x 8 picture at (40, 40) covers 32..63 by 36..51, each texel 2 x 2.
    host.clear(0xFF000000u);
    picture->drawImageRectTransformedF(0, 0, w, h, 40, 40, 0, 2, false, false, 0, 0);
    f = frame();
    for (int y = 0; y < 2 * h; ++y)
        for (int x = 0; x < 2 * w; ++x)
            ASSERT_EQ(at(f, 32 + x, 36 + y), pixels[(size_t)(y / 2) * w + x / 2]) << x << "," << y;
    EXPECT_EQ(at(f, 31, 40), 0xFF000000u);
    EXPECT_EQ(at(f, 64, 40), 0xFF000000u);

    // A pivot at the top-left corner keeps that corner in place.
    host.clear(0xFF000000u);
    picture->drawImageRectTransformed(0, 0, w, h, 10, 10, 0, 2, false, false, -w / 2.0f, -h / 2.0f);
    f = frame();
    EXPECT_EQ(at(f, 10, 10), pixels[0]);
    EXPECT_EQ(at(f, 9, 10), 0xFF000000u);
    EXPECT_EQ(at(f, 10 + 2 * w - 1, 10 + 2 * h - 1), pixels[(size_t)(h - 1) * w + w - 1]);

    // Zoom 0 draws nothing; so does alpha 0 on the blended member.
    host.clear(0xFF000000u);
    picture->drawImageRectTransformed(0, 0, w, h, 10, 10, 0, 0, false, false, 0, 0);
    picture->drawImageRectBlendedTransformed(0, 0, w, h, 10, 10, 0, 1, 0, false, false, 0, 0);
    f = frame();
    EXPECT_EQ(at(f, 15, 12), 0xFF000000u);
}

TEST_F(Pictures, BlendPresetsTintAndAlphaOnAKnownBackground) {
    std::vector<uint32_t> white(8 * 8, 0x80FFFFFFu); // half-transparent white
    auto picture = loadedFrom(white, 8, 8, true);
    struct Case {
        int preset;
        uint32_t expected;
    };
    // Background 0xFF204060; source (255, 255, 255) at alpha 128.
    const Case cases[] = {
        {0, 0xFFA0C0E0u}, // src alpha, one: 0x20 + 0x80
        {1, 0xFF8F9FAFu}, // src alpha, inverse src alpha
        {2, 0xFFFFFFFFu}, // one, inverse src alpha: saturates
        {3, 0xFF0F1F2Fu}, // zero, inverse src alpha
        {5, 0xFF204060u}, // zero, src colour: background times white
    };
    for (const Case &c : cases) {
        host.clear(0xFF204060u);
        picture->setBlendPreset(c.preset);
        picture->drawImageRectBlended(0, 0, 8, 8, 0, 0, false, false);
        picture->setBlendPreset(7); // unknown: keeps the preset
        picture->drawImageRectBlended(0, 0, 8, 8, 10, 0, false, false);
        std::vector<uint32_t> f = frame();
        EXPECT_LE(channelDistance(at(f, 3, 3), c.expected), 1) << "preset " << c.preset << " got " << std::hex
                                                               << at(f, 3, 3);
        EXPECT_EQ(at(f, 13, 3), at(f, 3, 3)) << "preset 7 changes nothing";
    }
    // Engine factor numbers: one, zero replaces the background by the source colour.
    host.clear(0xFF204060u);
    picture->setBlendFactors(1, 0);
    picture->drawImageRectBlended(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_EQ(frame()[3 * kWidth + 3] & 0xFFFFFF, 0xFFFFFFu);
    // Unknown numbers give source alpha and one.
    host.clear(0xFF204060u);
    picture->setBlendFactors(42, 42);
    picture->drawImageRectBlended(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_LE(channelDistance(frame()[3 * kWidth + 3], 0xFFA0C0E0u), 1);

    // Tint modulates the texels; components are clamped to 0..1.
    picture->setBlendPreset(1);
    picture->setTintColor(1.5f, -0.2f, 0.5f, 1.0f);
    host.clear(0xFF000000u);
    picture->setBlendFactors(1, 0);
    picture->drawImageRectBlended(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_LE(channelDistance(frame()[3 * kWidth + 3] & 0xFFFFFF, 0xFF007F), 1);

    // The alpha argument multiplies the tint alpha; above 1 it saturates instead of spilling into red.
    std::vector<uint32_t> opaque(8 * 8, 0xFF00FF00u);
    auto green = loadedFrom(opaque, 8, 8, true);
    host.clear(0xFF000000u);
    green->drawImageRectBlendedTransformed(0, 0, 8, 8, 0, 0, 0, 1, 0.5f, false, false, 0, 0);
    green->drawImageRectBlendedTransformed(0, 0, 8, 8, 20, 0, 0, 1, 3.0f, false, false, 0, 0);
    std::vector<uint32_t> f = frame();
    EXPECT_LE(channelDistance(at(f, 3, 3), 0xFF007F00u), 1);
    EXPECT_EQ(at(f, 23, 3), 0xFF00FF00u);
}

TEST_F(Pictures, StretchedQuadAndMaskedDraws) {
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    auto picture = loadedFrom(pixels, 8, 8, true);
    // Stretched 8 x 8 onto 16 x 24: each texel covers 2 x 3 pixels.
    picture->drawImageRectStretched(0, 0, 8, 8, 10, 10, 26, 34, 1, 0, false, false, 0, 0);
    std::vector<uint32_t> f = frame();
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(at(f, 10 + x, 10 + y), pixels[(size_t)(y / 3) * 8 + x / 2]) << x << "," << y;
    EXPECT_EQ(at(f, 26, 10), 0xFF000000u);

    // Alpha 0 still sends a fully transparent quad: nothing changes.
    picture->drawImageRectStretched(0, 0, 8, 8, 40, 10, 48, 18, 0, 0, false, false, 0, 0);
    EXPECT_EQ(frame()[12 * kWidth + 42], 0xFF000000u);

    // A quad through four points: the axis-aligned case maps source points exactly.
    host.clear(0xFF000000u);
    picture->drawImageToQuad(0, 0, 8, 0, 8, 8, 0, 8, 50, 50, 58, 50, 58, 58, 50, 58);
    expectImageAt(frame(), pixels, 8, 8, 50, 50);

    // The mask's alpha multiplies the picture's: left half opaque, right half clear.
    std::vector<uint32_t> maskPixels(8 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            maskPixels[(size_t)y * 8 + x] = x < 4 ? 0xFFFFFFFFu : 0x00FFFFFFu;
    auto mask = loadedFrom(maskPixels, 8, 8, true);
    host.clear(0xFF000000u);
    picture->drawImageRectMasked(0, 0, 8, 8, mask.get(), 0, 0, 8, 8, 20, 20, 28, 28, false, false);
    picture->drawImageRectMasked(0, 0, 8, 8, nullptr, 0, 0, 8, 8, 40, 20, 48, 28, false, false);
    f = frame();
    EXPECT_EQ(at(f, 21, 21), pixels[1 * 8 + 1]);
    EXPECT_EQ(at(f, 26, 21), 0xFF000000u);
    EXPECT_EQ(at(f, 41, 21), 0xFF000000u) << "no mask, no draw";
    // The next plain draw is not masked any more.
    picture->drawImageRectBlended(0, 0, 8, 8, 60, 20, false, false);
    EXPECT_EQ(frame()[21 * kWidth + 66], pixels[1 * 8 + 6]);
}

TEST_F(Pictures, UntexturedPrimitivesAndTheShadeRectangle) {
    auto picture = newPicture();
    picture->fillRect(10, 10, 20, 15, 1, 0, 0, 1);
    picture->fillQuad(30, 10, 40, 10, 40, 20, 30, 20, 0, 0, 1, 1);
    picture->drawLine(0, 40, 60, 40, 0, 1, 0, 1);
    picture->drawPoint(70, 70, 1, 1, 1, 1);
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 10, 10), 0xFFFF0000u);
    EXPECT_EQ(at(f, 19, 14), 0xFFFF0000u);
    EXPECT_EQ(at(f, 20, 14), 0xFF000000u);
    EXPECT_EQ(at(f, 35, 15), 0xFF0000FFu);
    EXPECT_EQ(at(f, 30, 40), 0xFF00FF00u);
    EXPECT_EQ(at(f, 70, 70), 0xFFFFFFFFu);

    host.clear(0xFFFFFFFFu);
    drawShadeRect(0, 0, 64, 48, 0.5f);
    drawShadeRect(64, 0, 128, 48, 0.0f);
    f = frame();
    EXPECT_LE(channelDistance(at(f, 5, 5), 0xFF808080u), 1);
    EXPECT_EQ(at(f, 70, 5), 0xFFFFFFFFu);

    // An empty picture draws nothing through the rectangle family, but its quad still goes out untextured.
    host.clear(0xFF000000u);
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    picture->drawImageRectStretched(0, 0, 8, 8, 0, 0, 8, 8, 1, 0, false, false, 0, 0);
    EXPECT_EQ(frame()[3 * kWidth + 3], 0xFF000000u);
    picture->drawImageToQuad(0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 8, 0, 8, 8, 0, 8);
    EXPECT_EQ(frame()[3 * kWidth + 3], 0xFFFFFFFFu);
}

TEST_F(Pictures, AddressingWrapsAndMirrorsAndUnknownModesAreIgnored) {
    std::vector<uint32_t> pixels = patternPixels(4, 4);
    auto picture = loadedFrom(pixels, 4, 4);
    picture->setTextureAddressing(1);
    picture->drawImageRect(0, 0, 8, 4, 0, 0, false, false);
    picture->setTextureAddressing(2);
    picture->setTextureAddressing(3); // unknown: still mirror
    picture->drawImageRect(0, 0, 8, 4, 0, 10, false, false);
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 5, 1), pixels[1 * 4 + 1]) << "wrap repeats";
    EXPECT_EQ(at(f, 5, 11), pixels[1 * 4 + 2]) << "mirror reflects";
}

TEST_F(Pictures, DrawingOnALostDeviceRaisesTheFlagAndDrawsAgainAfterTheReset) {
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    auto picture = loadedFrom(pixels, 8, 8);
    deviceHooksLoseDevice(1);
    picture->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_TRUE(host.deviceLost);
    picture->fillRect(0, 0, 8, 8, 1, 1, 1, 1);
    host.flipDeviceFrame(); // still lost: not reset yet
    host.flipDeviceFrame(); // resettable: reset
    ASSERT_EQ(host.resets, 1);
    ASSERT_FALSE(host.deviceLost);
    host.clear(0xFF000000u);
    picture->drawImageRect(0, 0, 8, 8, 2, 2, false, false);
    expectImageAt(frame(), pixels, 8, 8, 2, 2);
}

// Every format the codecs read, packed by Info-ZIP zip with the game's password, loaded and drawn.
TEST_F(Pictures, EveryCodecFormatLoadsFromAPasswordZipArchive) {
    const int w = 16, h = 8;
    std::vector<uint32_t> pixels = patternPixels(w, h);
    std::filesystem::create_directories(temp / "content" / "pictures");
    struct Entry {
        const char *name;
        std::vector<std::string> options;
        int tolerance;
    };
    const Entry entries[] = {
        {"picture.png", {}, 0},
        {"picture.bmp", {}, 0},
        {"picture.tga", {"-orient", "topleft"}, 0},
        {"picture.gif", {}, 0},
        {"picture.jpg", {"-quality", "100", "-sampling-factor", "1x1"}, 12},
        {"picture.dds", {"-define", "dds:compression=dxt1", "-define", "dds:mipmaps=0"}, 40},
    };
    std::vector<uint32_t> gifPixels(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i)
        gifPixels[i] = 0xFF000000u | ((pixels[i] & 0xFF0000u) >> 18 << 18) | ((pixels[i] & 0xFF00u) >> 14 << 14) |
                       ((pixels[i] & 0xFFu) >> 6 << 6);
    for (const Entry &entry : entries) {
        const std::vector<uint32_t> &source = std::string(entry.name) == "picture.gif" ? gifPixels : pixels;
        ASSERT_TRUE(writeImage(temp / "content" / "pictures" / entry.name, w, h, source, entry.options)) << entry.name;
    }
    MountedPictureArchive archive(temp);
    ASSERT_TRUE(archive.mounted);

    int row = 0;
    for (const Entry &entry : entries) {
        const std::vector<uint32_t> &source = std::string(entry.name) == "picture.gif" ? gifPixels : pixels;
        auto picture = newPicture();
        std::string name = (temp / "pictures" / entry.name).string();
        ASSERT_TRUE(picture->loadImageFile(name.c_str(), 0)) << entry.name << "\n" << getLogContents();
        EXPECT_STREQ(picture->getFileName(), name.c_str());
        host.clear(0xFF000000u);
        picture->drawImageRect(0, 0, w, h, 8, (int16_t)(8 + row), false, false);
        std::vector<uint32_t> f = frame();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_LE(channelDistance(at(f, 8 + x, 8 + row + y), source[(size_t)y * w + x]), entry.tolerance)
                    << entry.name << " at " << x << "," << y;
        row += 10;
    }
}

TEST_F(Pictures, PixelsShorterThanTheirTextureAreRefusedNotReadPastTheirEnd) {
    // 32-bit pixels asked to become a block texture: one pixel holds 4 bytes, a DXT5 block takes 16.
    const uint32_t one = 0xFF336699u;
    auto picture = newPicture();
    EXPECT_FALSE(picture->createFromPixels(&one, 1, 1, false, true));
    EXPECT_TRUE(logHas("D3D9: 4 bytes of pixels for a 1x1 texture")) << getLogContents();

    // Blocks decoded by a first pass are uploaded as blocks by the second, even when the picture was given
    // 32-bit pixels in between.
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    ASSERT_TRUE(writeImage(temp / "later.dds", 8, 8, pixels, {"-define", "dds:compression=dxt1", "-define",
                                                               "dds:mipmaps=0"}));
    auto later = newPicture();
    ASSERT_TRUE(later->loadImageFile((temp / "later.dds").c_str(), 1));
    std::vector<uint32_t> flat(16 * 16, 0xFF00FF00u);
    ASSERT_TRUE(later->createFromPixels(flat.data(), 16, 16, true, false));
    ASSERT_TRUE(later->loadImageFile((temp / "later.dds").c_str(), 2));
    EXPECT_EQ(later->getTextureFormat(), D3DFMT_DXT1);
    EXPECT_EQ(later->getImageWidth(), 8.0f);
    later->drawImageRect(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_LE(channelDistance(frame()[0], pixels[0]), 40);
}

TEST_F(Pictures, APictureGivenPixelsIsRebuiltFromTheLastOnesWhateverTheirSize) {
    // The copy kept for a rebuild follows the sizes given, across the bound past which it is mapped apart.
    auto picture = newPicture();
    const std::pair<int, int> sizes[] = {{16, 8}, {1024, 640}, {1000, 500}, {1024, 640}, {12, 12}};
    for (auto [w, h] : sizes) {
        std::vector<uint32_t> pixels = patternPixels(w, h);
        ASSERT_TRUE(picture->createFromPixels(pixels.data(), w, h, true, false)) << w << " x " << h;
        KGraphicD3D9::restorePicture(picture.get());
        host.clear(0xFF000000u);
        picture->drawImageRect(0, 0, 12, 8, 2, 2, false, false);
        expectImageAt(frame(), std::vector<uint32_t>(pixels.begin(), pixels.begin() + 12), 12, 1, 2, 2);
        EXPECT_EQ(at(frame(), 2 + 11, 2 + 7), pixels[7 * size_t(w) + 11]) << w << " x " << h;
    }
}

TEST_F(Pictures, ARebuildShowsTheLastImageGivenNotEarlierPixels) {
    std::vector<uint32_t> pixels = patternPixels(16, 8);
    ASSERT_TRUE(writeImage(temp / "after.png", 16, 8, pixels));
    std::vector<uint32_t> red(16 * 8, 0xFFFF0000u);
    auto picture = loadedFrom(red, 16, 8);
    ASSERT_TRUE(picture->loadImageFile((temp / "after.png").c_str(), 0));
    KGraphicD3D9::restorePicture(picture.get()); // as the flush for a render target does
    picture->drawImageRect(0, 0, 16, 8, 2, 2, false, false);
    expectImageAt(frame(), pixels, 16, 8, 2, 2);
}

TEST_F(Pictures, BlendSettersForgetTheCachedFactorsAndColoursTruncate) {
    auto picture = loadedFrom(patternPixels(4, 4), 4, 4);
    picture->drawImageRectBlended(0, 0, 4, 4, 0, 0, false, false);
    EXPECT_EQ(d3d9Renderer().sourceBlend, (int32_t)D3DBLEND_SRCALPHA);
    picture->setBlendPreset(7);
    EXPECT_EQ(d3d9Renderer().sourceBlend, -1);
    EXPECT_EQ(d3d9Renderer().destinationBlend, -1);
    picture->drawImageRectBlended(0, 0, 4, 4, 0, 0, false, false);
    EXPECT_EQ(d3d9Renderer().destinationBlend, (int32_t)D3DBLEND_INVSRCALPHA) << "preset 7 kept the factors";

    // A tint of (1, 0.5, 0, 1) drawn at alpha 0.5: each component truncated from c x 255.
    EXPECT_EQ(packColor(1.0f, 0.5f, 0.0f, 1.0f * 0.5f), 0x7FFF7F00u);
}
