#include "game/scene/HoScene.h"

#include "game/HoGameSettings.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

// The first record whose name is the interned text; null for a null text.
template <typename Record>
Record *findByName(const PtrArray<Record> &records, const char *interned) {
    for (int32_t i = 0; interned && i < records.count(); ++i) {
        if (records[i] && records[i]->name == interned)
            return records[i];
    }
    return nullptr;
}

} // namespace

float sceneArtScale() {
    return screenValues.artScale > 0.0f ? screenValues.artScale : 1.0f;
}

ScreenPoint sceneViewCentre() {
    const float scale = sceneArtScale();
    return {screenValues.halfWidth / scale + screenValues.viewOffsetX,
            screenValues.halfHeight / scale + screenValues.viewOffsetY};
}

HoScene::HoScene(HoWorld *owner)
    : world(owner), cameraX(sceneViewCentre().x), cameraY(sceneViewCentre().y) {
    const char *empty = world->names().internOrFind("");
    setNames(empty, empty);
    folder = empty;
    value.setPointer(kScriptScene, this);
    allElements.init(this, world->names().internOrFind("*"));
    allElements.members.setGrowStep(50);
    createSceneScriptContext(&script, world, this);
}

HoScene::~HoScene() {
    for (int32_t i = 0; i < allElements.members.count(); ++i)
        allElements.members[i]->release();
    hoItems.deleteAll();
    droppedHoItems.deleteAll();
    destroyScriptContext(&script.afterQueue);
    destroyScriptContext(&script.waitQueue);
}

void HoScene::setNames(const char *internedName, const char *internedIdentifier) {
    name = internedName;
    identifier = internedIdentifier;
    nameValue.setPointer(kScriptText, identifier);
    localNameValue.setPointer(kScriptText, name);
}

void HoScene::setParent(HoScene *parentScene) {
    parent = parentScene;
    if (parent)
        parentValue.setPointer(kScriptScene, parent);
    else
        parentValue.clear();
}

SceneElement *HoScene::findElement(const char *text) const {
    return elementNamed(findName(text));
}

SceneGroup *HoScene::findGroup(const char *text) const {
    return groupNamed(findName(text));
}

SceneElement *HoScene::elementNamed(const char *internedName) const {
    return internedName ? elementIndex_.find(allElements.members, internedName) : nullptr;
}

SceneGroup *HoScene::groupNamed(const char *internedName) const {
    return findByName(groups, internedName);
}

const char *HoScene::findName(const char *text) const {
    return text ? world->names().findInterned(text) : nullptr;
}
