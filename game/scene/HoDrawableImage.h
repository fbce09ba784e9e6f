#pragma once
// The erasable picture: an element's picture copied once into memory as 32-bit pixels and shown from
// there, whose alpha a round brush rubs away. The sum of all alpha left tells the scripts how much of
// the picture remains. The pixels stay with the object for the element's life; the picture that shows
// them is made again from them whenever it is needed (after a release, or a later init).

#include <cstdint>
#include <memory>

#include "game/scene/HoRenderable.h"

class KGraphic;

class HoDrawableImage : public HoRenderable {
public:
    // The largest picture copied, in pixels.
    static constexpr int64_t kMaxPixels = 16777216;

    HoDrawableImage() { kind = kRenderableDrawableImage; }
    ~HoDrawableImage() override;
    HoDrawableImage(const HoDrawableImage &) = delete;
    HoDrawableImage &operator=(const HoDrawableImage &) = delete;

    HoTexture *getTexture() override { return nullptr; }
    FrameRect update(int32_t) override { return FrameRect(); }
    // Shows the kept pixels in a picture again.
    void acquire() override;
    // Frees the picture; the pixels stay.
    void release() override;
    // The whole picture stretched over the element's rectangle, centred on its position.
    void draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) override;
    void collectTextures(PtrArray<const char> &names, bool unique) override;

    // Makes the pixels from the picture the element shows now, or shows the pixels kept from before;
    // false when nothing can be shown (no picture to copy, one too large, or a copy that failed).
    bool init(SceneElement *owner);
    // One brush stroke in the element's units: a circle of the radius around (x, y), taking the strength
    // (0 to 255) off each pixel's alpha inside the inner circle (radius × hardness) and less toward the rim.
    void erase(float x, float y, float radius, float strength, float hardness);
    // Uploads the pixels into the picture again.
    void uploadPixels();

    KGraphic *picture = nullptr;
    SceneElement *element = nullptr;
    std::unique_ptr<uint32_t[]> pixels; // 0xAARRGGBB, alpha the fourth byte in memory
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
    int64_t channelSums[3] = {}; // of the first three bytes when the pixels were made
    float width = 0.0f;
    float height = 0.0f;
    int64_t alphaSum = 0;

private:
    bool copySource(HoTexture *texture, const FrameRect &rect, uint8_t sourceBlend);
    void freePicture();
    void sumChannels();
};
