// Vertex batches: the same pixels as the pictures' own draws, the ring of vertex space and its flush
// rules, the static kind, device loss, and the guards against writing past the client copy.
#include "tests/support/KGraphicTestSupport.h"

using namespace picturetest;

namespace {

class Batches : public RendererTest {
protected:
    std::unique_ptr<KBatchD3D9> batch(int quads) {
        auto made = makeBatch();
        EXPECT_TRUE(made->allocateQuads(quads));
        return made;
    }
    std::unique_ptr<KGraphicD3D9> image(const std::vector<uint32_t> &pixels, int w, int h, bool alpha = true) {
        return std::unique_ptr<KGraphicD3D9>(pictureFrom(pixels, w, h, alpha));
    }
};

} // namespace

TEST_F(Batches, QuadsInOneFlushEqualTheSameQuadsDrawnOneByOne) {
    std::vector<uint32_t> pixels = patternPixels(16, 16, false);
    auto picture = image(pixels, 16, 16);
    picture->setTintColor(1, 0.8f, 0.6f, 0.9f);
    struct Quad {
        float sx1, sy1, sx2, sy2, dx, dy;
        bool flipX, flipY;
    };
    const Quad quads[] = {{0, 0, 16, 16, 4, 4, false, false},   {2, 3, 10, 12, 30, 6, true, false},
                          {0, 0, 16, 8, 50, 10, false, true},   {4, 4, 12, 12, 70, 20, true, true},
                          {0, 0, 16, 16, 10, 40, false, false}, {1, 1, 15, 15, 14, 44, false, false}};
    host.clear(0xFF204060u);
    for (const Quad &q : quads)
        picture->drawImageRectBlendedF(q.sx1, q.sy1, q.sx2, q.sy2, q.dx, q.dy, q.flipX, q.flipY);
    std::vector<uint32_t> oneByOne = frame();

    host.clear(0xFF204060u);
    auto quadsBatch = batch(16);
    quadsBatch->startBatch(picture.get());
    for (const Quad &q : quads)
        quadsBatch->addImageRect(q.sx1, q.sy1, q.sx2, q.sy2, q.dx, q.dy, q.flipX, q.flipY);
    EXPECT_EQ(quadsBatch->getPendingCount(), 36);
    quadsBatch->flushBatch();
    EXPECT_EQ(frame(), oneByOne);

    // Turned and zoomed quads match the picture's transformed draws too.
    host.clear(0xFF204060u);
    picture->drawImageRectBlendedTransformedF(0, 0, 16, 16, 40, 40, 90, 1, 0.5f, false, false, 0, 0);
    picture->drawImageRectBlendedTransformedF(0, 0, 8, 8, 80, 40, 0, 2, 1, true, false, 0, 0);
    oneByOne = frame();
    host.clear(0xFF204060u);
    quadsBatch->startBatch(picture.get());
    quadsBatch->addImageRectTransformed(0, 0, 16, 16, 40, 40, 90, 1, 0.5f, false, false, 0, 0);
    quadsBatch->addImageRectTransformed(0, 0, 8, 8, 80, 40, 0, 2, 1, true, false, 0, 0);
    quadsBatch->flushBatch();
    std::vector<uint32_t> batched = frame();
    int differing = 0;
    for (size_t i = 0; i < batched.size(); ++i)
        differing += channelDistance(batched[i], oneByOne[i]) > 2;
    EXPECT_EQ(differing, 0);
}

