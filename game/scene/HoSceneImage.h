#pragma once
// A still picture or a sprite sheet, with an optional highlight picture: the picture's name with "_h"
// before its extension (door.png, door_h.png), drawn over it as strongly as the element is highlighted.
// Textures are looked up when the image is loaded and loaded only when it is acquired.

#include <cstdint>

#include "game/scene/HoRenderable.h"
#include "game/scene/SpriteSheet.h"

class HoContext;

class HoSceneImage : public HoRenderable {
public:
    HoSceneImage() { kind = kRenderableSceneImage; }

    // Looks up the picture and its highlight; the sheet settings and the blend mode start at 0.
    void load(const char *picturePath);

    HoTexture *getTexture() override { return texture; }
    FrameRect update(int32_t time) override;
    int32_t cycleTicks() const override { return sheet.periodTicks(); }
    void acquire() override;
    void release() override;
    void draw(const SceneElement &element, float opacity, const FrameRect &source, const QuadCorners &quad) override;
    void collectTextures(PtrArray<const char> &names, bool unique) override;

    SpriteSheet sheet;
    HoTexture *texture = nullptr;
    HoTexture *highlightTexture = nullptr; // null when the path has no extension
    HoContext *context = nullptr;          // whose resources hold the textures; none: nothing is loaded
};
