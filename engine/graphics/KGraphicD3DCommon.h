#pragma once
// A picture of a Direct3D renderer, written once for Direct3D 9 and Direct3D 8 (Api is KD3D9Api or
// KD3D8Api, which say how each version's device is called): an image held in one managed texture (or,
// for a render target, one default-pool texture whose level 0 is the target surface), with the drawing
// state that its draws send to the device through the renderer's state cache (KD3DRenderer), shared by
// every picture and batch of that renderer. KGraphicD3D9 and KGraphicD3D are the two concrete pictures.
//
// Pictures may be made and loaded on a loading thread while the main thread draws: the picture list and
// the device are only touched under rendererMutex(). A loader that finds the device lost waits for the
// window to reset it; on the drawing thread it flips frames to get there, elsewhere it only waits.
//
// The member definitions are in KGraphicD3DCommonLoad.h, KGraphicD3DCommonDraw.h and
// KGraphicD3DCommonTarget.h, included by the one file of each renderer that instantiates the template.

#include <cstdint>
#include <mutex>

#include "engine/graphics/KD3DRenderer.h"
#include "engine/graphics/KGraphic.h"
#include "engine/image/KImage.h"
#include "engine/system/KObject.h"

template <class Api> class KBatchD3DCommon;

template <class Api> class KGraphicD3DCommon : public KGraphic {
public:
    using Device = typename Api::Device;
    using Texture = typename Api::Texture;
    using Surface = typename Api::Surface;
    using Window = typename Api::Window;
    using Renderer = KD3DRenderer<Api>;

    KGraphicD3DCommon();
    ~KGraphicD3DCommon() override;
    KGraphicD3DCommon(const KGraphicD3DCommon &) = delete;
    KGraphicD3DCommon &operator=(const KGraphicD3DCommon &) = delete;

    bool loadImageFile(const char *fileName, int32_t mode) override;
    // Loads the file as loadImageFile(fileName, 0) does, for a picture no other thread uses yet, without
    // holding the renderer's lock while the pixels are decoded and copied into the texture: the drawing
    // thread keeps the device meanwhile. A lost device is not waited for: false then.
    bool loadImageFileAside(const char *fileName);
    bool loadImageFromMemory(const char *name, const unsigned char *data, size_t size, int32_t mode) override;
    bool createFromPixels(const uint32_t *pixels, int32_t width, int32_t height, bool highQuality,
                          bool hasAlpha) override;
    void releaseImage() override;
    bool createRenderTarget(int32_t width, int32_t height, bool highQuality, bool hasAlpha, bool wantsDepth) override;
    void requestTargetClear() override;
    void beginRenderToTarget() override;
    void endRenderToTarget() override;
    bool takeTargetLostFlag() override;
    bool copyFromBackBuffer() override;

    float getImageWidth() override { return imageWidth; }
    float getImageHeight() override { return imageHeight; }
    float getTextureWidth() override { return textureWidths[0]; }
    float getTextureHeight() override { return textureHeights[0]; }
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

    float getTexCoordScaleU() override { return textureWidths[0]; }
    float getTexCoordScaleV() override { return textureHeights[0]; }
    ImageData *getImageData() override { return &image; }
    bool readTargetPixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *pixels) override;

    // The picture layer's share of the window's device handling.
    static void bindDevice(Window *window);
    // Forgets the window (when it releases its device), after releaseDeviceResources(true).
    static void unbindDevice();
    static void releaseDeviceResources(bool all);
    static void restoreDeviceResources();
    static void restorePicture(KGraphicD3DCommon *picture);
    static void checkTargetsEnded();

    static std::recursive_mutex &rendererMutex() { return Renderer::instance().mutex; }
    static const KObjectList &pictures() { return pictureList(); }

    // Read by the batches and by the tests.
    bool isRenderTargetPicture() const { return isRenderTarget != 0; }
    Texture *getTexture() const { return textures[0]; }
    D3DFORMAT getTextureFormat() const { return (D3DFORMAT)textureFormats[0]; }
    const char *getFileName() const { return fileName; }
    const float *getTint() const { return tint; }

    // The three state routines: untextured (stage 0 unbound, blending on with the picture's factors), and
    // this picture's texture, filter and addressing without or with blending.
    void applyUntexturedState();
    void applyOpaqueTextureState() { applyTextureState(false); }
    void applyBlendedTextureState() { applyTextureState(true); }

