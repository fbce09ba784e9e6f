#include "engine/graphics/opengl/KBatchGL.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/graphics/opengl/KGraphicGL.h"
#include "engine/graphics/opengl/KGraphicGLState.h"
#include "engine/graphics/opengl/KGraphicGLWindow.h"
#include "engine/system/KSystem.h"

namespace {

KObjectList batchList;

constexpr int32_t kQuadVertices = 4, kTriangleVertices = 3;
constexpr int32_t kMaximumVertices = 1 << 24;

} // namespace

const KObjectList &KBatchGL::batches() { return batchList; }

KBatchGL::KBatchGL() { batchList.append(this); }

KBatchGL::~KBatchGL() {
    KBatchGL::releaseBuffers();
    if (glRenderer().lastBatch == this)
        glRenderer().lastBatch = nullptr;
    batchList.unlink(this);
}

bool KBatchGL::allocateVertices(int32_t count, int32_t kind) {
    if (kind < kDynamic || kind > kStatic3D)
        return false;
    releaseBuffers();
    if (count <= 0 || count > kMaximumVertices) {
        logMessage("OpenGL: refusing a batch of %d vertices, ERROR", count);
        return false;
    }
    capacity = count;
    pendingQuadVertices = pendingTriangleVertices = 0;
    if (kind == kStatic3D) {
        staticVertices.assign((size_t)count * 8, 0.0f);
        const KGraphicGLEntryPoints &gl = glEntryPoints();
        if (gl.hasBufferObjects() && glRenderer().window)
            gl.genBuffers(1, &bufferObject);
        return true;
    }
    positions.assign((size_t)count * 4, 0.0f);
    texCoords.assign((size_t)count * 2, 0.0f);
    colors.assign((size_t)count * 4, 0.0f);
    return true;
}

void KBatchGL::releaseBuffers() {
    if (bufferObject && glEntryPoints().hasBufferObjects() && glRenderer().window)
        glEntryPoints().deleteBuffers(1, &bufferObject);
    bufferObject = 0;
    // Arrays that GL may still point at must not be reached through them once freed.
    if (glRenderer().lastBatch == this && glRenderer().window)
        pointArraysAtScratchQuad();
    std::vector<float>().swap(positions);
    std::vector<float>().swap(texCoords);
    std::vector<float>().swap(colors);
    std::vector<float>().swap(staticVertices);
    started = false;
    staticLocked = false;
}

void KBatchGL::startBatch(KGraphic *newPicture) {
    KGraphicGL *bound = dynamic_cast<KGraphicGL *>(newPicture);
    if (!bound || positions.empty())
        return;
    picture = bound;
    bool rectangle = bound->getTextureTarget() != GL_TEXTURE_2D;
    scaleU = rectangle ? 1.0f : bound->getTextureWidth();
    scaleV = rectangle ? 1.0f : bound->getTextureHeight();
    pendingQuadVertices = pendingTriangleVertices = 0;
    started = true;
}

