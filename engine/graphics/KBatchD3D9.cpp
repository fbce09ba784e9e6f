#include "engine/graphics/KBatchD3D9.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/graphics/KGraphicD3D9.h"
#include "engine/graphics/KGraphicD3D9State.h"
#include "engine/graphics/KGraphicD3D9Window.h"
#include "engine/system/KSystem.h"

namespace {

KObjectList batchList;
IDirect3DDevice9 *batchDevice = nullptr;
KGraphicD3D9Window *batchWindow = nullptr;
D3DMATRIX batchIdentity;

struct KindFormat {
    const char *name;
    DWORD vertexFormat;
    UINT stride;
    DWORD usage;
};

const KindFormat kindFormats[3] = {
    {"DYNTL", D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 28, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY},
    {"DYNL", D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY},
    {"STAT3D", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32, D3DUSAGE_WRITEONLY},
};

constexpr float kDegreesToRadians = 0.017453292f;

bool knownKind(int32_t kind) { return kind >= 0 && kind <= 2; }

std::lock_guard<std::recursive_mutex> lockRenderer() {
    return std::lock_guard<std::recursive_mutex>(KGraphicD3D9::rendererMutex());
}

} // namespace

const KObjectList &KBatchD3D9::batches() { return batchList; }

KBatchD3D9::KBatchD3D9() {
    auto guard = lockRenderer();
    batchList.append(this);
}

KBatchD3D9::~KBatchD3D9() {
    auto guard = lockRenderer();
    KBatchD3D9::releaseBuffers();
    batchList.unlink(this);
}

bool KBatchD3D9::allocateVertices(int32_t count, int32_t newKind) {
    auto guard = lockRenderer();
    releaseBuffers();
    if (!knownKind(newKind) || count < 0)
        return false;
    if (newKind == kTransformed)
        transformedVertices = new (std::nothrow) TransformedVertex[count];
    else if (newKind == kLit)
        litVertices = new (std::nothrow) LitVertex[count];
    if (count > 0 && newKind != kStatic3D && !transformedVertices && !litVertices) {
        logMessage("D3D9: out of memory for %d batch vertices", count);
        return false;
    }
    capacity = count;
    kind = newKind;
    ringPosition = 0;
    pendingCount = 0;
    started = 0;
    createVertexBuffer();
    return true;
}

void KBatchD3D9::unlockStatic() {
    if (staticLock && vertexBuffer)
        vertexBuffer->Unlock();
    staticLock = nullptr;
}

void KBatchD3D9::releaseBuffers() {
    auto guard = lockRenderer();
    unlockStatic();
    if (vertexBuffer)
        vertexBuffer->Release();
    vertexBuffer = nullptr;
    delete[] transformedVertices;
    delete[] litVertices;
    transformedVertices = nullptr;
    litVertices = nullptr;
    started = 0;
}

bool KBatchD3D9::createVertexBuffer() {
    auto guard = lockRenderer();
    if (capacity == 0)
        return true;
    if (!knownKind(kind) || !batchDevice)
        return false;
    unlockStatic();
    if (vertexBuffer)
        vertexBuffer->Release();
    vertexBuffer = nullptr;
    const KindFormat &format = kindFormats[kind];
    uint64_t length = (uint64_t)capacity * format.stride;
    HRESULT result = length > UINT32_MAX ? D3DERR_OUTOFVIDEOMEMORY
                                         : batchDevice->CreateVertexBuffer((UINT)length, format.usage,
                                                                           format.vertexFormat, D3DPOOL_DEFAULT,
                                                                           &vertexBuffer, nullptr);
    if (FAILED(result)) {
        vertexBuffer = nullptr;
        logMessage("D3D9: CreateVertexBuffer returned 0x%X for %d %s vertices, error", (unsigned)result, capacity,
                   format.name);
        return false;
    }
    return true;
}

void KBatchD3D9::startBatch(KGraphic *newPicture) {
    KGraphicD3D9 *bound = dynamic_cast<KGraphicD3D9 *>(newPicture);
    if (!bound || !vertexBuffer)
        return;
    picture = bound;
    textureWidth = bound->textureWidths[0];
    textureHeight = bound->textureHeights[0];
    pendingCount = 0;
    started = 1;
}