protected:
    static constexpr int kTextureSlots = 8;
    static constexpr int kFileNameCapacity = 260;

    ImageData image;
    uint32_t *pixelCopy = nullptr;
    int32_t pixelCopyWidth = 0, pixelCopyHeight = 0;
    float imageWidth = 0, imageHeight = 0;
    uint8_t highQuality = 1;
    uint8_t hasAlpha = 0;
    uint32_t filter = D3DTEXF_POINT;
    uint32_t sourceBlend = D3DBLEND_SRCALPHA;
    uint32_t destinationBlend = D3DBLEND_INVSRCALPHA;
    uint32_t addressing = D3DTADDRESS_CLAMP;
    float tint[4] = {1, 1, 1, 1};
    int32_t textureCount = 0;
    Texture *textures[kTextureSlots] = {};
    int32_t textureFormats[kTextureSlots] = {-1, -1, -1, -1, -1, -1, -1, -1};
    float textureWidths[kTextureSlots] = {};
    float textureHeights[kTextureSlots] = {};
    uint8_t isRenderTarget = 0;
    uint8_t clearPending = 0;
    Surface *targetSurface = nullptr;
    Surface *depthSurface = nullptr;
    uint8_t wantsDepth = 0;
    uint8_t targetLost = 0;
    char fileName[kFileNameCapacity] = {};

    friend class KBatchD3DCommon<Api>;

    static KObjectList &pictureList() {
        static KObjectList list;
        return list;
    }
    static Renderer &renderer() { return Renderer::instance(); }

    // Loading and upload.
    struct TextureLevel {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT locked;
    };
    bool readImageFile(const char *name, unsigned char **data, uint32_t *size);
    bool takeDecodedImage(const char *name, const unsigned char *data, size_t size);
    uint64_t imageRecordBytes() const;
    bool createUploadTexture(uint32_t width, uint32_t height);
    bool lockLevel(Texture *texture, TextureLevel &level);
    bool copyIntoLevel(const TextureLevel &level, const void *pixels, uint64_t sourceBytes, uint32_t width,
                       uint32_t height);
    bool deviceReady();
    bool waitForDevice();
    void takeImageRecordState();
    void dropRenderTarget();
    void dropPixelCopy();
    bool makePixelCopy(int32_t width, int32_t height);
    bool uploadImageRecord();
    bool uploadPixelCopy();
    bool uploadPixels(const void *pixels, uint64_t sourceBytes, uint32_t width, uint32_t height);
    bool createPictureTexture(uint32_t textureWidth, uint32_t textureHeight, bool renderTarget);
    bool preparePixels(Texture *texture, const void *pixels, uint64_t sourceBytes, uint32_t width, uint32_t height);
    bool storePixelCopy(const uint32_t *pixels, int32_t width, int32_t height);
    void releaseTexturesFrom(int first);
    void releaseTargetSurfaces();
    D3DFORMAT chooseFormat() const;
    bool formatSupported(D3DFORMAT format, bool renderTarget) const;

    // Render targets.
    bool createRenderTargetSurfaces(int32_t width, int32_t height);
    HRESULT createTargetTexture(uint32_t width, uint32_t height, D3DFORMAT format);
    HRESULT createTargetTextureFlushingOthers(uint32_t width, uint32_t height, D3DFORMAT format);
    bool createTargetDepthSurface();
    void removeFromTargetStack();

    // Drawing.
    void applyTextureState(bool blended);
    void emitTexturedQuad(float sx1, float sy1, float sx2, float sy2, float dx, float dy, bool flipX, bool flipY,
                          bool blended);
    void drawImageQuadTransformed(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float angle,
                                  float zoom, float alpha, bool flipX, bool flipY, float pivotX, float pivotY,
                                  bool blended);
    void emitTexturedQuadEdges(float sx1, float sy1, float sx2, float sy2, float x, float y, float width,
                               float height, float zoom, float angle, float alpha, bool flipX, bool flipY,
                               float pivotX, float pivotY, bool blended);
    uint32_t tintColor(float alphaFactor) const;
};
