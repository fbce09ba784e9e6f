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

// A numbered font: its page pictures and description, or, for a number without them, its settings file.
struct NumberedFont {
    int32_t number = 0;
    bool hasPictures = false;
    std::string firstPage, description, settings;
};

// Visits the numbered fonts from 1 until a number has neither pictures nor settings.
template <class Visit> void forEachNumberedFont(bool dds, Visit visit) {
    for (int32_t n = 1;; ++n) {
        NumberedFont font;
        font.number = n;
        font.firstPage = numbered("data/texts/font_%d_0%s", n, dds ? ".dds" : ".tga");
        font.description = numbered("data/texts/font_%d.ktext", n);
        font.settings = numbered("data/texts/font_%d.cfg", n);
        font.hasPictures = dataFileExists(font.firstPage.c_str()) && dataFileExists(font.description.c_str());
        if (!font.hasPictures && !dataFileExists(font.settings.c_str()))
            return;
        visit(font);
    }
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
    forEachNumberedFont(useDds && useDds->integer == 1, [this](const NumberedFont &font) {
        if (font.hasPictures) {
            HoFont *resource = resources->getFont(font.description.c_str());
            resource->pagePicture = interned.internOrFind(font.firstPage.c_str());
            if (fonts.count() <= font.number)
                fonts.insertAt(font.number);
            fonts.set(font.number, resource);
            return;
        }
        const HoConfiguration *config = resources->getConfiguration(font.settings.c_str());
        const ConfigEntry *mapped = config ? config->find("mapped") : nullptr;
        if (mapped && mapped->integer != 0) {
            if (fontMap.count() <= font.number)
                fontMap.insertAt(font.number);
            fontMap.set(font.number, reinterpret_cast<void *>(intptr_t(mapped->integer)));
        }
    });
}

std::vector<std::string> fontPageFiles(bool dds) {
    std::vector<std::string> files;
    forEachNumberedFont(dds, [&files](const NumberedFont &font) {
        if (!font.hasPictures)
            return;
        // A font's further pages are named as the font loads them.
        char page[kTextNameCapacity];
        std::snprintf(page, sizeof page, "%s", font.firstPage.c_str());
        do
            files.push_back(resolveDataPath(page));
        while (KText::nextPageName(page) && dataFileExists(page));
    });
    return files;
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
