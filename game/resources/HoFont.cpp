#include "game/resources/HoFont.h"

#include <string>

#include "engine/system/KSystem.h"
#include "engine/text/KText.h"

void HoFont::releaseObject() {
    delete text;
    text = nullptr;
}

void HoFont::load(HoResourceManager *) {
    delete text;
    text = new KText();
    const std::string description = resolveDataPath(filePath);
    const std::string page = resolveDataPath(pagePicture ? pagePicture : "");
    // A font that does not load whole keeps what did: glyphs on a missing page draw nothing.
    if (description.empty() || page.empty() || !pagePicture || !text->loadFont(description.c_str(), page.c_str()))
        logMessage("Game: cannot load font %s with page %s, ERROR", filePath, pagePicture ? pagePicture : "(none)");
    for (int32_t i = 0; i < kTextPageCount; ++i)
        text->setPageAdvance(i, 0.0f);
}

void HoFont::unload(HoResourceManager *) {
    delete text;
    text = nullptr;
}