void KBatchGL::pointArraysHere() {
    KGraphicGLRenderer &renderer = glRenderer();
    if (renderer.lastBatch == this)
        return;
    glEnableClientState(GL_COLOR_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    glColorPointer(4, GL_FLOAT, 0, colors.data());
    renderer.lastBatch = this;
}

void KBatchGL::flushBatch() {
    if (!started)
        return;
    if (!pendingQuadVertices && !pendingTriangleVertices)
        return;
    KGraphicGLRenderer &renderer = glRenderer();
    if (renderer.window && picture) {
        pointArraysHere();
        picture->bindForAlphaDraw(1.0f);
        // Drawing with a colour array leaves the current colour undefined.
        renderer.colorKnown = false;
        if (pendingQuadVertices) {
            glVertexPointer(2, GL_FLOAT, 0, positions.data());
            glDrawArrays(GL_QUADS, 0, pendingQuadVertices);
            ++flushCount;
        }
        if (pendingTriangleVertices) {
            glVertexPointer(4, GL_FLOAT, 0, positions.data());
            glDrawArrays(GL_TRIANGLES, 0, pendingTriangleVertices);
            ++flushCount;
        }
    }
    pendingQuadVertices = pendingTriangleVertices = 0;
    started = false;
}

bool KBatchGL::makeRoom(bool triangles) {
    if (!started)
        return false;
    int32_t needed = triangles ? kTriangleVertices : kQuadVertices;
    int32_t pending = triangles ? pendingTriangleVertices : pendingQuadVertices;
    int32_t otherKind = triangles ? pendingQuadVertices : pendingTriangleVertices;
    if (otherKind > 0 || pending + needed > capacity) {
        KGraphicGL *bound = picture;
        flushBatch();
        startBatch(bound);
    }
    // A primitive larger than the whole batch is dropped rather than written past its arrays.
    return started && needed <= capacity;
}

void KBatchGL::putVertex(int32_t index, const float *position, int floats, float u, float v, const float color[4]) {
    std::memcpy(&positions[(size_t)index * floats], position, (size_t)floats * sizeof(float));
    texCoords[(size_t)index * 2] = u;
    texCoords[(size_t)index * 2 + 1] = v;
    std::memcpy(&colors[(size_t)index * 4], color, 4 * sizeof(float));
}

// Corners in game pixels (y down) going around the quad.
void KBatchGL::putQuad(const Corner corners[4], const float color[4]) {
    float height = glViewHeight();
    for (int i = 0; i < 4; ++i) {
        const float position[2] = {corners[i].x, height - corners[i].y};
        putVertex(pendingQuadVertices++, position, 2, corners[i].u, corners[i].v, color);
    }
}

void KBatchGL::tintColor(float alpha, float out[4]) const {
    const float *tint = picture->getTint();
    if (picture->isTinted()) {
        out[0] = tint[0], out[1] = tint[1], out[2] = tint[2], out[3] = tint[3] * alpha;
    } else {
        out[0] = out[1] = out[2] = 1.0f, out[3] = alpha;
    }
}

void KBatchGL::addTriangle(float x1, float y1, float x2, float y2, float x3, float y3, float r, float g, float b,
                           float a) {
    if (!makeRoom(true))
        return;
    const float color[4] = {r, g, b, a};
    float height = glViewHeight();
    const float points[3][2] = {{x1, y1}, {x2, y2}, {x3, y3}};
    for (const auto &point : points) {
        const float position[4] = {point[0], height - point[1], 0.0f, 1.0f};
        putVertex(pendingTriangleVertices++, position, 4, 0.0f, 0.0f, color);
    }
}

void KBatchGL::addFilledRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    if (!makeRoom(false))
        return;
    const float color[4] = {r, g, b, a};
    const Corner corners[4] = {{x1, y1, 0, 0}, {x2, y1, 0, 0}, {x2, y2, 0, 0}, {x1, y2, 0, 0}};
    putQuad(corners, color);
}

// The rectangle's corners with the source rectangle's texture coordinates (swapped on flips), turned on
// the processor by angle degrees (counterclockwise on the screen) about the rectangle's centre.
void KBatchGL::addImageCorners(float sx1, float sy1, float sx2, float sy2, float x1, float y1, float x2, float y2,
                               float angle, bool flipX, bool flipY, float alpha) {
    float uA = sx1 / scaleU, uB = sx2 / scaleU, vA = sy1 / scaleV, vB = sy2 / scaleV;
    if (flipX)
        std::swap(uA, uB);
    if (flipY)
        std::swap(vA, vB);
    Corner corners[4] = {{x1, y1, uA, vA}, {x2, y1, uB, vA}, {x2, y2, uB, vB}, {x1, y2, uA, vB}};
    turnRectangleCorners(corners, x1, y1, x2, y2, angle);
    float color[4];
    tintColor(alpha, color);
    putQuad(corners, color);
}

void KBatchGL::addImageRect(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX, bool flipY) {
    if (!makeRoom(false))
        return;
    addImageCorners(sx1, sy1, sx2, sy2, dx, dy, dx + (sx2 - sx1), dy + (sy2 - sy1), 0.0f, flipX, flipY, 1.0f);
}

void KBatchGL::addImageRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle,
                                       float zoom, float alpha, bool flipX, bool flipY, float pivotX, float pivotY) {
    if (!(zoom > 0.0f) || !(alpha > 0.0f) || !makeRoom(false))
        return;
    float w = sx2 - sx1, h = sy2 - sy1;
    float cx = w * 0.5f + pivotX, cy = h * 0.5f + pivotY;
    float left = dx + cx - cx * zoom, top = dy + cy - cy * zoom;
    addImageCorners(sx1, sy1, sx2, sy2, left, top, left + w * zoom, top + h * zoom, angle, flipX, flipY, alpha);
}

void KBatchGL::addImageRectScaled(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float zoom,
                                  float alpha, float pivotX, float pivotY) {
    addImageRectTransformed(sx1, sy1, sx2, sy2, dx, dy, 0.0f, zoom, alpha, false, false, pivotX, pivotY);
}

void KBatchGL::addImageToQuad(const float source[8], const float destination[8]) {
    if (!makeRoom(false))
        return;
    Corner corners[4];
    for (int i = 0; i < 4; ++i)
        corners[i] = {destination[i * 2], destination[i * 2 + 1], source[i * 2] / scaleU, source[i * 2 + 1] / scaleV};
    float color[4];
    tintColor(1.0f, color);
    putQuad(corners, color);
}

