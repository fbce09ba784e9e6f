// The game context's texts: character sets, the localisation table and the numbered fonts.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/util/ReadWholeFile.h"

namespace {

constexpr char kCharacterSetsFile[] = "data/texts/Localization.cfg";
constexpr char kPrintableAscii[] = " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                                   "abcdefghijklmnopqrstuvwxyz{|}~";

std::string numbered(const char *format, int32_t number, const char *extension = "") {
    char name[64];
    std::snprintf(name, sizeof name, format, number, extension);
    return name;
}

} // namespace

void HoContext::loadCharacterSets() {
    defaultTextEncoding = kTextEncodingUtf8;
    textGlyphPages = true;
    const HoConfiguration *sets = resources->getConfiguration(kCharacterSetsFile);
    for (int32_t n = 1;; ++n) {
        const ConfigEntry *entry = sets ? sets->find(numbered("characters%d", n).c_str()) : nullptr;
        if (!entry || entry->text()[0] == '\0')
            break;
        const char *text = strings.copy(entry->text());
        characterSets.append(text);
        logMessage("Number of characters #%d: %d", n, countChars(kTextEncodingUtf8, text));
    }
    if (characterSets.empty())
        characterSets.append(kPrintableAscii);
    std::vector<const char *> list;
    for (int32_t i = 0; i < characterSets.count(); ++i)
        list.push_back(characterSets[i]);
    if (!buildCharacterSet(int32_t(list.size()), list.data()))
        logMessage("Game: the character sets hold more characters than the fonts can take, WARNING");
}

void HoContext::loadLocalization() {
    localisation.load(interned);
}

const char *HoContext::getLocalizedText(const char *key, int32_t encoding) const {
    return localisation.getLocalizedText(key, encoding);
}

void HoContext::loadFonts() {
    const ConfigEntry *useDds = gameConfig ? gameConfig->find("textures.use_dds") : nullptr;
    const char *pageExtension = useDds && useDds->integer == 1 ? ".dds" : ".tga";
    for (int32_t n = 1;; ++n) {
        const std::string page = numbered("data/texts/font_%d_0%s", n, pageExtension);
        const std::string description = numbered("data/texts/font_%d.ktext", n);
        const std::string settings = numbered("data/texts/font_%d.cfg", n);
        if (dataFileExists(page.c_str()) && dataFileExists(description.c_str())) {
            HoFont *font = resources->getFont(description.c_str());
            font->pagePicture = interned.internOrFind(page.c_str());
            if (fonts.count() <= n)
                fonts.insertAt(n);
            fonts.set(n, font);
        } else if (dataFileExists(settings.c_str())) {
            const HoConfiguration *config = resources->getConfiguration(settings.c_str());
            const ConfigEntry *mapped = config ? config->find("mapped") : nullptr;
            if (mapped && mapped->integer != 0) {
                if (fontMap.count() <= n)
                    fontMap.insertAt(n);
                fontMap.set(n, reinterpret_cast<void *>(intptr_t(mapped->integer)));
            }
        } else {
            break;
        }
    }
}

int32_t HoContext::mappedFontNumber(int32_t index) const {
    if (index >= 0 && index < fontMap.count()) {
        const intptr_t mapped = reinterpret_cast<intptr_t>(fontMap[index]);
        if (mapped > 0 && mapped <= INT32_MAX)
            index = int32_t(mapped);
    }
    return index == 0 ? 1 : index;
}

HoFont *HoContext::fontResource(int32_t index) const {
    if (index < 0)
        return nullptr;
    index = mappedFontNumber(index);
    return index > 0 && index < fonts.count() ? fonts[index] : nullptr;
}

KText *HoContext::getFont(int32_t index) const {
    const HoFont *font = fontResource(index);
    // A font whose description did not load has no glyphs: it is no font.
    return font && font->text && font->text->getRecords() ? font->text : nullptr;
}

// A HUD font is held (and so loaded) once for each key that names it.
void HoContext::loadHudFont(const char *key) {
    const ConfigEntry *entry = gameConfig ? gameConfig->find(key) : nullptr;
    HoFont *font = fontResource(entry ? entry->integer : 0);
    if (font)
        font->acquire(resources);
}
