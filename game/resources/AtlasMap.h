#pragma once
// An atlas map: the regions of one set of atlas pages ("common", "inventory" or a scene's), read from
// "data/atlas/<name>.map". Each region stands for one picture of the game, cut out of a page with its
// transparent margins trimmed away. The pages are plain textures of the resource manager, named
// "data/atlas/<name>_NN.<ext>". Regions are found by name through an index that keeps the first
// region of each name in file order.
//
// The file is key=value lines: "pages" (the page count), "scale" (page pixels per picture pixel),
// "format" (a comma-separated list of png, pvr or dds, one per page, the last repeated), and one line
// per region: "name=x,y,width,height,page[:left,top,right,bottom]" with the stored rectangle and the
// trimmed margins.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "game/util/PtrArray.h"

class AtlasMap;
class HoContext;
class HoTexture;

enum AtlasPageFormat : int32_t {
    kAtlasPageDds = 0,
    kAtlasPagePvr = 1,
    kAtlasPagePng = 2,
};

struct AtlasRegion {
    const char *name = nullptr; // interned: the texture name the region stands for
    int32_t x = 0;              // the stored rectangle's position on its page
    int32_t y = 0;
    int32_t width = 0; // full size: stored size plus the trims of both sides
    int32_t height = 0;
    int32_t page = 0; // counted from 1
    int32_t trimTop = 0;
    int32_t trimBottom = 0;
    int32_t trimLeft = 0;
    int32_t trimRight = 0;
    AtlasMap *owner = nullptr;

    bool hasTrims() const { return trimTop > 0 || trimBottom > 0 || trimLeft > 0 || trimRight > 0; }
};

class AtlasMap {
public:
    static constexpr int32_t kMaxPages = 999;

    // `name` is interned; it forms the page file names.
    AtlasMap(HoContext *context, const char *name);
    ~AtlasMap();
    AtlasMap(const AtlasMap &) = delete;
    AtlasMap &operator=(const AtlasMap &) = delete;

    // Reads the map file and requests its pages (not loaded yet). False when the map is of no use: the
    // file is missing (silently), or it names no page count from 1 to 999 (logged).
    bool load(const char *fileName);
    // The page files the map file names for an atlas of that name, without a context and without a word;
    // none when it is missing or names no usable page count.
    static std::vector<std::string> pageFiles(const char *fileName, const char *mapName);

    // The first region of that name, or null.
    AtlasRegion *findRegion(const char *name) const;
    // The same for a name interned in the context's table (compared by pointer).
    AtlasRegion *findInternedRegion(const char *interned) const;
    // The page texture of a page number counted from 1, or null outside 1 .. page count.
    HoTexture *getPage(int32_t pageNumber) const;

    PtrArray<AtlasRegion> regions{10};
    PtrArray<HoTexture> pages{10};
    const char *name;
    int32_t pageCount = 0;
    std::vector<int32_t> pageFormats; // AtlasPageFormat per page
    float scale = 1.0f;
    HoContext *context;

private:
    void readPageCount(const char *value);
    void readFormats(const char *value);
    void readRegion(const char *fileName, const char *key, const char *value);
    void requestPages();
    void buildIndex();
    static size_t indexSlotOf(const char *interned, size_t mask);

    // Open addressing over the interned name pointers: a power-of-two table at most half full, so that
    // a lookup in a map of thousands of regions costs about one cache line.
    struct IndexSlot {
        const char *name = nullptr;
        AtlasRegion *region = nullptr;
    };
    std::vector<IndexSlot> index_;
};

// True when a list of records whose first field is a name holds a record of that name.
template <typename Record>
bool containsName(const PtrArray<Record> &list, const char *name) {
    for (int32_t i = 0; i < list.count(); ++i) {
        const char *held = list[i] ? list[i]->name : nullptr;
        if (held == name || (held && name && std::strcmp(held, name) == 0))
            return true;
    }
    return false;
}