void KBatchGL::putPerspectiveTriangle(const float source[6], const float *corners, int stride,
                                      const float colors[3][4]) {
    float height = glViewHeight();
    for (int i = 0; i < 3; ++i) {
        const float *corner = corners + i * stride;
        float w = std::fabs(corner[3]);
        const float position[4] = {corner[0] * w, (height - corner[1]) * w, (1.0f - corner[2]) * w, w};
        putVertex(pendingTriangleVertices++, position, 4, source[i * 2] / scaleU, source[i * 2 + 1] / scaleV,
                  colors[i]);
    }
}

void KBatchGL::addPerspectiveTriangle(const float source[6], const float corners[12]) {
    if (!makeRoom(true))
        return;
    float color[4];
    tintColor(1.0f, color);
    const float colors[3][4] = {{color[0], color[1], color[2], color[3]},
                                {color[0], color[1], color[2], color[3]},
                                {color[0], color[1], color[2], color[3]}};
    putPerspectiveTriangle(source, corners, 4, colors);
}

// Each corner's tint (or white) multiplied channel by channel by its own values; the tint's alpha stays.
void KBatchGL::addTintedPerspectiveTriangle(const float source[6], const float *corners, int stride,
                                            int channelStep) {
    if (!makeRoom(true))
        return;
    float tint[4];
    tintColor(1.0f, tint);
    float colors[3][4];
    for (int i = 0; i < 3; ++i) {
        const float *values = corners + i * stride + 4;
        for (int channel = 0; channel < 3; ++channel)
            colors[i][channel] = tint[channel] * values[channel * channelStep];
        colors[i][3] = tint[3];
    }
    putPerspectiveTriangle(source, corners, stride, colors);
}

void KBatchGL::addShadedPerspectiveTriangle(const float source[6], const float corners[15]) {
    addTintedPerspectiveTriangle(source, corners, 5, 0);
}

void KBatchGL::addColoredPerspectiveTriangle(const float source[6], const float corners[21]) {
    addTintedPerspectiveTriangle(source, corners, 7, 1);
}

void KBatchGL::lockStaticVertices() {
    if (!staticVertices.empty())
        staticLocked = true;
}

void KBatchGL::setStaticVertex(int32_t index, float x, float y, float z, float nx, float ny, float nz, float u,
                               float v) {
    if (!staticLocked || index < 0 || index >= capacity)
        return;
    const float values[8] = {x, y, z, nx, ny, nz, u, v};
    std::memcpy(&staticVertices[(size_t)index * 8], values, sizeof values);
}

void KBatchGL::unlockStaticVertices() {
    if (!staticLocked)
        return;
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    if (bufferObject && gl.hasBufferObjects() && glRenderer().window) {
        gl.bindBuffer(GL_ARRAY_BUFFER, bufferObject);
        gl.bufferData(GL_ARRAY_BUFFER, (GLsizeiptr)capacity * 32, staticVertices.data(), GL_STATIC_DRAW);
        gl.bindBuffer(GL_ARRAY_BUFFER, 0);
    }
    staticLocked = false;
}

// The picture to draw with is the slot's argument: a static batch is never started with one.
void KBatchGL::drawStaticVertices(int32_t first, int32_t count, KGraphic *drawn) {
    KGraphicGL *texture = dynamic_cast<KGraphicGL *>(drawn);
    KGraphicGLRenderer &renderer = glRenderer();
    if (first < 0)
        first = 0;
    if (first >= capacity)
        return;
    if ((int64_t)first + count >= capacity)
        count = capacity - first;
    count -= count % 3;
    if (!texture || staticVertices.empty() || staticLocked || count <= 0 || !renderer.window)
        return;
    const KGraphicGLEntryPoints &gl = glEntryPoints();
    bool inBuffer = bufferObject && gl.hasBufferObjects();
    const char *base = inBuffer ? nullptr : reinterpret_cast<const char *>(staticVertices.data());
    if (inBuffer)
        gl.bindBuffer(GL_ARRAY_BUFFER, bufferObject);
    renderer.lastBatch = this;
    glVertexPointer(3, GL_FLOAT, 32, base);
    glNormalPointer(GL_FLOAT, 32, base + 12);
    glTexCoordPointer(2, GL_FLOAT, 32, base + 24);
    glEnableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    texture->bindForAlphaDraw(1.0f);
    glDrawArrays(GL_TRIANGLES, first, count);
    ++flushCount;
    glDisableClientState(GL_NORMAL_ARRAY);
    if (inBuffer)
        gl.bindBuffer(GL_ARRAY_BUFFER, 0);
}

void forgetBatchPictureGL(KGraphicGL *picture) {
    for (KObjectListable *node = batchList.head; node; node = node->next) {
        KBatchGL *batch = static_cast<KBatchGL *>(node);
        if (batch->picture != picture)
            continue;
        batch->picture = nullptr;
        batch->started = false;
        batch->pendingQuadVertices = batch->pendingTriangleVertices = 0;
    }
}