TEST_F(Batches, TheRingAppendsWithinAFrameAndWrapsWhenFull) {
    std::vector<uint32_t> pixels = patternPixels(4, 4);
    auto picture = image(pixels, 4, 4);
    auto ring = batch(200);
    EXPECT_EQ(ring->getCapacity(), 1200);
    ring->startBatch(picture.get());
    ring->addImageRect(0, 0, 4, 4, 0, 0, false, false);
    ring->addImageRect(0, 0, 4, 4, 4, 0, false, false);
    ring->flushBatch();
    EXPECT_EQ(ring->getRingPosition(), 12);
    EXPECT_FALSE(ring->isStarted());
    ring->addImageRect(0, 0, 4, 4, 8, 0, false, false); // ignored until started again
    EXPECT_EQ(ring->getPendingCount(), 0);

    ring->startBatch(picture.get());
    ring->flushBatch(); // nothing pending: stays started
    EXPECT_TRUE(ring->isStarted());
    ring->addImageRect(0, 0, 4, 4, 8, 0, false, false);
    ring->flushBatch();
    EXPECT_EQ(ring->getRingPosition(), 18);

    // The 201st quad after a start at 0 flushes the full run and starts again at vertex 0.
    resetBatchesForFrame();
    EXPECT_EQ(ring->getRingPosition(), 0);
    host.clear(0xFF000000u);
    ring->startBatch(picture.get());
    for (int i = 0; i < 201; ++i)
        ring->addImageRect(0, 0, 4, 4, (float)(i % 32) * 4, (float)(i / 32) * 4, false, false);
    EXPECT_EQ(ring->getRingPosition(), 0);
    EXPECT_EQ(ring->getPendingCount(), 6);
    ring->flushBatch();
    EXPECT_EQ(ring->getRingPosition(), 6);
    std::vector<uint32_t> f = frame();
    for (int i : {0, 100, 199, 200})
        expectImageAt(f, pixels, 4, 4, (i % 32) * 4, (i / 32) * 4);
}

TEST_F(Batches, ShapesAndQuadsThroughPoints) {
    auto picture = image(patternPixels(8, 8), 8, 8);
    auto shapes = batch(8);
    shapes->startBatch(picture.get());
    shapes->addFilledRect(10, 10, 20, 20, 1, 0, 0, 1);
    shapes->addTriangle(30, 10, 40, 10, 30, 20, 0, 1, 0, 1);
    shapes->addTriangle(50, 10, 60, 10, 50, 20, 0, 0, 1, 0); // alpha 0: nothing
    shapes->addImageRectTransformed(0, 0, 8, 8, 70, 10, 0, 0, 1, false, false, 0, 0); // zoom 0: nothing
    EXPECT_EQ(shapes->getPendingCount(), 9);
    shapes->flushBatch();
    std::vector<uint32_t> f = frame();
    // Untextured vertices sample texel (0, 0) of the bound picture: texture coordinates are 0.
    uint32_t texel = patternPixels(8, 8)[0];
    auto modulate = [&](uint32_t color) {
        uint32_t out = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            out |= (uint32_t)(((color >> shift) & 0xFF) * ((texel >> shift) & 0xFF) / 255) << shift;
        return out;
    };
    EXPECT_LE(channelDistance(at(f, 15, 15), modulate(0xFFFF0000u)), 1);
    EXPECT_LE(channelDistance(at(f, 31, 11), modulate(0xFF00FF00u)), 1);
    EXPECT_EQ(at(f, 51, 11), 0xFF000000u);

    std::vector<uint32_t> pixels = patternPixels(8, 8);
    host.clear(0xFF000000u);
    shapes->startBatch(picture.get());
    const float source[8] = {0, 0, 8, 0, 8, 8, 0, 8};
    const float destination[8] = {40, 40, 48, 40, 48, 48, 40, 48};
    shapes->addImageToQuad(source, destination);
    shapes->addImageRectScaled(0, 0, 8, 8, 80, 40, 2, 1, 0, 0);
    shapes->flushBatch();
    f = frame();
    expectImageAt(f, pixels, 8, 8, 40, 40);
    EXPECT_EQ(at(f, 76, 36), pixels[0]);
    EXPECT_EQ(at(f, 77, 37), pixels[0]);
    EXPECT_EQ(at(f, 78, 36), pixels[1]);
}

