// The OpenGL batch on llvmpipe: the flush rules (kinds never mixed, automatic flush and restart, oversize
// primitives dropped), its quads and triangles read back, and the static mesh in a buffer object and in
// client memory.
#include "tests/support/KGraphicGLTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"

using namespace gltest;
using picturetest::patternPixels;

namespace {

class GLBatches : public GLRendererTest {
protected:
    std::vector<uint32_t> image = patternPixels(8, 8);
    std::unique_ptr<KGraphicGL> picture;
    void SetUp() override {
        GLRendererTest::SetUp();
        picture = pictureFrom(image, 8, 8);
    }
};

} // namespace

TEST_F(GLBatches, FlushRulesKeepKindsApartAndNeverOverrunTheArrays) {
    auto batch = makeGLBatch();
    EXPECT_FALSE(batch->allocateVertices(12, 3));
    EXPECT_FALSE(batch->allocateVertices(-5, 1));
    ASSERT_TRUE(batch->allocateVertices(12, 1));
    batch->addImageRect(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_EQ(batch->getPendingQuadVertices(), 0) << "not started: ignored";
    batch->startBatch(picture.get());
    batch->flushBatch();
    EXPECT_TRUE(batch->isStarted()) << "an empty flush leaves it started";
    batch->addImageRect(0, 0, 8, 8, 0, 0, false, false);
    batch->addImageRect(0, 0, 8, 8, 10, 0, false, false);
    batch->addTriangle(20, 0, 28, 0, 20, 8, 1, 1, 1, 1);
    EXPECT_EQ(batch->getFlushCount(), 1) << "the quads went first";
    EXPECT_EQ(batch->getPendingQuadVertices(), 0);
    EXPECT_EQ(batch->getPendingTriangleVertices(), 3);
    EXPECT_TRUE(batch->isStarted()) << "restarted with the same picture";

    // Capacity 6 takes one quad; the second flushes the first. Capacity 3 takes no quad at all.
    ASSERT_TRUE(batch->allocateQuads(1));
    batch->startBatch(picture.get());
    batch->addImageRect(0, 0, 8, 8, 0, 0, false, false);
    int flushes = batch->getFlushCount();
    batch->addImageRect(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_EQ(batch->getFlushCount(), flushes + 1);
    EXPECT_EQ(batch->getPendingQuadVertices(), 4);
    ASSERT_TRUE(batch->allocateVertices(3, 1));
    batch->startBatch(picture.get());
    batch->addImageRect(0, 0, 8, 8, 0, 0, false, false);
    EXPECT_EQ(batch->getPendingQuadVertices(), 0);
    batch->addTriangle(0, 0, 1, 0, 0, 1, 1, 1, 1, 1);
    EXPECT_EQ(batch->getPendingTriangleVertices(), 3);
}

TEST_F(GLBatches, QuadsAndTrianglesLandWhereThePicturesWould) {
    auto batch = makeGLBatch();
    ASSERT_TRUE(batch->allocateQuads(16));
    batch->startBatch(picture.get());
    batch->addImageRect(0, 0, 8, 8, 4, 4, false, false);
    batch->addImageRect(0, 0, 8, 8, 20, 4, true, false);
    batch->addImageRectTransformed(0, 0, 8, 8, 40, 4, 0, 2, 1, false, false, 0, 0);
    batch->flushBatch();
    // A picture draw afterwards takes the arrays back.
    picture->drawImageRect(0, 0, 8, 8, 60, 4, false, false);
    batch->startBatch(picture.get());
    const float source[6] = {0, 0, 8, 0, 0, 8};
    const float corners[12] = {80, 4, 0.5f, 1, 88, 4, 0.5f, 1, 80, 12, 0.5f, 1};
    batch->addPerspectiveTriangle(source, corners);
    batch->flushBatch();
    std::vector<uint32_t> pixels = frame();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            uint32_t texel = image[(size_t)y * 8 + x];
            ASSERT_EQ(at(pixels, 4 + x, 4 + y), texel) << x << "," << y;
            ASSERT_EQ(at(pixels, 20 + 7 - x, 4 + y), texel) << "mirrored " << x << "," << y;
            ASSERT_EQ(at(pixels, 60 + x, 4 + y), texel) << "picture after batch " << x << "," << y;
            // Zoom 2 about the centre: each texel covers 2 x 2 pixels from (36, 0).
            ASSERT_EQ(at(pixels, 36 + 2 * x, 2 * y), texel) << "zoomed " << x << "," << y;
        }
    EXPECT_EQ(at(pixels, 81, 5), image[1 * 8 + 1]);
    EXPECT_EQ(at(pixels, 87, 11), 0xFF000000u) << "outside the triangle";
}

TEST_F(GLBatches, TheStaticMeshDrawsFromABufferObjectOrClientMemoryWithTheSlotsPicture) {
    for (bool bufferObjects : {true, false}) {
        KGraphicGLEntryPoints saved = glEntryPoints();
        if (!bufferObjects)
            glEntryPoints().genBuffers = nullptr;
        setup.clear();
        auto mesh = makeGLBatch();
        ASSERT_TRUE(mesh->allocateVertices(6, 2));
        EXPECT_EQ(mesh->hasBufferObject(), bufferObjects);
        mesh->lockStaticVertices();
        // Two triangles covering game pixels 10..18 (y flipped by hand: the mesh takes OpenGL's y).
        const float quad[6][2] = {{10, 10}, {18, 10}, {10, 18}, {18, 10}, {18, 18}, {10, 18}};
        for (int i = 0; i < 6; ++i)
            mesh->setStaticVertex(i, quad[i][0], kHeight - quad[i][1], 0, 0, 0, 1, (quad[i][0] - 10) / 8,
                                  (quad[i][1] - 10) / 8);
        mesh->setStaticVertex(6, 0, 0, 0, 0, 0, 0, 0, 0); // the capacity: ignored
        mesh->unlockStaticVertices();
        mesh->drawStaticVertices(0, 6, nullptr);
        EXPECT_EQ(at(frame(), 12, 12), 0xFF000000u) << "no picture, nothing drawn";
        mesh->drawStaticVertices(0, 6, picture.get());
        // The picture is 8 x 8 in an 8 x 8 texture: one texel per pixel.
        std::vector<uint32_t> pixels = frame();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(at(pixels, 10 + x, 10 + y), image[(size_t)y * 8 + x]) << bufferObjects;
        glEntryPoints() = saved;
    }
}
