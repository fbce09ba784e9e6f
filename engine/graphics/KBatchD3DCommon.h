#pragma once
// A vertex batch of a Direct3D renderer, written once for Direct3D 9 and Direct3D 8 (Api as for
// KGraphicD3DCommon). Vertices are built in a client copy and copied once per flush into a dynamic
// write-only vertex buffer used as a ring: each flush appends its run behind the previous one (no-overwrite
// lock), and a run that would not fit starts again at vertex 0 (discard lock). A static kind holds 3D
// triangles written by the caller. KBatchD3D9 and KBatchD3D are the two concrete batches; the member
// definitions are in KBatchD3DCommonImpl.h, included by the one file of each renderer that instantiates it.

#include <cstdint>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KD3DRenderer.h"
#include "engine/system/KObject.h"

template <class Api> class KGraphicD3DCommon;

template <class Api> class KBatchD3DCommon : public KBatch {
public:
    using Device = typename Api::Device;
    using VertexBuffer = typename Api::VertexBuffer;
    using Window = typename Api::Window;
    using Picture = KGraphicD3DCommon<Api>;

    // Vertex kinds: pre-transformed screen vertices, lit game-space vertices, static 3D triangles.
    enum Kind : int32_t { kTransformed = 0, kLit = 1, kStatic3D = 2 };

    KBatchD3DCommon();
    ~KBatchD3DCommon() override;
    KBatchD3DCommon(const KBatchD3DCommon &) = delete;
    KBatchD3DCommon &operator=(const KBatchD3DCommon &) = delete;

    bool allocateVertices(int32_t count, int32_t kind) override;
    void releaseBuffers() override;
    void startBatch(KGraphic *picture) override;
    void flushBatch() override;

    void addTriangle(float x1, float y1, float x2, float y2, float x3, float y3, float r, float g, float b,
                     float a) override;
    void addFilledRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) override;
    void addImageRect(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX, bool flipY) override;
    void addImageRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle, float zoom,
                                 float alpha, bool flipX, bool flipY, float pivotX, float pivotY) override;
    void addImageRectScaled(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float zoom, float alpha,
                            float pivotX, float pivotY) override;
    void addImageToQuad(const float source[8], const float destination[8]) override;
    void addPerspectiveTriangle(const float source[6], const float corners[12]) override;
    void addShadedPerspectiveTriangle(const float source[6], const float corners[15]) override;
    void addColoredPerspectiveTriangle(const float source[6], const float corners[21]) override;

    void lockStaticVertices() override;
    void setStaticVertex(int32_t index, float x, float y, float z, float nx, float ny, float nz, float u,
                         float v) override;
    void unlockStaticVertices() override;
    void drawStaticVertices(int32_t first, int32_t count, KGraphic *picture) override;
    bool takeBufferLostFlag() override;

    bool createVertexBuffer();

    static const KObjectList &batches() { return batchList(); }

    // Module operations called by the window: binding to its device (at creation and after every reset),
    // the release and re-creation of every batch's device buffer around a reset (the buffers' lost flags
    // set), the per-frame rewind of every ring, and forgetting a picture that goes away (every batch it is
    // bound to is left unstarted, its pending vertices dropped).
    static void bindDevice(Window *window);
    static void unbindDevice();
    static void releaseAllBuffers();
    static void restoreAllBuffers();
    static void resetForFrame();
    static void forgetPicture(Picture *picture);

    // Read by the tests.
    int32_t getCapacity() const { return capacity; }
    int32_t getKind() const { return kind; }
    int32_t getRingPosition() const { return ringPosition; }
    int32_t getPendingCount() const { return pendingCount; }
    bool isStarted() const { return started != 0; }
    bool hasVertexBuffer() const { return vertexBuffer != nullptr; }
    // The static vertices as stored (8 floats each) while they are locked, else null.
    const float *lockedStaticVertices() const { return staticLock; }

private:
    struct TransformedVertex {
        float x, y, z, rhw;
        uint32_t color;
        float u, v;
    };
    struct LitVertex {
        float x, y, z;
        uint32_t color;
        float u, v;
    };
    static_assert(sizeof(TransformedVertex) == 28 && sizeof(LitVertex) == 24);
    struct Corner {
        float x, y, u, v;
    };
    // The device the batches draw on, bound by the window.
    struct Binding {
        Device *device = nullptr;
        Window *window = nullptr;
        D3DMATRIX identity{};
    };

    int32_t capacity = 0;
    int32_t kind = -1;
    VertexBuffer *vertexBuffer = nullptr;
    TransformedVertex *transformedVertices = nullptr;
    LitVertex *litVertices = nullptr;
    float *staticLock = nullptr;
    uint8_t started = 0;
    Picture *picture = nullptr;
    float textureWidth = 0, textureHeight = 0;
    int32_t ringPosition = 0;
    int32_t pendingCount = 0;
    uint8_t bufferLost = 0;

    static KObjectList &batchList() {
        static KObjectList list;
        return list;
    }
    static Binding &binding() {
        static Binding bound;
        return bound;
    }
    static std::recursive_mutex &mutex() { return KD3DRenderer<Api>::instance().mutex; }

    bool makeRoom(int32_t vertices);
    void putVertex(float x, float y, float z, float rhw, uint32_t color, float u, float v);
    void putQuad(const Corner &topLeft, const Corner &topRight, const Corner &bottomLeft, const Corner &bottomRight,
                 uint32_t color);
    void putPerspectiveTriangle(const float source[6], const float *corners, int stride, const uint32_t colors[3]);
    void addImageCorners(float sx1, float sy1, float sx2, float sy2, float x1, float y1, float x2, float y2,
                         float angle, bool flipX, bool flipY, float alpha);
    uint32_t tintColor(float alphaFactor) const;
    uint32_t tintTimes(float red, float green, float blue) const;
    void unlockStatic();
    void releaseVertexBuffer();
};
