#pragma once
// A picture of the game: one picture file loaded into one engine picture. It draws in two ways: as one
// quad added to the context's shared batch (the game's usual road; the caller binds the texture first
// with HoContext::bindBatchTexture), or as one direct picture draw.

#include <cstdint>

#include "game/resources/HoResource.h"

class KGraphic;

class HoTexture : public HoResource {
public:
    // Deletes the picture.
    void releaseObject() override;
    int32_t getReloadMode(HoResourceManager *) override { return kReloadWhenChanged; }
    // Loads the file into a new picture, smoothly filtered and clamped. A picture that does not load
    // leaves the texture empty with file time 0, so that a later request tries again.
    void load(HoResourceManager *manager) override;
    void unload(HoResourceManager *manager) override;

    // The picture's blend factors: mode 1 erases by the source's alpha, mode 2 adds, any other mode
    // blends normally.
    void setBlendMode(int32_t mode);

    // One quad to the context's shared batch: source corners (top-left, top-right, bottom-right,
    // bottom-left, x then y, in pixels of the picture) onto destination corners in the same order.
    virtual void drawBatched(const float source[8], const float destination[8]);
    // A source rectangle of the picture stretched onto a destination rectangle, with the arguments of
    // KGraphic::drawImageRectStretched.
    virtual void draw(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2,
                      float alpha, float angle, bool flipX, bool flipY, float pivotX, float pivotY);

    KGraphic *picture = nullptr; // null when not loaded
    float width = 0.0f;          // picture size in pixels; 0 when not loaded
    float height = 0.0f;

protected:
    // Adds the quad to the context's shared batch, when there is one.
    static void addToBatch(const float source[8], const float destination[8]);
};