TEST_F(Batches, ScreenVerticesFollowTheGameAreaMapping) {
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    auto picture = image(pixels, 8, 8);
    host.area = {16, 8, 64, 48, true, 2.0f};
    KGraphicD3D9::bindDevice(&host); // takes the mapping from the window
    auto screen = makeBatch();
    ASSERT_TRUE(screen->allocateVertices(60, KBatchD3D9::kTransformed));
    screen->startBatch(picture.get());
    screen->addImageRect(0, 0, 8, 8, 4, 4, false, false);
    const float source[6] = {0, 0, 8, 0, 0, 8};
    const float corners[12] = {20.5f, 30.5f, 0, 1, 28.5f, 30.5f, 0, 1, 20.5f, 38.5f, 0, 1};
    screen->addPerspectiveTriangle(source, corners);
    screen->flushBatch();
    std::vector<uint32_t> f = frame();
    // Game (3.5, 3.5) lands at screen (16 + 2 * 3.5, 8 + 2 * 3.5), each texel 2 x 2 pixels.
    EXPECT_EQ(at(f, 23, 15), pixels[0]);
    EXPECT_EQ(at(f, 24, 16), pixels[0]);
    EXPECT_EQ(at(f, 25, 16), pixels[1]);
    EXPECT_EQ(at(f, 24, 17), pixels[8]);
    EXPECT_EQ(at(f, 22, 15), 0xFF000000u);
    EXPECT_EQ(at(f, 57, 69), pixels[0]);
    EXPECT_EQ(at(f, 59, 69), pixels[1]);

    // Lit batches never take perspective triangles.
    auto lit = batch(4);
    lit->startBatch(picture.get());
    lit->addPerspectiveTriangle(source, corners);
    EXPECT_EQ(lit->getPendingCount(), 0);
}

TEST_F(Batches, ShadedAndColouredPerspectiveTrianglesTakeTheirCornersColours) {
    auto white = image(std::vector<uint32_t>(8 * 8, 0xFFFFFFFFu), 8, 8);
    auto screen = makeBatch();
    ASSERT_TRUE(screen->allocateVertices(60, KBatchD3D9::kTransformed));
    const float source[6] = {0, 0, 8, 0, 0, 8};
    // x, y, z, w, then a shade (grey) or red, green, blue for each corner.
    const float shaded[15] = {10.5f, 10.5f, 0, 1, 0.5f, 30.5f, 10.5f, 0, 1, 0.5f, 10.5f, 30.5f, 0, 1, 0.5f};
    const float coloured[21] = {40.5f, 10.5f, 0, 1, 1, 0, 0.5f, 60.5f, 10.5f, 0, 1, 1, 0, 0.5f,
                                40.5f, 30.5f, 0, 1, 1, 0, 0.5f};
    screen->startBatch(white.get());
    screen->addShadedPerspectiveTriangle(source, shaded);
    screen->addColoredPerspectiveTriangle(source, coloured);
    EXPECT_EQ(screen->getPendingCount(), 6);
    screen->flushBatch();
    std::vector<uint32_t> f = frame();
    auto near = [](uint32_t got, uint32_t want) {
        for (int shift = 0; shift < 32; shift += 8)
            if (std::abs(int((got >> shift) & 255) - int((want >> shift) & 255)) > 1)
                return false;
        return true;
    };
    EXPECT_TRUE(near(at(f, 12, 12), 0xFF808080u)) << std::hex << at(f, 12, 12);
    EXPECT_TRUE(near(at(f, 42, 12), 0xFFFF0080u)) << std::hex << at(f, 42, 12);
    EXPECT_EQ(at(f, 29, 29), 0xFF000000u) << "outside the triangle";

    // Only batches of screen vertices take them.
    auto lit = batch(4);
    lit->startBatch(white.get());
    lit->addShadedPerspectiveTriangle(source, shaded);
    lit->addColoredPerspectiveTriangle(source, coloured);
    EXPECT_EQ(lit->getPendingCount(), 0);
}