void KBatchD3D9::flushBatch() {
    if (!started || pendingCount <= 0)
        return;
    auto guard = lockRenderer();
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (renderer.device && renderer.device == batchDevice) {
        if (renderer.modelTransformChanged) {
            batchDevice->SetTransform(D3DTS_WORLD, &batchIdentity);
            renderer.modelTransformChanged = false;
        }
        picture->applyTexturedStates(true);
        DWORD flags = ringPosition > 0 ? D3DLOCK_NOOVERWRITE : D3DLOCK_DISCARD;
        void *locked = nullptr;
        if (vertexBuffer && deviceReadyForDrawing() && SUCCEEDED(vertexBuffer->Lock(0, 0, &locked, flags)) &&
            locked) {
            const KindFormat &format = kindFormats[kind];
            const uint8_t *client = kind == kTransformed ? (const uint8_t *)transformedVertices
                                                         : (const uint8_t *)litVertices;
            std::memcpy((uint8_t *)locked + (size_t)ringPosition * format.stride,
                        client + (size_t)ringPosition * format.stride, (size_t)pendingCount * format.stride);
            vertexBuffer->Unlock();
            if (batchDevice->TestCooperativeLevel() == D3D_OK) {
                batchDevice->SetFVF(format.vertexFormat);
                batchDevice->SetStreamSource(0, vertexBuffer, 0, format.stride);
                batchDevice->DrawPrimitive(D3DPT_TRIANGLELIST, (UINT)ringPosition, (UINT)(pendingCount / 3));
                ringPosition = (ringPosition + pendingCount) % capacity;
                pendingCount = 0;
            }
        }
    }
    started = 0;
}

// Room for `vertices` more: a run that would pass the end of the ring is flushed and the ring restarted.
// When that flush could not draw (no buffer, lost device) or the batch is too small, the add is dropped
// rather than written past the client copy.
bool KBatchD3D9::makeRoom(int32_t vertices) {
    if (!started)
        return false;
    if ((kind == kTransformed && !transformedVertices) || (kind == kLit && !litVertices) || kind == kStatic3D)
        return false;
    if (ringPosition + pendingCount + vertices > capacity) {
        KGraphicD3D9 *bound = picture;
        flushBatch();
        ringPosition = 0;
        startBatch(bound);
        if (!started || pendingCount + vertices > capacity)
            return false;
    }
    return true;
}

void KBatchD3D9::putVertex(float x, float y, float z, float rhw, uint32_t color, float u, float v) {
    int32_t index = ringPosition + pendingCount;
    if (kind == kTransformed) {
        KGraphicD3D9Renderer &renderer = d3d9Renderer();
        if (renderer.mappingOn) {
            x = x * renderer.mappingScale + renderer.mappingX;
            y = y * renderer.mappingScale + renderer.mappingY;
        }
        transformedVertices[index] = {x, y, z, rhw, color, u, v};
    } else {
        litVertices[index] = {x, -y, 0.0f, color, u, v};
    }
    ++pendingCount;
}

void KBatchD3D9::putQuad(const Corner &topLeft, const Corner &topRight, const Corner &bottomLeft,
                         const Corner &bottomRight, uint32_t color) {
    for (const Corner *corner : {&topLeft, &topRight, &bottomLeft, &topRight, &bottomRight, &bottomLeft})
        putVertex(corner->x, corner->y, 0.0f, 1.0f, color, corner->u, corner->v);
}

uint32_t KBatchD3D9::tintColor(float alphaFactor) const {
    const float *tint = picture->tint;
    return packColor(tint[0], tint[1], tint[2], tint[3] * alphaFactor);
}

void KBatchD3D9::addTriangle(float x1, float y1, float x2, float y2, float x3, float y3, float r, float g, float b,
                             float a) {
    if (!(a > 0.0f) || !makeRoom(3))
        return;
    uint32_t color = packColor(r, g, b, a);
    putVertex(x1 - 0.5f, y1 - 0.5f, 0.0f, 1.0f, color, 0, 0);
    putVertex(x2 - 0.5f, y2 - 0.5f, 0.0f, 1.0f, color, 0, 0);
    putVertex(x3 - 0.5f, y3 - 0.5f, 0.0f, 1.0f, color, 0, 0);
}

void KBatchD3D9::addFilledRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    if (!(a > 0.0f) || !makeRoom(6))
        return;
    x1 -= 0.5f, y1 -= 0.5f, x2 -= 0.5f, y2 -= 0.5f;
    putQuad({x1, y1, 0, 0}, {x2, y1, 0, 0}, {x1, y2, 0, 0}, {x2, y2, 0, 0}, packColor(r, g, b, a));
}

