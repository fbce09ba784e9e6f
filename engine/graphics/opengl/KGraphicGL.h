#pragma once
// A picture of the OpenGL renderer: one texture (GL_TEXTURE_2D, or GL_TEXTURE_RECTANGLE for a non-square
// power-of-two one when the window supports those), drawn from client-side vertex arrays pointed at a
// shared scratch quad, with render targets made from pbuffers bound as textures. y is flipped against the
// view height for OpenGL's upward axis; no half-pixel shift is needed, pixel centres lie at +0.5.
// Main thread only: the shared caches assume one current context, switched only by the render targets.

#include <cstdint>
#include <string>

#include "engine/graphics/KGraphic.h"
#include "engine/image/KImage.h"
#include "platform/WGL.h"

class KGraphicGLWindow;

class KGraphicGL : public KGraphic {
public:
    KGraphicGL();
    ~KGraphicGL() override;
    KGraphicGL(const KGraphicGL &) = delete;
    KGraphicGL &operator=(const KGraphicGL &) = delete;

    bool loadImageFile(const char *fileName, int32_t mode) override;
    bool loadImageFromMemory(const char *name, const unsigned char *data, size_t size, int32_t mode) override;
    bool createFromPixels(const uint32_t *pixels, int32_t width, int32_t height, bool powerOfTwoSides,
                          bool hasAlpha) override;
    void releaseImage() override;
    bool createRenderTarget(int32_t width, int32_t height, bool highQuality, bool hasAlpha, bool wantsDepth) override;
    void requestTargetClear() override { targetRequest = 1; }
    void beginRenderToTarget() override;
    void endRenderToTarget() override;
    bool takeTargetLostFlag() override;
    bool copyFromBackBuffer() override;

    float getImageWidth() override { return imageWidth; }
    float getImageHeight() override { return imageHeight; }
    float getTextureWidth() override { return subTextures[0].width; }
    float getTextureHeight() override { return subTextures[0].height; }
    void setSmoothFiltering(bool smooth) override;
    void setBlendPreset(int32_t preset) override;
    void setBlendFactors(int32_t sourceFactor, int32_t destinationFactor) override;
    void setTextureAddressing(int32_t mode) override;
    void setTintColor(float red, float green, float blue, float alpha) override;

    void drawPoint(float x, float y, float r, float g, float b, float a) override;
    void drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float a) override;
    void fillRect(float x1, float y1, float x2, float y2, float r, float g, float b, float a) override;
    void fillQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, float r, float g,
                  float b, float a) override;
    void drawImageRect(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, bool flipX,
                       bool flipY) override;
    void drawImageRectTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, float angle,
                                  float zoom, bool flipX, bool flipY, float pivotX, float pivotY) override;
    void drawImageRectBlended(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy, bool flipX,
                              bool flipY) override;
    void drawImageRectBlendedTransformed(float sx1, float sy1, float sx2, float sy2, int16_t dx, int16_t dy,
                                         float angle, float zoom, float alpha, bool flipX, bool flipY, float pivotX,
                                         float pivotY) override;
    void drawImageToQuad(float su1, float sv1, float su2, float sv2, float su3, float sv3, float su4, float sv4,
                         float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) override;
    void drawImageRectStretched(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2,
                                float dy2, float alpha, float angle, bool flipX, bool flipY, float pivotX,
                                float pivotY) override;
    void drawImageRectF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                        bool flipY) override;
    void drawImageRectTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle,
                                   float zoom, bool flipX, bool flipY, float pivotX, float pivotY) override;
    void drawImageRectBlendedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX,
                               bool flipY) override;
    void drawImageRectBlendedTransformedF(float sx1, float sy1, float sx2, float sy2, float dx, float dy,
                                          float angle, float zoom, float alpha, bool flipX, bool flipY, float pivotX,
                                          float pivotY) override;
    void drawImageRectMasked(float sx1, float sy1, float sx2, float sy2, KGraphic *mask, float mx1, float my1,
                             float mx2, float my2, float dx1, float dy1, float dx2, float dy2, bool flipX,
                             bool flipY) override;

    // Rectangle textures take texel coordinates: their scale is 1.
    float getTexCoordScaleU() override;
    float getTexCoordScaleV() override;
    ImageData *getImageData() override { return &image; }
    // Pixels of a target cannot be read back on this renderer.
    bool readTargetPixels(int32_t, int32_t, int32_t, int32_t, uint32_t *) override { return false; }

    // The window the pictures and batches draw into (null: none); resets the shared caches and arrays.
    static void bindWindow(KGraphicGLWindow *window);
    static KGraphicGLWindow *boundWindow();
    static const KObjectList &pictures();

    // Binds this picture for a draw: its texture (or none) with its filter and addressing; the plain form
    // turns blending off and sets the tint, the alpha form blends with the picture's factors and multiplies
    // the tint's alpha (or white's) by alpha.
    void bindForPlainDraw();
    void bindForAlphaDraw(float alpha);
    // Read by the batches and the tests.
    GLuint getTextureId() const { return subTextures[0].id; }
    GLenum getTextureTarget() const { return subTextures[0].target; }
    bool isTinted() const { return tinted; }
    const float *getTint() const { return tint; }
    GLenum getSourceBlend() const { return sourceBlend; }
    GLenum getDestinationBlend() const { return destinationBlend; }
    bool hasRenderTarget() const { return pbuffer != nullptr; }

