#pragma once
// The game context: everything of a running game that is not the window. It owns the resource manager,
// the interned-string table with the string arena behind it, the texture atlases and the shared quad
// batch through which every texture is drawn, and keeps the game's configuration files. There is one
// context at a time; `currentContext` names it.
//
// The shared batch: a drawer binds a texture and blend mode (bindBatchTexture) and adds quads; the batch
// is flushed only when the bound picture or blend mode changes or when a drawer asks (flushBatch). Since
// the window unstarts every batch at the end of a frame, whoever draws last in a frame flushes.

#include <cstdint>

#include "game/util/InternTable.h"
#include "game/util/PtrArray.h"
#include "game/util/StringArena.h"

class AtlasMap;
struct AtlasRegion;
class HoConfiguration;
class HoGame;
class HoResourceManager;
class HoTexture;
class KBatch;
class KGraphic;

class HoContext {
public:
    static constexpr int32_t kBatchQuads = 1024;

    explicit HoContext(HoGame *game);
    ~HoContext();
    HoContext(const HoContext &) = delete;
    HoContext &operator=(const HoContext &) = delete;

    // Runs once, right after construction.
    void init();

    // The texture of a picture name: an atlas texture when "textures.use_atlas" in "data/game.cfg" is
    // exactly 1, the name is not under "data/system/pointers/" and "data/textures.cfg" does not list
    // it; else a plain texture. Nothing is loaded.
    HoTexture *getTexture(const char *name);
    // The first region of that name in the atlas maps, in list order; null when none.
    AtlasRegion *findAtlasRegion(const char *name) const;
    // The same for a name interned in the context's table, such as a resource's name.
    AtlasRegion *findInternedAtlasRegion(const char *name) const;
    // Reads "data/atlas/atlas.cfg" and the "common" and "inventory" atlas maps.
    void loadAtlases();
    // Reads an atlas map and appends it to the atlas list when it has pages; else frees it.
    void loadAtlasMap(const char *fileName, const char *name);

    // Makes the texture's picture and the blend mode current on the shared batch, flushing what the
    // batch holds when either changes.
    void bindBatchTexture(HoTexture *texture, int32_t blend);
    // Draws what the batch holds and unbinds its picture.
    void flushBatch();

    HoGame *game = nullptr;
    HoResourceManager *resources = nullptr;
    PtrArray<AtlasMap> atlases;
    HoConfiguration *atlasConfig = nullptr;    // "data/atlas/atlas.cfg"
    HoConfiguration *texturesConfig = nullptr; // "data/textures.cfg": pictures kept out of the atlases
    StringArena strings;
    InternTable interned{strings};
    KBatch *batch = nullptr; // the shared batch of 1024 quads
    KGraphic *boundPicture = nullptr;
    int32_t boundBlend = 0;
    HoConfiguration *gameConfig = nullptr; // "data/game.cfg"
};

// The one game context, set by its constructor; null when there is none.
extern HoContext *currentContext;