// The four corners of a destination rectangle, turned by angle degrees (counterclockwise on the screen)
// about its centre, with the source rectangle's texture coordinates.
void KBatchD3D9::addImageCorners(float sx1, float sy1, float sx2, float sy2, float x1, float y1, float x2, float y2,
                                 float angle, bool flipX, bool flipY, float alpha) {
    float tw = textureWidth > 0 ? textureWidth : 1.0f, th = textureHeight > 0 ? textureHeight : 1.0f;
    float uA = sx1 / tw, uB = sx2 / tw, vA = sy1 / th, vB = sy2 / th;
    if (flipX)
        std::swap(uA, uB);
    if (flipY)
        std::swap(vA, vB);
    Corner corners[4] = {{x1, y1, uA, vA}, {x2, y1, uB, vA}, {x1, y2, uA, vB}, {x2, y2, uB, vB}};
    if (angle != 0.0f) {
        float radians = angle * kDegreesToRadians;
        float c = std::cos(radians), s = std::sin(radians);
        float centreX = (x1 + x2) * 0.5f, centreY = (y1 + y2) * 0.5f;
        for (Corner &corner : corners)
            turnOnScreen(corner.x, corner.y, centreX, centreY, c, s);
    }
    putQuad(corners[0], corners[1], corners[2], corners[3], tintColor(alpha));
}

void KBatchD3D9::addImageRect(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX, bool flipY) {
    if (!makeRoom(6))
        return;
    float x1 = dx - 0.5f, y1 = dy - 0.5f;
    addImageCorners(sx1, sy1, sx2, sy2, x1, y1, x1 + (sx2 - sx1), y1 + (sy2 - sy1), 0.0f, flipX, flipY, 1.0f);
}

void KBatchD3D9::addImageRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle,
                                         float zoom, float alpha, bool flipX, bool flipY, float pivotX, float pivotY) {
    if (!(alpha > 0.0f) || !(zoom > 0.0f) || !makeRoom(6))
        return;
    float w = sx2 - sx1, h = sy2 - sy1;
    float cx = w * 0.5f + pivotX, cy = h * 0.5f + pivotY;
    float x1 = (dx - 0.5f) + cx - cx * zoom, y1 = (dy - 0.5f) + cy - cy * zoom;
    addImageCorners(sx1, sy1, sx2, sy2, x1, y1, x1 + w * zoom, y1 + h * zoom, angle, flipX, flipY, alpha);
}

void KBatchD3D9::addImageRectScaled(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float zoom,
                                    float alpha, float pivotX, float pivotY) {
    addImageRectTransformed(sx1, sy1, sx2, sy2, dx, dy, 0.0f, zoom, alpha, false, false, pivotX, pivotY);
}

void KBatchD3D9::addImageToQuad(const float source[8], const float destination[8]) {
    if (!makeRoom(6))
        return;
    float tw = textureWidth > 0 ? textureWidth : 1.0f, th = textureHeight > 0 ? textureHeight : 1.0f;
    Corner points[4];
    for (int i = 0; i < 4; ++i)
        points[i] = {destination[i * 2] - 0.5f, destination[i * 2 + 1] - 0.5f, source[i * 2] / tw,
                     source[i * 2 + 1] / th};
    uint32_t color = tintColor(1.0f);
    // Points go around the quad: triangles (d0, d1, d3) and (d1, d2, d3).
    for (int i : {0, 1, 3, 1, 2, 3})
        putVertex(points[i].x, points[i].y, 0.0f, 1.0f, color, points[i].u, points[i].v);
}

void KBatchD3D9::putPerspectiveTriangle(const float source[6], const float *corners, int stride,
                                        const uint32_t colors[3]) {
    float tw = textureWidth > 0 ? textureWidth : 1.0f, th = textureHeight > 0 ? textureHeight : 1.0f;
    for (int i = 0; i < 3; ++i) {
        const float *corner = corners + i * stride;
        putVertex(corner[0] - 0.5f, corner[1] - 0.5f, corner[2], std::fabs(1.0f / corner[3]), colors[i],
                  source[i * 2] / tw, source[i * 2 + 1] / th);
    }
}

void KBatchD3D9::addPerspectiveTriangle(const float source[6], const float corners[12]) {
    if (kind != kTransformed || !makeRoom(3))
        return;
    uint32_t color = tintColor(1.0f);
    const uint32_t colors[3] = {color, color, color};
    putPerspectiveTriangle(source, corners, 4, colors);
}

uint32_t KBatchD3D9::tintTimes(float red, float green, float blue) const {
    const float *tint = picture->tint;
    return packColor(tint[0] * red, tint[1] * green, tint[2] * blue, tint[3]);
}

void KBatchD3D9::addShadedPerspectiveTriangle(const float source[6], const float corners[15]) {
    if (kind != kTransformed || !makeRoom(3))
        return;
    const float *shades = corners + 4;
    const uint32_t colors[3] = {tintTimes(shades[0], shades[0], shades[0]), tintTimes(shades[5], shades[5], shades[5]),
                                tintTimes(shades[10], shades[10], shades[10])};
    putPerspectiveTriangle(source, corners, 5, colors);
}

