#pragma once
// What a scene element shows: an object that knows which texture to show at a given time and which part
// of it, how to take and drop its texture references, how to draw itself on a quad through the context's
// shared batch, and which textures it needs for preloading. Textures are shared between renderables and
// counted: the first reference loads a texture, the last one to let go unloads it.

#include <cstdint>

#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class HoTexture;
struct SceneElement;

// A rectangle of a texture in its pixels.
struct FrameRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    // The whole of a picture of that size.
    static FrameRect whole(float width, float height) { return {0.0f, 0.0f, width, height}; }
};

enum HoRenderableKind : int32_t {
    kRenderableSceneImage = 1,
    kRenderableAnimatedImage = 2,
    kRenderableDrawableImage = 3,
};

// Blend modes of a renderable, as the texture's setBlendMode takes them.
enum HoBlendMode : uint8_t {
    kBlendNormal = 0,
    kBlendErase = 1,    // factor pair (zero, inverse source alpha)
    kBlendAdditive = 2, // factor pair (source alpha, one)
};

class HoRenderable {
public:
    virtual ~HoRenderable() = default;

    // The texture to show now, or null.
    virtual HoTexture *getTexture() = 0;
    // The source rectangle for a time in 1/100 s.
    virtual FrameRect update(int32_t time) = 0;
    // How long one cycle of its frames lasts, in 1/100 s; 0 when it never changes frame.
    virtual int32_t cycleTicks() const { return 0; }
    // Takes one reference on each texture; the first reference loads it.
    virtual void acquire() = 0;
    // Drops the references; a texture nobody holds any more is unloaded.
    virtual void release() = 0;
    // Draws the source rectangle on the quad into the shared batch, tinted by the element, with the opacity.
    virtual void draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) = 0;
    // Appends the names of its textures (interned) for preloading.
    virtual void collectTextures(PtrArray<const char> &names, bool unique) = 0;

    const char *path = nullptr; // interned: what it was loaded from; null for a new object
    int32_t kind = 0;           // HoRenderableKind
    uint8_t blendMode = kBlendNormal;

protected:
    // The element's tint (red, green, blue) with the opacity.
    static void tintOf(const SceneElement &element, float opacity, float colour[4]);
};

// True when the list holds a name equal to the given one.
bool listHoldsName(const PtrArray<const char> &names, const char *name);
// Queues the source rectangle of a loaded texture on the quad in the context's shared batch, with the blend
// mode and in the colour (red, green, blue, alpha). Nothing without a context or a loaded picture.
void drawOnSharedBatch(HoTexture *texture, uint8_t blendMode, const float colour[4], const FrameRect &source,
                       const QuadCorners &quad);
