// Direct3D 8 batches: the ring's lock flags and draws seen through the recording device face, the static
// vertex order and draw clamps, the letterbox mapping of screen vertices, the guards against writing past
// the client copy, and a device lost in the middle of a batch.
#include "tests/support/KGraphicD3D8TestSupport.h"

using namespace d3d8test;
using picturetest::logHas;
using picturetest::patternPixels;

namespace {

class Direct3D8Batches : public D3D8RendererTest {
protected:
    std::unique_ptr<KGraphicD3D> picture = nullptr;

    void SetUp() override {
        D3D8RendererTest::SetUp();
        picture = pictureFrom(patternPixels(16, 16), 16, 16);
    }
    void TearDown() override {
        picture.reset();
        D3D8RendererTest::TearDown();
    }
    // The lock flags and draws recorded since the last call, one per line.
    std::string ringCalls() {
        std::string kept;
        for (const std::string &call : recorder().calls)
            if (call.rfind("Lock", 0) == 0 || call.rfind("DrawPrimitive ", 0) == 0)
                kept += call + "\n";
        recorder().calls.clear();
        return kept;
    }
    void addRects(KBatch &batch, int count) {
        for (int i = 0; i < count; ++i)
            batch.addFilledRect(0, 0, 4, 4, 1, 1, 1, 1);
    }
};

} // namespace

TEST_F(Direct3D8Batches, TheRingDiscardsAtZeroAndAppendsWithNoOverwrite) {
    auto batch = makeBatch(600, 1);
    EXPECT_EQ(recorder().count("CreateVertexBuffer 14400 usage 0x208 fvf 0x142"), 1);
    recorder().calls.clear();
    // 100 quads fill the 600 vertices without an automatic flush; the flush ends at 600 mod 600 = 0.
    batch->startBatch(picture.get());
    addRects(*batch, 100);
    EXPECT_EQ(batch->getPendingCount(), 600);
    batch->flushBatch();
    EXPECT_EQ(ringCalls(), "Lock 0x2000\nDrawPrimitive 4 0 200\n");
    EXPECT_EQ(batch->getRingPosition(), 0);
    // The 101st quad flushes the 100 before it and starts again at position 0, so the next flush discards
    // again; the one after appends behind it.
    batch->startBatch(picture.get());
    addRects(*batch, 101);
    EXPECT_EQ(ringCalls(), "Lock 0x2000\nDrawPrimitive 4 0 200\n");
    EXPECT_EQ(batch->getPendingCount(), 6);
    EXPECT_EQ(batch->getRingPosition(), 0);
    batch->flushBatch();
    batch->startBatch(picture.get());
    addRects(*batch, 1);
    batch->flushBatch();
    EXPECT_EQ(ringCalls(), "Lock 0x2000\nDrawPrimitive 4 0 2\nLock 0x1000\nDrawPrimitive 4 6 2\n");
    EXPECT_EQ(batch->getRingPosition(), 12);

    // A batch of screen vertices draws with its own format and stride; a flush with nothing pending keeps
    // the batch open.
    auto screen = makeBatch(6, 0);
    screen->startBatch(picture.get());
    screen->flushBatch();
    EXPECT_TRUE(screen->isStarted());
    screen->addImageRect(0, 0, 16, 16, 0, 0, false, false);
    recorder().calls.clear();
    screen->flushBatch();
    EXPECT_EQ(recorder().count("SetVertexShader 0x144"), 1);
    EXPECT_EQ(recorder().count("SetStreamSource 0 28"), 1);
    EXPECT_FALSE(screen->isStarted());
}

TEST_F(Direct3D8Batches, StaticVerticesReverseEachTriangleAndDrawsAreClamped) {
    auto batch = makeBatch(31, 2);
    batch->lockStaticVertices();
    for (int32_t i : {3, 5, 4, 30, 31, -1})
        batch->setStaticVertex(i, (float)i, 0, 0, 0, 0, 1, 0, 0);
    batch->unlockStaticVertices();
    ASSERT_FALSE(recorder().buffers.empty());
    BYTE *bytes = nullptr;
    ASSERT_EQ(recorder().buffers.back()->real->Lock(0, 0, &bytes, D3DLOCK_READONLY), D3D_OK);
    auto positionX = [&](int position) { return ((const float *)bytes)[position * 8]; };
    EXPECT_EQ(positionX(5), 3.0f);
    EXPECT_EQ(positionX(3), 5.0f);
    EXPECT_EQ(positionX(4), 4.0f);
    // 30 would go to position 32, past the 31 vertices: ignored, as are 31 and -1.
    EXPECT_EQ(positionX(30), 0.0f);
    recorder().buffers.back()->real->Unlock();

    auto thirty = makeBatch(30, 2);
    struct Case {
        int32_t first, count;
        const char *drawn;
    };
    for (const Case &c : {Case{-5, 10, "DrawPrimitive 4 0 3\n"}, Case{0, 7, "DrawPrimitive 4 0 2\n"},
                          Case{24, 12, "DrawPrimitive 4 24 2\n"}, Case{30, 3, ""}, Case{0, 0, ""}}) {
        recorder().calls.clear();
        thirty->drawStaticVertices(c.first, c.count, picture.get());
        EXPECT_EQ(ringCalls(), c.drawn) << c.first << "," << c.count;
    }
    // While locked, and for a null picture, nothing is drawn.
    thirty->lockStaticVertices();
    thirty->drawStaticVertices(0, 3, picture.get());
    thirty->unlockStaticVertices();
    thirty->drawStaticVertices(0, 3, nullptr);
    EXPECT_EQ(recorder().count("DrawPrimitive "), 0);
}

