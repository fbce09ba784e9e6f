// A scene built again from its files (goto_clean). The request waits for the end of the step, so that
// no handler, pass or update is walking the scene's blocks and elements while they go. Everything of the
// world that points at the old elements lets go of them first; the old records stay in their pools,
// inert, so that a reference another scene's scripts resolved to one never reads freed memory.

#include <algorithm>
#include <vector>

#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneFileLoader.h"
#include "game/scene/SceneScripts.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

bool below(const HoScene *scene, const HoScene *ancestor) {
    for (; scene; scene = scene->parent) {
        if (scene == ancestor)
            return true;
    }
    return false;
}

// The world's pointers to elements of the scenes, cleared; emitters that follow one go back to the pools.
void forgetElements(HoWorld *world, const std::vector<HoScene *> &scenes) {
    auto doomed = [&scenes](const SceneElement *element) {
        return element && std::find(scenes.begin(), scenes.end(), element->scene) != scenes.end();
    };
    auto forget = [&doomed](SceneElement *&slot) {
        if (doomed(slot))
            slot = nullptr;
    };
    ClickState &clicks = world->clicks;
    for (HandlerSlots *slots : {&clicks.hover, &clicks.click}) {
        for (SceneElement **slot : {&slots->look, &slots->pick, &slots->use, &slots->itemUse, &slots->goTo,
                                    &slots->move, &slots->rotate})
            forget(*slot);
    }
    DragState &drag = clicks.drag;
    for (SceneElement **slot : {&clicks.previousHover, &clicks.entered, &clicks.left, &clicks.dropTarget, &drag.pressed,
                                &drag.dragStart, &drag.drop, &drag.release, &drag.dragging, &world->hoveredElement,
                                &world->clickedElement, &world->endMoveElement, &world->heldElement,
                                &world->currentObject, &world->change.argument, &world->change.pendingZoneArgument})
        forget(*slot);
    for (ZoomLayer &layer : world->zoomLayers) {
        forget(layer.openArgument);
        forget(layer.closeArgument);
    }
    for (int32_t i = world->liveEmitters.count() - 1; i >= 0; --i) {
        if (doomed(world->liveEmitters[i]->owner))
            world->renderPools.recycleEmitter(world->liveEmitters.removeSwappingLast(i));
    }
}

} // namespace

void HoWorld::requestSceneRebuild(HoScene *scene) {
    if (scene)
        sceneRebuild = scene;
}

void HoWorld::rebuildRequestedScene() {
    HoScene *scene = sceneRebuild;
    sceneRebuild = nullptr;
    if (!scene)
        return;
    std::vector<HoScene *> rebuilt;
    for (int32_t i = 0; i < scenes.count(); ++i) {
        if (below(scenes[i], scene))
            rebuilt.push_back(scenes[i]);
    }
    forgetElements(this, rebuilt);
    for (HoScene *each : rebuilt) {
        each->dropContent();
        createSceneScriptContext(&each->script, this, each);
        loadSceneContent(each);
    }
    for (HoScene *each : rebuilt)
        each->applySceneProperties();
    for (HoScene *each : rebuilt)
        loadSceneScripts(&each->script);
    for (HoScene *each : rebuilt)
        declareSceneScripts(each);
    for (HoScene *each : rebuilt)
        runSceneInitBlocks(each);
    findOrCreateVariable(&scene->script, "#singleplay", nullptr)->value->setNumber(1.0f);
    changeScene(scene, nullptr);
}
