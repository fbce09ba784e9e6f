#pragma once
// A vertex batch of the OpenGL renderer: quads or triangles for one picture gathered in client-side arrays
// and drawn with one glDrawArrays per kind at flush time. Quads keep two position floats per vertex and
// draw as GL_QUADS; triangles keep four (x·|w|, (view height − y)·|w|, (1 − z)·|w|, |w|, so textures map
// in perspective) and draw as GL_TRIANGLES. The two kinds never share a flush: adding the other kind, or
// more than the arrays hold, flushes and starts again with the same picture. A static triangle mesh lives
// in a buffer object when the context has them, else in client memory.

#include <cstdint>
#include <vector>

#include "engine/graphics/KBatch.h"
#include "platform/WGL.h"

class KGraphicGL;

class KBatchGL : public KBatch {
public:
    enum Kind : int32_t { kDynamic = 0, kLit = 1, kStatic3D = 2 };

    KBatchGL();
    ~KBatchGL() override;
    KBatchGL(const KBatchGL &) = delete;
    KBatchGL &operator=(const KBatchGL &) = delete;

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
    // Buffer objects are never lost.
    bool takeBufferLostFlag() override { return false; }

    static const KObjectList &batches();

    // Read by the tests.
    int32_t getCapacity() const { return capacity; }
    bool isStarted() const { return started; }
    int32_t getPendingQuadVertices() const { return pendingQuadVertices; }
    int32_t getPendingTriangleVertices() const { return pendingTriangleVertices; }
    bool hasBufferObject() const { return bufferObject != 0; }
    int32_t getFlushCount() const { return flushCount; }

private:
    struct Corner {
        float x, y, u, v;
    };

    int32_t capacity = 0;
    std::vector<float> positions;     // 4 floats of room per vertex
    std::vector<float> texCoords;     // 2 per vertex
    std::vector<float> colors;        // 4 per vertex
    std::vector<float> staticVertices; // 8 per vertex: x, y, z, normal x, y, z, u, v
    bool started = false;
    bool staticLocked = false;
    GLuint bufferObject = 0; // 0: none
    KGraphicGL *picture = nullptr;
    float scaleU = 1.0f, scaleV = 1.0f;
    int32_t pendingQuadVertices = 0;
    int32_t pendingTriangleVertices = 0;
    int32_t flushCount = 0; // draws issued, for the tests

    friend void forgetBatchPictureGL(KGraphicGL *picture);

    // Room for one more primitive of a kind; flushes and restarts when needed, false to drop it.
    bool makeRoom(bool triangles);
    void putVertex(int32_t index, const float *position, int floats, float u, float v, const float color[4]);
    void putQuad(const Corner corners[4], const float color[4]);
    void putPerspectiveTriangle(const float source[6], const float *corners, int stride, const float colors[3][4]);
    // channelStep 0: one shade for the three channels; 1: red, green and blue of their own.
    void addTintedPerspectiveTriangle(const float source[6], const float *corners, int stride, int channelStep);
    void addImageCorners(float sx1, float sy1, float sx2, float sy2, float x1, float y1, float x2, float y2,
                         float angle, bool flipX, bool flipY, float alpha);
    void tintColor(float alpha, float out[4]) const;
    void pointArraysHere();
};

// A picture that goes away leaves every batch it is bound to unstarted, its pending vertices dropped.
void forgetBatchPictureGL(KGraphicGL *picture);
