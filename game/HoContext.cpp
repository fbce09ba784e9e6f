#include "game/HoContext.h"

#include <cstring>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphicFactory.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoResourceManager.h"

HoContext *currentContext = nullptr;

namespace {

constexpr char kPointerFolder[] = "data/system/pointers/";

} // namespace

HoContext::HoContext(HoGame *owner) : game(owner) {
    currentContext = this;
    resources = new HoResourceManager(this);
    gameConfig = resources->getConfiguration("data/game.cfg");
}

HoContext::~HoContext() {
    delete resources;
    resources = nullptr;
    delete batch;
    batch = nullptr;
    boundPicture = nullptr;
    atlases.deleteAll();
    if (currentContext == this)
        currentContext = nullptr;
}

void HoContext::init() {
    batch = createKBatch();
    if (batch && !batch->allocateQuads(kBatchQuads)) {
        delete batch;
        batch = nullptr;
    }
    boundPicture = nullptr;
    boundBlend = 0;
    texturesConfig = resources->getConfiguration("data/textures.cfg");
}

HoTexture *HoContext::getTexture(const char *name) {
    const ConfigEntry *useAtlas = gameConfig ? gameConfig->find("textures.use_atlas") : nullptr;
    const bool atlasPicture = useAtlas && useAtlas->integer == 1 && name &&
                              std::strncmp(name, kPointerFolder, sizeof kPointerFolder - 1) != 0 &&
                              !(texturesConfig && texturesConfig->find(name));
    if (atlasPicture)
        return resources->getAtlasTexture(name);
    return resources->getTexture(name);
}

AtlasRegion *HoContext::findAtlasRegion(const char *name) const {
    return findInternedAtlasRegion(interned.findInterned(name));
}

AtlasRegion *HoContext::findInternedAtlasRegion(const char *name) const {
    if (!name)
        return nullptr;
    for (int32_t i = 0; i < atlases.count(); ++i) {
        if (AtlasRegion *region = atlases[i]->findInternedRegion(name))
            return region;
    }
    return nullptr;
}

void HoContext::loadAtlases() {
    atlasConfig = resources->getConfiguration("data/atlas/atlas.cfg");
    loadAtlasMap("data/atlas/common.map", "common");
    loadAtlasMap("data/atlas/inventory.map", "inventory");
}

void HoContext::loadAtlasMap(const char *fileName, const char *name) {
    auto *map = new AtlasMap(this, interned.internOrFind(name));
    if (map->load(fileName))
        atlases.append(map);
    else
        delete map;
}

void HoContext::bindBatchTexture(HoTexture *texture, int32_t blend) {
    KGraphic *picture = texture ? texture->picture : nullptr;
    if (picture == boundPicture && blend == boundBlend)
        return;
    if (boundPicture && batch)
        batch->flushBatch();
    boundPicture = picture;
    boundBlend = blend;
    if (!picture)
        return;
    texture->setBlendMode(blend);
    if (batch)
        batch->startBatch(picture);
}

void HoContext::flushBatch() {
    if (!boundPicture)
        return;
    if (batch)
        batch->flushBatch();
    boundPicture = nullptr;
}
