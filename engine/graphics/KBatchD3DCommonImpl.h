#pragma once
// The Direct3D vertex batches (KBatchD3DCommon.h). Template definitions, included by the one file of each
// renderer that instantiates it.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/graphics/KBatchD3DCommon.h"
#include "engine/graphics/KD3DArithmetic.h"
#include "engine/graphics/KGraphicD3DCommon.h"
#include "engine/system/KSystem.h"

namespace d3dbatch {

struct KindFormat {
    const char *name;
    DWORD vertexFormat;
    UINT stride;
    DWORD usage;
};

inline const KindFormat &kindFormat(int32_t kind) {
    static const KindFormat formats[3] = {
        {"DYNTL", D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 28, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY},
        {"DYNL", D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY},
        {"STAT3D", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32, D3DUSAGE_WRITEONLY},
    };
    return formats[kind];
}

inline bool knownKind(int32_t kind) { return kind >= 0 && kind <= 2; }

} // namespace d3dbatch

template <class Api> KBatchD3DCommon<Api>::KBatchD3DCommon() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    batchList().append(this);
}

template <class Api> KBatchD3DCommon<Api>::~KBatchD3DCommon() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    KBatchD3DCommon::releaseBuffers();
    batchList().unlink(this);
}

template <class Api> bool KBatchD3DCommon<Api>::allocateVertices(int32_t count, int32_t newKind) {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    releaseBuffers();
    if (!d3dbatch::knownKind(newKind) || count < 0) {
        logMessage("%s: refusing a batch of %d vertices of kind %d, ERROR", Api::kArea, count, newKind);
        return false;
    }
    if (newKind == kTransformed)
        transformedVertices = new (std::nothrow) TransformedVertex[count];
    else if (newKind == kLit)
        litVertices = new (std::nothrow) LitVertex[count];
    if (count > 0 && newKind != kStatic3D && !transformedVertices && !litVertices) {
        logMessage("%s: out of memory for %d batch vertices, ERROR", Api::kArea, count);
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

template <class Api> void KBatchD3DCommon<Api>::unlockStatic() {
    if (staticLock && vertexBuffer)
        vertexBuffer->Unlock();
    staticLock = nullptr;
}

template <class Api> void KBatchD3DCommon<Api>::releaseVertexBuffer() {
    unlockStatic();
    if (vertexBuffer)
        vertexBuffer->Release();
    vertexBuffer = nullptr;
}

template <class Api> void KBatchD3DCommon<Api>::releaseBuffers() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    releaseVertexBuffer();
    delete[] transformedVertices;
    delete[] litVertices;
    transformedVertices = nullptr;
    litVertices = nullptr;
    started = 0;
}

template <class Api> bool KBatchD3DCommon<Api>::createVertexBuffer() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    if (capacity == 0)
        return true;
    Device *device = binding().device;
    if (!d3dbatch::knownKind(kind) || !device)
        return false;
    releaseVertexBuffer();
    const d3dbatch::KindFormat &format = d3dbatch::kindFormat(kind);
    uint64_t length = (uint64_t)capacity * format.stride;
    HRESULT result = length > UINT32_MAX ? D3DERR_OUTOFVIDEOMEMORY
                                         : Api::createVertexBuffer(device, (UINT)length, format.usage,
                                                                   format.vertexFormat, &vertexBuffer);
    if (FAILED(result)) {
        vertexBuffer = nullptr;
        logMessage("%s: CreateVertexBuffer returned 0x%X for %d %s vertices, error", Api::kArea, (unsigned)result,
                   capacity, format.name);
        return false;
    }
    return true;
}

template <class Api> void KBatchD3DCommon<Api>::startBatch(KGraphic *newPicture) {
    auto *bound = dynamic_cast<Picture *>(newPicture);
    if (!bound || !vertexBuffer)
        return;
    picture = bound;
    textureWidth = bound->textureWidths[0];
    textureHeight = bound->textureHeights[0];
    pendingCount = 0;
    started = 1;
}