private:
    static constexpr int kSubTextures = 8;
    struct SubTexture {
        GLuint id = 0; // 0: none
        GLint internalFormat = -1;
        float width = 1.0f, height = 1.0f;
        GLenum target = GL_TEXTURE_2D;
        uint8_t filterDirty = 1, wrapDirty = 1;
    };

    ImageData image;
    float imageWidth = 0, imageHeight = 0;
    int32_t fileFormat = -1;
    uint8_t powerOfTwo = 1;
    uint8_t alpha = 0;
    GLint filter = GL_NEAREST;
    GLenum sourceBlend = GL_SRC_ALPHA, destinationBlend = GL_ONE_MINUS_SRC_ALPHA;
    GLint wrap = GL_CLAMP_TO_EDGE;
    bool tinted = false;
    float tint[4] = {1, 1, 1, 1};
    int32_t subTextureCount = 0;
    SubTexture subTextures[kSubTextures];
    uint8_t targetRequest = 0;
    HPBUFFERARB pbuffer = nullptr;
    HDC pbufferDc = nullptr;
    HGLRC pbufferContext = nullptr;
    std::string name; // what the picture was made from, for messages

    // Loading and upload.
    bool uploadImageRecord();
    bool uploadPixels(const void *pixels, uint64_t sourceBytes, uint32_t width, uint32_t height);
    bool defineTexture(const void *data, uint64_t dataBytes, uint32_t textureWidth, uint32_t textureHeight,
                       GLenum target, GLint internalFormat);
    void chooseTextureSize(uint32_t width, uint32_t height, uint32_t minimumSide, uint32_t &textureWidth,
                           uint32_t &textureHeight, GLenum &target) const;
    void deleteSubTextures(int first);
    void markParametersDirty();
    const char *nameForMessages() const;

    // Render targets.
    bool makeTargetTexture(uint32_t textureWidth, uint32_t textureHeight, GLenum target);
    bool makePbuffer(uint32_t textureWidth, uint32_t textureHeight, GLenum target, bool wantsDepth);
    void releaseTarget();
    void removeFromTargetStack();

    // Drawing.
    void bindTexture();
    void drawQuad(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX, bool flipY,
                  bool blended);
    void drawRectTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle, float zoom,
                             float alpha, bool flipX, bool flipY, float pivotX, float pivotY, bool blended);
    void drawTurnedQuad(float sx1, float sy1, float sx2, float sy2, float x, float y, float width, float height,
                        float zoom, float angle, float alpha, bool flipX, bool flipY, float pivotX, float pivotY,
                        bool blended);
    void drawUntextured(GLenum mode, const float *positions, int count, float r, float g, float b, float a);
    void setScratchTexCoords(float sx1, float sy1, float sx2, float sy2);
};