TEST_F(Direct3D8Batches, ScreenVerticesTakeTheLetterboxAndTooLargePrimitivesAreDropped) {
    // A 128 x 96 design on a 256 x 240 back buffer: scale 2, the game area 16 pixels down.
    host.destroy();
    KRendererSetupD3D8::Options letterbox = options();
    letterbox.backBufferWidth = 256;
    letterbox.backBufferHeight = 240;
    createHost(letterbox);
    KGraphicD3DGameArea area = host.getGameArea();
    EXPECT_TRUE(area.aspectActive);
    EXPECT_EQ(area.y, 24);
    picture = pictureFrom(std::vector<uint32_t>(16 * 16, 0xFF00FF00u), 16, 16);
    auto batch = makeBatch(6, 0);
    batch->startBatch(picture.get());
    batch->addImageRect(0, 0, 16, 16, 10, 10, false, false);
    batch->flushBatch();
    std::vector<uint32_t> back((size_t)256 * 240);
    auto reader = makePicture();
    ASSERT_TRUE(reader->readTargetPixels(0, 0, 256, 240, back.data()));
    // Game pixels 10 to 25 (edges 9.5 and 25.5 after the half-pixel shift) become screen pixels 19 to 50,
    // and 43 to 74 below the 24-pixel bar.
    auto screen = [&](int x, int y) { return back[(size_t)y * 256 + x]; };
    EXPECT_EQ(screen(19, 43), 0xFF00FF00u);
    EXPECT_EQ(screen(50, 74), 0xFF00FF00u);
    EXPECT_EQ(screen(18, 43), 0xFF000000u);
    EXPECT_EQ(screen(19, 42), 0xFF000000u);
    EXPECT_EQ(screen(51, 75), 0xFF000000u);

    // Inside a target the mapping is off.
    auto canvas = makePicture();
    ASSERT_TRUE(canvas->createRenderTarget(64, 64, true, true, false));
    canvas->beginRenderToTarget();
    EXPECT_FALSE(d3d8RenderCache().mappingOn);
    canvas->endRenderToTarget();
    EXPECT_TRUE(d3d8RenderCache().mappingOn);

    // A quad does not fit a batch of 4 vertices, nor a triangle one of 2: dropped, never written past them.
    auto tiny = makeBatch(4, 0);
    tiny->startBatch(picture.get());
    tiny->addFilledRect(0, 0, 4, 4, 1, 1, 1, 1);
    EXPECT_EQ(tiny->getPendingCount(), 0);
    tiny->addTriangle(0, 0, 4, 0, 0, 4, 1, 1, 1, 1);
    EXPECT_EQ(tiny->getPendingCount(), 3);
    auto two = makeBatch(2, 1);
    two->startBatch(picture.get());
    two->addTriangle(0, 0, 4, 0, 0, 4, 1, 1, 1, 1);
    EXPECT_EQ(two->getPendingCount(), 0);

    // Alpha 0, and the perspective triangles on a batch of lit vertices, queue nothing.
    auto lit = makeBatch(12, 1);
    lit->startBatch(picture.get());
    lit->addTriangle(0, 0, 4, 0, 0, 4, 1, 1, 1, 0);
    const float source[6] = {0, 0, 16, 0, 0, 16};
    const float corners[12] = {0, 0, 0, 1, 16, 0, 0, 1, 0, 16, 0, 1};
    lit->addPerspectiveTriangle(source, corners);
    EXPECT_EQ(lit->getPendingCount(), 0);
    EXPECT_FALSE(lit->allocateVertices(-6, 1));
    EXPECT_FALSE(lit->allocateVertices(6, 3));
    EXPECT_TRUE(logHas("D3D8: refusing a batch of 6 vertices of kind 3, ERROR"));
}

TEST_F(Direct3D8Batches, ALostDeviceInTheMiddleOfABatchDropsItAndTheBuffersComeBack) {
    auto batch = makeBatch(60, 1);
    auto still = makeBatch(30, 2);
    batch->startBatch(picture.get());
    batch->addImageRect(0, 0, 16, 16, 0, 0, false, false);
    deviceHooksLoseDevice(1);
    batch->flushBatch(); // lost: nothing is drawn, the lost flag raised
    EXPECT_TRUE(host.isDeviceLost());
    EXPECT_EQ(recorder().count("DrawPrimitive "), 0);
    host.flipBackBuffer(true); // not resettable yet
    host.flipBackBuffer(true); // reset
    ASSERT_EQ(host.getResetCount(), 1);
    EXPECT_TRUE(batch->takeBufferLostFlag());
    EXPECT_FALSE(batch->takeBufferLostFlag());
    EXPECT_TRUE(still->takeBufferLostFlag());
    EXPECT_TRUE(batch->hasVertexBuffer());

    clear(0xFF000000u);
    batch->startBatch(picture.get());
    batch->addImageRect(0, 0, 16, 16, 2, 2, false, false);
    batch->flushBatch();
    std::vector<uint32_t> f = frame();
    std::vector<uint32_t> pixels = patternPixels(16, 16);
    EXPECT_EQ(at(f, 2, 2), pixels[0]);
    EXPECT_EQ(at(f, 17, 17), pixels[15 * 16 + 15]);

    // A failed buffer creation is logged with its lower-case "error" and leaves the batch without buffer.
    recorder().failures["CreateVertexBuffer"] = D3DERR_OUTOFVIDEOMEMORY;
    auto starved = makeBatch(10, 0);
    EXPECT_TRUE(logHas("D3D8: CreateVertexBuffer returned 0x8876017C for 10 DYNTL vertices, error"));
    starved->startBatch(picture.get());
    EXPECT_FALSE(starved->isStarted());
}
