#pragma once
// A vertex batch: many small primitives for one picture, drawn with one draw call. One implementation
// per renderer; batches are made by the batch factory. The concrete class links its objects into its own
// live-object list.

#include <cmath>
#include <cstdint>

#include "engine/system/KObject.h"

class KGraphic;

// Turns a point (game pixels, y down) about a centre by an angle given as its cosine and sine,
// counterclockwise on the screen: the turn is made with y pointing up.
inline void turnOnScreen(float &x, float &y, float centreX, float centreY, float cosine, float sine) {
    float px = x - centreX, pY = centreY - y;
    x = centreX + (px * cosine - pY * sine);
    y = centreY - (px * sine + pY * cosine);
}

// Turns the four corners of the rectangle (x1, y1)-(x2, y2) by angle degrees about its centre,
// counterclockwise on the screen; an angle of 0 leaves them. Each corner has x and y members.
template <typename Corner> void turnRectangleCorners(Corner (&corners)[4], float x1, float y1, float x2, float y2,
                                                     float angle) {
    if (angle == 0.0f)
        return;
    float radians = angle * 0.017453292f;
    float c = std::cos(radians), s = std::sin(radians);
    float centreX = (x1 + x2) * 0.5f, centreY = (y1 + y2) * 0.5f;
    for (Corner &corner : corners)
        turnOnScreen(corner.x, corner.y, centreX, centreY, c, s);
}

class KBatch : public KObjectListable {
public:
    virtual ~KBatch() = default;

    // Room for `quads` quads of lit vertices (kind 1), shared by every renderer; a count whose vertices
    // do not fit 32 bits is refused like a negative one.
    virtual bool allocateQuads(int32_t quads) {
        return allocateVertices(quads >= 0 && quads <= INT32_MAX / 6 ? quads * 6 : -1, 1);
    }
    virtual bool allocateVertices(int32_t count, int32_t kind) = 0;
    virtual void releaseBuffers() = 0;
    virtual void startBatch(KGraphic *picture) = 0;
    virtual void flushBatch() = 0;

    virtual void addTriangle(float x1, float y1, float x2, float y2, float x3, float y3, float r, float g, float b,
                             float a) = 0;
    virtual void addFilledRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) = 0;
    virtual void addImageRect(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                              bool flipY) = 0;
    virtual void addImageRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle,
                                         float zoom, float alpha, bool flipX, bool flipY, float pivotX,
                                         float pivotY) = 0;
    virtual void addImageRectScaled(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float zoom,
                                    float alpha, float pivotX, float pivotY) = 0;
    // Source points s0..s3 then destination points d0..d3, x and y each.
    virtual void addImageToQuad(const float source[8], const float destination[8]) = 0;
    // Source points s0..s2 (x, y), then per corner x, y, z, w.
    virtual void addPerspectiveTriangle(const float source[6], const float corners[12]) = 0;
    // Source points s0..s2, then per corner x, y, z, w, shade.
    virtual void addShadedPerspectiveTriangle(const float source[6], const float corners[15]) = 0;
    // Source points s0..s2, then per corner x, y, z, w, r, g, b.
    virtual void addColoredPerspectiveTriangle(const float source[6], const float corners[21]) = 0;

    virtual void lockStaticVertices() = 0;
    virtual void setStaticVertex(int32_t index, float x, float y, float z, float nx, float ny, float nz, float u,
                                 float v) = 0;
    virtual void unlockStaticVertices() = 0;
    virtual void drawStaticVertices(int32_t first, int32_t count, KGraphic *picture) = 0;
    virtual bool takeBufferLostFlag() = 0;
};
