#pragma once
// A picture cut from an atlas page: the region of its name in the context's atlas maps. Its picture is
// the page's picture and its size the region's full (untrimmed) size; it holds its page while loaded.
// Callers give source coordinates in the untrimmed picture: the draws cut away what falls into the
// trimmed margins and move the destination to match, so any part of a trimmed picture draws as that
// part of the untrimmed one.

#include "game/resources/HoTexture.h"

struct AtlasRegion;

class HoAtlasTexture : public HoTexture {
public:
    // The picture belongs to the page.
    void releaseObject() override {}
    int32_t getReloadMode(HoResourceManager *) override { return kReloadAlways; }
    // Finds the region of the texture's name and acquires its page. Without a region (or with a region
    // on a page the map does not have) the texture stays empty.
    void load(HoResourceManager *manager) override;
    // Releases the page and drops the region.
    void unload(HoResourceManager *manager) override;

    void drawBatched(const float source[8], const float destination[8]) override;
    void draw(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2, float alpha,
              float angle, bool flipX, bool flipY, float pivotX, float pivotY) override;

    AtlasRegion *region = nullptr; // null when not loaded
    float pageX = 0.0f;            // the stored rectangle's position on the page
    float pageY = 0.0f;

private:
    void drawTrimmedBatched(float source[8], float destination[8]);
};