TEST_F(Batches, StaticTrianglesAreStoredReversedAndDrawnInRange) {
    std::vector<uint32_t> pixels(4 * 4, 0xFF3366CCu);
    auto picture = image(pixels, 4, 4, false);
    auto mesh = makeBatch();
    ASSERT_TRUE(mesh->allocateVertices(30, KBatchD3D9::kStatic3D));
    EXPECT_FALSE(mesh->allocateVertices(30, 3));
    ASSERT_TRUE(mesh->allocateVertices(30, KBatchD3D9::kStatic3D));
    // Adds on a static batch have no client copy to write: ignored.
    mesh->startBatch(picture.get());
    mesh->addImageRect(0, 0, 4, 4, 0, 0, false, false);
    mesh->addFilledRect(0, 0, 4, 4, 1, 1, 1, 1);
    EXPECT_EQ(mesh->getPendingCount(), 0);

    // Two triangles over game pixels 10..30 x 10..20, in device space (y up), given clockwise on screen;
    // the batch stores each triangle reversed.
    mesh->lockStaticVertices();
    auto vertex = [&](int index, float x, float y) { mesh->setStaticVertex(index, x - 0.5f, 0.5f - y, 0, 0, 0, 1, 0, 0); };
    vertex(0, 10, 10), vertex(1, 30, 10), vertex(2, 10, 20);
    vertex(3, 30, 10), vertex(4, 30, 20), vertex(5, 10, 20);
    mesh->setStaticVertex(30, 0, 0, 0, 0, 0, 0, 0, 0); // the capacity: ignored
    mesh->drawStaticVertices(0, 6, picture.get());     // locked: nothing
    mesh->unlockStaticVertices();
    EXPECT_EQ(frame()[15 * kWidth + 15], 0xFF000000u);
    mesh->drawStaticVertices(-5, 6, picture.get());
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 15, 15), 0xFF3366CCu);
    EXPECT_EQ(at(f, 29, 19), 0xFF3366CCu);
    EXPECT_EQ(at(f, 30, 15), 0xFF000000u);
    mesh->drawStaticVertices(30, 6, picture.get()); // first at the capacity: nothing

    // The device culls nothing, so the order shows only in what is stored: each triangle reversed.
    mesh->lockStaticVertices();
    const float *stored = mesh->lockedStaticVertices();
    ASSERT_NE(stored, nullptr);
    for (int i = 0; i < 3; i++)
        mesh->setStaticVertex(i, float(i + 1), 0, 0, 0, 0, 1, 0, 0);
    EXPECT_EQ(stored[0 * 8], 3.0f);
    EXPECT_EQ(stored[1 * 8], 2.0f);
    EXPECT_EQ(stored[2 * 8], 1.0f);
    mesh->unlockStaticVertices();

    // A capacity that is not a multiple of 3: the last index would map past the buffer, so it is dropped.
    auto odd = makeBatch();
    ASSERT_TRUE(odd->allocateVertices(31, KBatchD3D9::kStatic3D));
    odd->lockStaticVertices();
    const float *oddStored = odd->lockedStaticVertices();
    ASSERT_NE(oddStored, nullptr);
    const std::vector<float> before(oddStored, oddStored + 31 * 8);
    odd->setStaticVertex(30, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(std::vector<float>(oddStored, oddStored + 31 * 8), before);
    odd->setStaticVertex(29, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(oddStored[27 * 8], 1.0f) << "the last whole triangle is stored reversed as usual";
    odd->unlockStaticVertices();
}

TEST_F(Batches, ALostDeviceDropsTheRunAndBuffersComeBackAfterTheReset) {
    std::vector<uint32_t> pixels = patternPixels(8, 8);
    auto picture = image(pixels, 8, 8);
    auto quads = batch(4);
    quads->startBatch(picture.get());
    quads->addImageRect(0, 0, 8, 8, 0, 0, false, false);
    deviceHooksLoseDevice(1);
    quads->flushBatch();
    EXPECT_TRUE(host.deviceLost);
    EXPECT_FALSE(quads->isStarted());

    host.flipDeviceFrame(); // reset: buffers released, then made again
    ASSERT_EQ(host.resets, 1);
    EXPECT_TRUE(quads->takeBufferLostFlag());
    EXPECT_FALSE(quads->takeBufferLostFlag());
    EXPECT_TRUE(quads->hasVertexBuffer());
    host.clear(0xFF000000u);
    quads->startBatch(picture.get());
    quads->addImageRect(0, 0, 8, 8, 3, 3, false, false);
    quads->flushBatch();
    expectImageAt(frame(), pixels, 8, 8, 3, 3);
}

TEST_F(Batches, WithoutADeviceBufferAddsNeverPassTheClientCopy) {
    auto picture = image(patternPixels(4, 4), 4, 4);
    auto small = batch(2); // 12 vertices
    small->startBatch(picture.get());
    for (int i = 0; i < 2; ++i)
        small->addImageRect(0, 0, 4, 4, 0, 0, false, false);
    // The buffer goes away mid-run (as in the device-loss release): the flush that should make room
    // cannot draw, and the next adds are dropped instead of written past the 12 vertices.
    releaseAllBatchBuffers();
    for (int i = 0; i < 5; ++i)
        small->addImageRect(0, 0, 4, 4, 0, 0, false, false);
    EXPECT_LE(small->getPendingCount() + small->getRingPosition(), small->getCapacity());
    restoreAllBatchBuffers();

    // A batch smaller than one quad takes none.
    auto tiny = makeBatch();
    ASSERT_TRUE(tiny->allocateVertices(4, KBatchD3D9::kLit));
    tiny->startBatch(picture.get());
    tiny->addImageRect(0, 0, 4, 4, 0, 0, false, false);
    tiny->addTriangle(0, 0, 4, 0, 0, 4, 1, 1, 1, 1);
    EXPECT_EQ(tiny->getPendingCount(), 3);

    // A batch that was never allocated never starts.
    auto empty = std::unique_ptr<KBatch>(createKBatch());
    empty->startBatch(picture.get());
    empty->addTriangle(0, 0, 4, 0, 0, 4, 1, 1, 1, 1);
    empty->flushBatch();
    EXPECT_FALSE(empty->takeBufferLostFlag());
}

TEST_F(Batches, ColoursAboveOneSaturateInsteadOfSpillingIntoTheNextChannel) {
    std::vector<uint32_t> white(4 * 4, 0xFFFFFFFFu);
    auto picture = image(white, 4, 4);
    picture->setBlendFactors(1, 0);
    auto quads = batch(4);
    quads->startBatch(picture.get());
    quads->addFilledRect(0, 0, 8, 8, 0, 2.0f, 0, 1);
    quads->addImageRectTransformed(0, 0, 4, 4, 20, 0, 0, 1, 5.0f, false, false, 0, 0);
    quads->flushBatch();
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 3, 3) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(at(f, 21, 1), 0xFFFFFFFFu);
}