template <class Api> void KBatchD3DCommon<Api>::flushBatch() {
    if (!started || pendingCount <= 0)
        return;
    std::lock_guard<std::recursive_mutex> guard(mutex());
    KD3DRenderer<Api> &renderer = KD3DRenderer<Api>::instance();
    Device *device = binding().device;
    if (renderer.device && renderer.device == device) {
        if (renderer.modelTransformChanged) {
            device->SetTransform(D3DTS_WORLD, &binding().identity);
            renderer.modelTransformChanged = false;
        }
        picture->applyBlendedTextureState();
        DWORD flags = ringPosition > 0 ? D3DLOCK_NOOVERWRITE : D3DLOCK_DISCARD;
        void *locked = nullptr;
        if (vertexBuffer && renderer.deviceReadyForDrawing() &&
            SUCCEEDED(Api::lockVertices(vertexBuffer, flags, &locked)) && locked) {
            const d3dbatch::KindFormat &format = d3dbatch::kindFormat(kind);
            const uint8_t *client = kind == kTransformed ? (const uint8_t *)transformedVertices
                                                         : (const uint8_t *)litVertices;
            std::memcpy((uint8_t *)locked + (size_t)ringPosition * format.stride,
                        client + (size_t)ringPosition * format.stride, (size_t)pendingCount * format.stride);
            vertexBuffer->Unlock();
            if (device->TestCooperativeLevel() == D3D_OK) {
                Api::setVertexFormat(device, format.vertexFormat);
                Api::setStream(device, vertexBuffer, format.stride);
                device->DrawPrimitive(D3DPT_TRIANGLELIST, (UINT)ringPosition, (UINT)(pendingCount / 3));
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
template <class Api> bool KBatchD3DCommon<Api>::makeRoom(int32_t vertices) {
    if (!started)
        return false;
    if ((kind == kTransformed && !transformedVertices) || (kind == kLit && !litVertices) || kind == kStatic3D)
        return false;
    if (ringPosition + pendingCount + vertices > capacity) {
        Picture *bound = picture;
        flushBatch();
        ringPosition = 0;
        startBatch(bound);
        if (!started || pendingCount + vertices > capacity)
            return false;
    }
    return true;
}

template <class Api>
void KBatchD3DCommon<Api>::putVertex(float x, float y, float z, float rhw, uint32_t color, float u, float v) {
    int32_t index = ringPosition + pendingCount;
    if (kind == kTransformed) {
        KD3DRenderer<Api> &renderer = KD3DRenderer<Api>::instance();
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

template <class Api>
void KBatchD3DCommon<Api>::putQuad(const Corner &topLeft, const Corner &topRight, const Corner &bottomLeft,
                                   const Corner &bottomRight, uint32_t color) {
    for (const Corner *corner : {&topLeft, &topRight, &bottomLeft, &topRight, &bottomRight, &bottomLeft})
        putVertex(corner->x, corner->y, 0.0f, 1.0f, color, corner->u, corner->v);
}

template <class Api> uint32_t KBatchD3DCommon<Api>::tintColor(float alphaFactor) const {
    const float *tint = picture->tint;
    return packColor(tint[0], tint[1], tint[2], tint[3] * alphaFactor);
}

template <class Api> uint32_t KBatchD3DCommon<Api>::tintTimes(float red, float green, float blue) const {
    const float *tint = picture->tint;
    return packColor(tint[0] * red, tint[1] * green, tint[2] * blue, tint[3]);
}

template <class Api>
void KBatchD3DCommon<Api>::addTriangle(float x1, float y1, float x2, float y2, float x3, float y3, float r, float g,
                                       float b, float a) {
    if (!(a > 0.0f) || !makeRoom(3))
        return;
    uint32_t color = packColor(r, g, b, a);
    putVertex(x1 - 0.5f, y1 - 0.5f, 0.0f, 1.0f, color, 0, 0);
    putVertex(x2 - 0.5f, y2 - 0.5f, 0.0f, 1.0f, color, 0, 0);
    putVertex(x3 - 0.5f, y3 - 0.5f, 0.0f, 1.0f, color, 0, 0);
}

template <class Api>
void KBatchD3DCommon<Api>::addFilledRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    if (!(a > 0.0f) || !makeRoom(6))
        return;
    x1 -= 0.5f, y1 -= 0.5f, x2 -= 0.5f, y2 -= 0.5f;
    putQuad({x1, y1, 0, 0}, {x2, y1, 0, 0}, {x1, y2, 0, 0}, {x2, y2, 0, 0}, packColor(r, g, b, a));
}

// The four corners of a destination rectangle, turned by angle degrees (counterclockwise on the screen)
// about its centre, with the source rectangle's texture coordinates.
template <class Api>
void KBatchD3DCommon<Api>::addImageCorners(float sx1, float sy1, float sx2, float sy2, float x1, float y1, float x2,
                                           float y2, float angle, bool flipX, bool flipY, float alpha) {
    float tw = textureWidth > 0 ? textureWidth : 1.0f, th = textureHeight > 0 ? textureHeight : 1.0f;
    float uA = sx1 / tw, uB = sx2 / tw, vA = sy1 / th, vB = sy2 / th;
    if (flipX)
        std::swap(uA, uB);
    if (flipY)
        std::swap(vA, vB);
    Corner corners[4] = {{x1, y1, uA, vA}, {x2, y1, uB, vA}, {x1, y2, uA, vB}, {x2, y2, uB, vB}};
    turnRectangleCorners(corners, x1, y1, x2, y2, angle);
    putQuad(corners[0], corners[1], corners[2], corners[3], tintColor(alpha));
}

template <class Api>
void KBatchD3DCommon<Api>::addImageRect(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                        bool flipY) {
    if (!makeRoom(6))
        return;
    float x1 = dx - 0.5f, y1 = dy - 0.5f;
    addImageCorners(sx1, sy1, sx2, sy2, x1, y1, x1 + (sx2 - sx1), y1 + (sy2 - sy1), 0.0f, flipX, flipY, 1.0f);
}

template <class Api>
void KBatchD3DCommon<Api>::addImageRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                   float angle, float zoom, float alpha, bool flipX, bool flipY,
                                                   float pivotX, float pivotY) {
    if (!(alpha > 0.0f) || !(zoom > 0.0f) || !makeRoom(6))
        return;
    float w = sx2 - sx1, h = sy2 - sy1;
    float cx = w * 0.5f + pivotX, cy = h * 0.5f + pivotY;
    float x1 = (dx - 0.5f) + cx - cx * zoom, y1 = (dy - 0.5f) + cy - cy * zoom;
    addImageCorners(sx1, sy1, sx2, sy2, x1, y1, x1 + w * zoom, y1 + h * zoom, angle, flipX, flipY, alpha);
}

template <class Api>
void KBatchD3DCommon<Api>::addImageRectScaled(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                              float zoom, float alpha, float pivotX, float pivotY) {
    addImageRectTransformed(sx1, sy1, sx2, sy2, dx, dy, 0.0f, zoom, alpha, false, false, pivotX, pivotY);
}

template <class Api> void KBatchD3DCommon<Api>::addImageToQuad(const float source[8], const float destination[8]) {
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

template <class Api>
void KBatchD3DCommon<Api>::putPerspectiveTriangle(const float source[6], const float *corners, int stride,
                                                  const uint32_t colors[3]) {
    float tw = textureWidth > 0 ? textureWidth : 1.0f, th = textureHeight > 0 ? textureHeight : 1.0f;
    for (int i = 0; i < 3; ++i) {
        const float *corner = corners + i * stride;
        putVertex(corner[0] - 0.5f, corner[1] - 0.5f, corner[2], std::fabs(1.0f / corner[3]), colors[i],
                  source[i * 2] / tw, source[i * 2 + 1] / th);
    }
}

template <class Api>
void KBatchD3DCommon<Api>::addPerspectiveTriangle(const float source[6], const float corners[12]) {
    if (kind != kTransformed || !makeRoom(3))
        return;
    uint32_t color = tintColor(1.0f);
    const uint32_t colors[3] = {color, color, color};
    putPerspectiveTriangle(source, corners, 4, colors);
}

template <class Api>
void KBatchD3DCommon<Api>::addShadedPerspectiveTriangle(const float source[6], const float corners[15]) {
    if (kind != kTransformed || !makeRoom(3))
        return;
    const float *shades = corners + 4;
    const uint32_t colors[3] = {tintTimes(shades[0], shades[0], shades[0]), tintTimes(shades[5], shades[5], shades[5]),
                                tintTimes(shades[10], shades[10], shades[10])};
    putPerspectiveTriangle(source, corners, 5, colors);
}

template <class Api>
void KBatchD3DCommon<Api>::addColoredPerspectiveTriangle(const float source[6], const float corners[21]) {
    if (kind != kTransformed || !makeRoom(3))
        return;
    const float *rgb = corners + 4;
    const uint32_t colors[3] = {tintTimes(rgb[0], rgb[1], rgb[2]), tintTimes(rgb[7], rgb[8], rgb[9]),
                                tintTimes(rgb[14], rgb[15], rgb[16])};
    putPerspectiveTriangle(source, corners, 7, colors);
}

template <class Api> void KBatchD3DCommon<Api>::lockStaticVertices() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    if (kind != kStatic3D || staticLock || !vertexBuffer)
        return;
    void *locked = nullptr;
    if (SUCCEEDED(Api::lockVertices(vertexBuffer, 0, &locked)))
        staticLock = (float *)locked;
}

template <class Api>
void KBatchD3DCommon<Api>::setStaticVertex(int32_t index, float x, float y, float z, float nx, float ny, float nz,
                                           float u, float v) {
    int32_t position = staticVertexPosition(index, capacity);
    if (position < 0 || !staticLock)
        return;
    const float values[8] = {x, y, z, nx, ny, nz, u, v};
    std::memcpy(staticLock + (size_t)position * 8, values, sizeof values);
}

template <class Api> void KBatchD3DCommon<Api>::unlockStaticVertices() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    unlockStatic();
}

template <class Api> void KBatchD3DCommon<Api>::drawStaticVertices(int32_t first, int32_t count, KGraphic *drawn) {
    auto *target = dynamic_cast<Picture *>(drawn);
    if (!clampStaticRun(first, count, capacity))
        return;
    std::lock_guard<std::recursive_mutex> guard(mutex());
    KD3DRenderer<Api> &renderer = KD3DRenderer<Api>::instance();
    Device *device = binding().device;
    if (staticLock || !vertexBuffer || !target || !renderer.device || renderer.device != device ||
        !renderer.deviceReadyForDrawing())
        return;
    target->applyBlendedTextureState();
    const d3dbatch::KindFormat &format = d3dbatch::kindFormat(kStatic3D);
    Api::setVertexFormat(device, format.vertexFormat);
    Api::setStream(device, vertexBuffer, format.stride);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, (UINT)first, (UINT)(count / 3));
}

template <class Api> bool KBatchD3DCommon<Api>::takeBufferLostFlag() {
    bool lost = bufferLost != 0;
    bufferLost = 0;
    return lost;
}

template <class Api> void KBatchD3DCommon<Api>::bindDevice(Window *window) {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    binding().window = window;
    binding().device = window ? window->getDevice() : nullptr;
    binding().identity = identityMatrix();
}

template <class Api> void KBatchD3DCommon<Api>::unbindDevice() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    binding().window = nullptr;
    binding().device = nullptr;
}

template <class Api> void KBatchD3DCommon<Api>::forgetPicture(Picture *gone) {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    for (KObjectListable *node = batchList().head; node; node = node->next) {
        auto *batch = static_cast<KBatchD3DCommon *>(node);
        if (batch->picture != gone)
            continue;
        batch->picture = nullptr;
        batch->started = 0;
        batch->pendingCount = 0;
    }
}

template <class Api> void KBatchD3DCommon<Api>::releaseAllBuffers() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    for (KObjectListable *node = batchList().head; node; node = node->next) {
        auto *batch = static_cast<KBatchD3DCommon *>(node);
        batch->bufferLost = 1;
        batch->releaseVertexBuffer();
    }
}

template <class Api> void KBatchD3DCommon<Api>::restoreAllBuffers() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    for (KObjectListable *node = batchList().head; node; node = node->next)
        static_cast<KBatchD3DCommon *>(node)->createVertexBuffer();
}

template <class Api> void KBatchD3DCommon<Api>::resetForFrame() {
    std::lock_guard<std::recursive_mutex> guard(mutex());
    for (KObjectListable *node = batchList().head; node; node = node->next) {
        auto *batch = static_cast<KBatchD3DCommon *>(node);
        batch->ringPosition = 0;
        batch->started = 0;
    }
}
