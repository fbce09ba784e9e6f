#pragma once
// A cycle of whole textures listed in a ".anim" file, shown one after another over the cycle's duration;
// a texture listed several times shows for several shares of the cycle. It has no highlight picture.

#include <cstdint>

#include "game/scene/HoRenderable.h"
#include "game/util/PtrArray.h"

class HoContext;

class HoAnimatedImage : public HoRenderable {
public:
    static constexpr int32_t kFramesGrowStep = 10;

    HoAnimatedImage() { kind = kRenderableAnimatedImage; }

    // Reads "<folder>/<fileName>"; a file that cannot be read leaves an empty cycle.
    void load(const char *fileName, const char *folderName);

    // The texture at the current frame; null (and a message, once per image) when the frame is outside
    // the cycle.
    HoTexture *getTexture() override;
    // Chooses the current frame; the rectangle is the whole of its texture.
    FrameRect update(int32_t time) override;
    int32_t cycleTicks() const override;
    // One reference per entry of the cycle: a texture that stands three times is held three times.
    void acquire() override;
    void release() override;
    void draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) override;
    // Every entry's name, without a uniqueness test.
    void collectTextures(PtrArray<const char> &names, bool unique) override;

    PtrArray<HoTexture> frames{kFramesGrowStep};
    float duration = 0.0f; // seconds; 0 until the file gives one
    int32_t currentFrame = 0;
    const char *name = nullptr;   // interned: the ".anim" file name
    const char *folder = nullptr; // interned
    HoContext *context = nullptr; // whose resources hold the textures; none: nothing is loaded

private:
    bool frameErrorReported_ = false;
};