TEST_F(Batches, DeletingTheBoundPictureStopsTheBatch) {
    auto picture = image(patternPixels(4, 4), 4, 4);
    auto quads = batch(4);
    quads->startBatch(picture.get());
    quads->addImageRect(0, 0, 4, 4, 0, 0, false, false);
    picture.reset();
    EXPECT_FALSE(quads->isStarted());
    EXPECT_EQ(quads->getPendingCount(), 0);
    quads->addImageRect(0, 0, 4, 4, 0, 0, false, false); // reads no tint of the deleted picture
    quads->flushBatch();
    EXPECT_EQ(frame()[1 * kWidth + 1], 0xFF000000u);
}

TEST_F(Batches, QuadCountsWhoseVerticesOverflowAreRefused) {
    auto quads = std::unique_ptr<KBatch>(createKBatch());
    EXPECT_FALSE(quads->allocateQuads(INT32_MAX));
    EXPECT_FALSE(quads->allocateQuads(-1));
    EXPECT_TRUE(quads->allocateQuads(2));
}

TEST_F(Batches, AStaticDrawPastTheEndIsCutToTheLastVertex) {
    std::vector<uint32_t> pixels(4 * 4, 0xFF3366CCu);
    auto picture = image(pixels, 4, 4, false);
    auto mesh = makeBatch();
    ASSERT_TRUE(mesh->allocateVertices(30, KBatchD3D9::kStatic3D));
    mesh->lockStaticVertices();
    for (int i = 0; i < 30; ++i)
        mesh->setStaticVertex(i, 0, 0, 0, 0, 0, 1, 0, 0); // degenerate: nothing to see
    // The last two triangles (vertices 24..29) cover game pixels 10..30 x 10..20.
    auto vertex = [&](int index, float x, float y) { mesh->setStaticVertex(index, x - 0.5f, 0.5f - y, 0, 0, 0, 1, 0, 0); };
    vertex(24, 10, 10), vertex(25, 30, 10), vertex(26, 10, 20);
    vertex(27, 30, 10), vertex(28, 30, 20), vertex(29, 10, 20);
    mesh->unlockStaticVertices();
    mesh->drawStaticVertices(24, 12, picture.get()); // six vertices left: two triangles
    std::vector<uint32_t> f = frame();
    EXPECT_EQ(at(f, 11, 11), 0xFF3366CCu);
    EXPECT_EQ(at(f, 29, 19), 0xFF3366CCu);
    EXPECT_EQ(at(f, 30, 15), 0xFF000000u);
}