void KBatchD3D9::addColoredPerspectiveTriangle(const float source[6], const float corners[21]) {
    if (kind != kTransformed || !makeRoom(3))
        return;
    const float *rgb = corners + 4;
    const uint32_t colors[3] = {tintTimes(rgb[0], rgb[1], rgb[2]), tintTimes(rgb[7], rgb[8], rgb[9]),
                                tintTimes(rgb[14], rgb[15], rgb[16])};
    putPerspectiveTriangle(source, corners, 7, colors);
}

void KBatchD3D9::lockStaticVertices() {
    auto guard = lockRenderer();
    if (kind != kStatic3D || staticLock || !vertexBuffer)
        return;
    void *locked = nullptr;
    if (SUCCEEDED(vertexBuffer->Lock(0, 0, &locked, 0)))
        staticLock = (float *)locked;
}

void KBatchD3D9::setStaticVertex(int32_t index, float x, float y, float z, float nx, float ny, float nz, float u,
                                 float v) {
    if (index < 0 || index >= capacity || !staticLock)
        return;
    // The three vertices of each triangle are stored in reverse order.
    int32_t position = 3 * (index / 3) + 2 - index % 3;
    if (position >= capacity)
        return;
    float *vertex = staticLock + (size_t)position * 8;
    const float values[8] = {x, y, z, nx, ny, nz, u, v};
    std::memcpy(vertex, values, sizeof values);
}

void KBatchD3D9::unlockStaticVertices() {
    auto guard = lockRenderer();
    unlockStatic();
}

void KBatchD3D9::drawStaticVertices(int32_t first, int32_t count, KGraphic *drawn) {
    KGraphicD3D9 *target = dynamic_cast<KGraphicD3D9 *>(drawn);
    if (first < 0)
        first = 0;
    if (first >= capacity)
        return;
    if ((int64_t)first + count >= capacity)
        count = capacity - first;
    auto guard = lockRenderer();
    KGraphicD3D9Renderer &renderer = d3d9Renderer();
    if (count <= 0 || staticLock || !vertexBuffer || !target || !renderer.device || renderer.device != batchDevice ||
        !deviceReadyForDrawing())
        return;
    target->applyTexturedStates(true);
    const KindFormat &format = kindFormats[kStatic3D];
    batchDevice->SetFVF(format.vertexFormat);
    batchDevice->SetStreamSource(0, vertexBuffer, 0, format.stride);
    batchDevice->DrawPrimitive(D3DPT_TRIANGLELIST, (UINT)first, (UINT)(count / 3));
}

bool KBatchD3D9::takeBufferLostFlag() {
    bool lost = bufferLost != 0;
    bufferLost = 0;
    return lost;
}

void bindBatchDevice(KGraphicD3D9Window *window) {
    auto guard = lockRenderer();
    batchWindow = window;
    batchDevice = window ? window->getDevice() : nullptr;
    batchIdentity = identityMatrix();
}

void unbindBatchDevice() {
    auto guard = lockRenderer();
    batchWindow = nullptr;
    batchDevice = nullptr;
}

void forgetBatchPicture(KGraphicD3D9 *picture) {
    auto guard = lockRenderer();
    for (KObjectListable *node = batchList.head; node; node = node->next) {
        KBatchD3D9 *batch = static_cast<KBatchD3D9 *>(node);
        if (batch->picture != picture)
            continue;
        batch->picture = nullptr;
        batch->started = 0;
        batch->pendingCount = 0;
    }
}

void releaseAllBatchBuffers() {
    auto guard = lockRenderer();
    for (KObjectListable *node = batchList.head; node; node = node->next) {
        KBatchD3D9 *batch = static_cast<KBatchD3D9 *>(node);
        batch->bufferLost = 1;
        batch->unlockStatic();
        if (batch->vertexBuffer)
            batch->vertexBuffer->Release();
        batch->vertexBuffer = nullptr;
    }
}

void restoreAllBatchBuffers() {
    auto guard = lockRenderer();
    for (KObjectListable *node = batchList.head; node; node = node->next)
        static_cast<KBatchD3D9 *>(node)->createVertexBuffer();
}

void resetBatchesForFrame() {
    auto guard = lockRenderer();
    for (KObjectListable *node = batchList.head; node; node = node->next) {
        KBatchD3D9 *batch = static_cast<KBatchD3D9 *>(node);
        batch->ringPosition = 0;
        batch->started = 0;
    }
}

// The game makes no pixel shaders, so around a reset there is none to release or to make again.
void releaseAllPixelShaders() {}
void recreateAllPixelShaders() {}
