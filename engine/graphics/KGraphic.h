#pragma once
// A picture: an image held as a texture of the renderer, with the operations that draw all or part of it
// and use it as a render target. One implementation per renderer; pictures are made by the picture
// factory. The concrete class links its objects into its own live-object list.

#include <cstddef>
#include <cstdint>

#include "engine/system/KObject.h"

struct ImageData;

class KGraphic : public KObjectListable {
public:
    virtual ~KGraphic() = default;

    // Loading and render targets.
    virtual bool loadImageFile(const char *fileName, int32_t mode) = 0;
    virtual bool loadImageFromMemory(const char *name, const unsigned char *data, size_t size, int32_t mode) = 0;
    virtual bool createFromPixels(const uint32_t *pixels, int32_t width, int32_t height, bool highQuality,
                                  bool hasAlpha) = 0;
    virtual void releaseImage() = 0;
    virtual bool createRenderTarget(int32_t width, int32_t height, bool highQuality, bool hasAlpha,
                                    bool wantsDepth) = 0;
    virtual void requestTargetClear() = 0;
    virtual void beginRenderToTarget() = 0;
    virtual void endRenderToTarget() = 0;
    virtual bool takeTargetLostFlag() = 0;
    virtual bool copyFromBackBuffer() = 0;

    // Sizes and drawing state.
    virtual float getImageWidth() = 0;
    virtual float getImageHeight() = 0;
    virtual float getTextureWidth() = 0;
    virtual float getTextureHeight() = 0;
    virtual void setSmoothFiltering(bool smooth) = 0;
    virtual void setBlendPreset(int32_t preset) = 0;
    virtual void setBlendFactors(int32_t sourceFactor, int32_t destinationFactor) = 0;
    virtual void setTextureAddressing(int32_t mode) = 0;
    virtual void setTintColor(float red, float green, float blue, float alpha) = 0;

    // Untextured primitives.
    virtual void drawPoint(float x, float y, float r, float g, float b, float a) = 0;
    virtual void drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float a) = 0;
    virtual void fillRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) = 0;
    virtual void fillQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, float r,
                          float g, float b, float a) = 0;

    // Image rectangles at whole-pixel positions (only the low 16 bits of dx and dy count).
    virtual void drawImageRect(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, bool flipX,
                               bool flipY) = 0;
    virtual void drawImageRectTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                          float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                          float pivotY) = 0;
    virtual void drawImageRectBlended(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, bool flipX,
                                      bool flipY) = 0;
    virtual void drawImageRectBlendedTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                                 float angle, float zoom, float alpha, bool flipX, bool flipY,
                                                 float pivotX, float pivotY) = 0;
    virtual void drawImageToQuad(float su1, float sv1, float su2, float sv2, float su3, float sv3, float su4,
                                 float sv4, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                                 float y4) = 0;
    virtual void drawImageRectStretched(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2,
                                        float dy2, float alpha, float angle, bool flipX, bool flipY, float pivotX,
                                        float pivotY) = 0;

    // Image rectangles at fractional positions.
    virtual void drawImageRectF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                bool flipY) = 0;
    virtual void drawImageRectTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                           float angle, float zoom, bool flipX, bool flipY, float pivotX,
                                           float pivotY) = 0;
    virtual void drawImageRectBlendedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                                       bool flipY) = 0;
    virtual void drawImageRectBlendedTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                                  float angle, float zoom, float alpha, bool flipX, bool flipY,
                                                  float pivotX, float pivotY) = 0;
    virtual void drawImageRectMasked(float sx1, float sy1, float sx2, float sy2, KGraphic *mask, float mx1,
                                     float my1, float mx2, float my2, float dx1, float dy1, float dx2, float dy2,
                                     bool flipX, bool flipY) = 0;

    // The texture size again, as texture-coordinate scales.
    virtual float getTexCoordScaleU() = 0;
    virtual float getTexCoordScaleV() = 0;
    virtual ImageData *getImageData() = 0;
    virtual bool readTargetPixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *pixels) = 0;
};
