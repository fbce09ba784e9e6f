#include "game/resources/AtlasMap.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/util/NumberParse.h"
#include "game/util/ReadWholeFile.h"
#include "game/util/TextReader.h"

namespace {

// The pieces of a comma-separated list; an empty list gives one empty piece.
std::vector<std::string> splitAtCommas(const char *text) {
    std::vector<std::string> pieces(1);
    for (const char *c = text; *c; ++c) {
        if (*c == ',')
            pieces.emplace_back();
        else
            pieces.back() += *c;
    }
    return pieces;
}

// The integers of a comma-separated list, `count` of them; a missing one is 0.
std::vector<int32_t> readIntegers(const std::string &text, size_t count) {
    std::vector<std::string> pieces = splitAtCommas(text.c_str());
    std::vector<int32_t> values(count, 0);
    for (size_t i = 0; i < count && i < pieces.size(); ++i)
        values[i] = parseInt(pieces[i].c_str());
    return values;
}

const char *pageExtension(int32_t format) {
    switch (format) {
    case kAtlasPagePvr: return "pvr";
    case kAtlasPagePng: return "png";
    default: return "dds";
    }
}

// "data/atlas/<name>_NN.<ext>" of a page counted from 1.
std::string pageFileName(const char *name, int32_t page, int32_t format) {
    char number[16];
    std::snprintf(number, sizeof number, "%.2d", page);
    return std::string("data/atlas/") + name + "_" + number + "." + pageExtension(format);
}

} // namespace

std::vector<std::string> AtlasMap::pageFiles(const char *fileName, const char *mapName) {
    WholeFile file;
    if (!readWholeFile(fileName, &file))
        return {};
    // Only the page count and formats are read; what the map says wrong is reported when the game reads it.
    KLogSilence quiet;
    AtlasMap map(nullptr, mapName);
    forEachKeyValueLine(file.data.get(), [&map](const std::string &key, const char *value) {
        if (key == "pages")
            map.readPageCount(value);
        else if (key == "format")
            map.readFormats(value);
    });
    std::vector<std::string> files;
    for (int32_t page = 1; page <= int32_t(map.pageFormats.size()); ++page)
        files.push_back(pageFileName(mapName, page, map.pageFormats[size_t(page - 1)]));
    return files;
}

AtlasMap::AtlasMap(HoContext *owner, const char *mapName) : name(mapName), context(owner) {}

AtlasMap::~AtlasMap() {
    regions.deleteAll();
}

bool AtlasMap::load(const char *fileName) {
    WholeFile file;
    if (!readWholeFile(fileName, &file))
        return false;
    forEachKeyValueLine(file.data.get(), [this, fileName](const std::string &key, const char *value) {
        if (key == "pages")
            readPageCount(value);
        else if (key == "scale")
            scale = parseFloat(value);
        else if (key == "format")
            readFormats(value);
        else
            readRegion(fileName, key.c_str(), value);
    });
    if (pageCount < 1 || pageCount > kMaxPages) {
        logMessage("Game: atlas map %s has %d pages (1 to %d expected); it is not used, ERROR", fileName, pageCount,
                   kMaxPages);
        return false;
    }
    // A scale of 0 or less would divide the trims by nothing when they are drawn.
    if (!(scale > 0.0f)) {
        logMessage("Game: atlas map %s has scale %g; 1 is used, WARNING", fileName, double(scale));
        scale = 1.0f;
    }
    requestPages();
    buildIndex();
    return true;
}

void AtlasMap::readPageCount(const char *value) {
    pageCount = parseInt(value);
    // The format array is sized from the file, so an absurd count is never allocated.
    pageFormats.assign(pageCount >= 1 && pageCount <= kMaxPages ? size_t(pageCount) : 0, kAtlasPageDds);
}

void AtlasMap::readFormats(const char *value) {
    std::vector<std::string> tokens = splitAtCommas(value);
    const std::string *token = nullptr;
    for (size_t page = 0; page < pageFormats.size(); ++page) {
        if (page < tokens.size())
            token = &tokens[page];
        if (*token == "png")
            pageFormats[page] = kAtlasPagePng;
        else if (*token == "pvr")
            pageFormats[page] = kAtlasPagePvr;
        else if (*token == "dds")
            pageFormats[page] = kAtlasPageDds;
        else
            logMessage("Game: atlas map %s: unknown page format '%s' for page %zu, ERROR", name, token->c_str(),
                       page + 1);
    }
}

void AtlasMap::readRegion(const char *fileName, const char *key, const char *value) {
    const char *colon = std::strchr(value, ':');
    const std::string placement = colon ? std::string(value, size_t(colon - value)) : std::string(value);
    const std::vector<int32_t> place = readIntegers(placement, 5);
    const std::vector<int32_t> trims = readIntegers(colon ? std::string(colon + 1) : std::string(), 4);
    if (place[2] < 0 || place[3] < 0 || trims[0] < 0 || trims[1] < 0 || trims[2] < 0 || trims[3] < 0) {
        logMessage("Game: atlas map %s: region %s has a negative size or trim; it is left out, ERROR", fileName, key);
        return;
    }
    auto *region = new AtlasRegion();
    region->name = context->interned.internOrFind(key);
    region->x = place[0];
    region->y = place[1];
    region->page = place[4];
    region->trimLeft = trims[0];
    region->trimTop = trims[1];
    region->trimRight = trims[2];
    region->trimBottom = trims[3];
    // Wrapping sums: the sizes come from the file.
    region->width = int32_t(uint32_t(place[2]) + uint32_t(trims[0]) + uint32_t(trims[2]));
    region->height = int32_t(uint32_t(place[3]) + uint32_t(trims[1]) + uint32_t(trims[3]));
    region->owner = this;
    regions.append(region);
}

void AtlasMap::requestPages() {
    for (int32_t page = 1; page <= pageCount; ++page)
        pages.append(context->resources->getTexture(pageFileName(name, page, pageFormats[size_t(page - 1)]).c_str()));
}

AtlasRegion *AtlasMap::findRegion(const char *regionName) const {
    return findInternedRegion(context->interned.findInterned(regionName));
}

size_t AtlasMap::indexSlotOf(const char *interned, size_t mask) {
    // Interned texts lie in arena blocks: the low bits say little, so the pointer is mixed first.
    uint64_t bits = uint64_t(reinterpret_cast<uintptr_t>(interned)) * 0x9E3779B97F4A7C15ull;
    return size_t(bits >> 32) & mask;
}

void AtlasMap::buildIndex() {
    size_t size = 16;
    while (size < size_t(regions.count()) * 2)
        size *= 2;
    index_.assign(size, IndexSlot());
    for (int32_t i = 0; i < regions.count(); ++i) {
        AtlasRegion *region = regions[i];
        size_t slot = indexSlotOf(region->name, size - 1);
        while (index_[slot].name && index_[slot].name != region->name)
            slot = (slot + 1) & (size - 1);
        // The first region of a name in file order is the one found.
        if (!index_[slot].name)
            index_[slot] = {region->name, region};
    }
}

AtlasRegion *AtlasMap::findInternedRegion(const char *interned) const {
    if (!interned || index_.empty())
        return nullptr;
    const size_t mask = index_.size() - 1;
    for (size_t slot = indexSlotOf(interned, mask); index_[slot].name; slot = (slot + 1) & mask) {
        if (index_[slot].name == interned)
            return index_[slot].region;
    }
    return nullptr;
}

HoTexture *AtlasMap::getPage(int32_t pageNumber) const {
    return pageNumber >= 1 && pageNumber <= pages.count() ? pages[pageNumber - 1] : nullptr;
}
