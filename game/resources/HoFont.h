#pragma once
// A bitmap font of the game over one engine font: its ".ktext" description and the page picture the
// context's font loader names for it.

#include "game/resources/HoResource.h"

class KText;

class HoFont : public HoResource {
public:
    // Deletes the font.
    void releaseObject() override;
    int32_t getReloadMode(HoResourceManager *) override { return kReloadWhenChanged; }
    // Reads the description and its pages into a new engine font, with no extra advance on any page.
    void load(HoResourceManager *manager) override;
    void unload(HoResourceManager *manager) override;

    KText *text = nullptr;               // null when not loaded
    const char *pagePicture = nullptr;   // interned name of the first page picture
};
