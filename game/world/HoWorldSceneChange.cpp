// Scene changes. A request leaves the active scene over its "#close_time" (the picture fades to black and
// the camera zooms toward the element the change came from), the switch releases the old scene's pictures
// and loads the new one's, drops every zoom zone and starts the new music, and the new scene enters over
// its "#open_time". The whole change keeps the world busy; the switch waits for any other work that keeps
// it busy and for a saved game being handed over. The new scene's pictures are made on worker threads
// from the request on, and the switch takes them as they are; pictures that both scenes show stay loaded.

#include <algorithm>
#include <string>
#include <vector>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceProblems.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/resources/AtlasMap.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

constexpr int32_t kStepsWithoutTime = 50;

} // namespace

int32_t phaseLength(const ScriptValue *seconds) {
    if (!seconds)
        return kStepsWithoutTime;
    const int32_t steps = roundToInt(double(slotNumber(seconds, 0.0f)) * 100.0);
    return steps < 1 ? 1 : steps;
}

void HoWorld::changeScene(HoScene *target, SceneElement *argument) {
    if (change.target && change.target == target)
        return;
    change.argument = argument;
    change.target = target;
    if (activeScene) {
        change.counter = 0;
        change.length = phaseLength(activeScene->closeTimeSlot);
        fireWorldEvent(&activeScene->script, "leaving");
        // A scene that is still entering leaves at once.
        if (change.state == kChangeEntering)
            change.counter = change.length - 1;
        change.state = kChangeLeaving;
    } else {
        change.state = kChangeSwitchDue;
    }
    queueSceneMusic(target);
    prefetchPictures(target ? target : configuredStartScene());
    ++busyCount;
}

HoScene *HoWorld::configuredStartScene() const {
    const ConfigEntry *startup = configurationEntry("startup");
    return startup ? findScene(startup->text()) : nullptr;
}

void HoWorld::prefetchPictures(HoScene *target) {
    if (!target) {
        discardPrefetchedKGraphics();
        return;
    }
    PtrArray<const char> names;
    auto collect = [&names](HoScene *scene) {
        for (int32_t i = 0; i < scene->allElements.members.count(); ++i) {
            if (HoRenderable *renderable = scene->allElements.members[i]->renderable)
                renderable->collectTextures(names, true);
        }
    };
    forSceneAndItsParts(target, collect);
    if (target->isGameplay && !(activeScene && activeScene->isGameplay)) {
        for (int32_t i = 0; i < scenes.count(); ++i) {
            if (scenes[i]->isGameplayCommon)
                collect(scenes[i]);
        }
    }
    std::vector<std::string> files;
    for (int32_t i = 0; i < names.count(); ++i) {
        HoResource *resource = context->resources->find(names[i]);
        HoTexture *picture = resource && (resource->type == kResourceTexture || resource->type == kResourceAtlasTexture)
                                 ? static_cast<HoTexture *>(resource)
                                 : nullptr;
        // An atlas picture is a region of its page: the page is the file.
        if (picture && picture->type == kResourceAtlasTexture) {
            const AtlasRegion *region = context->findInternedAtlasRegion(picture->name);
            picture = region ? region->owner->getPage(region->page) : nullptr;
        }
        if (!picture || picture->picture || !picture->filePath)
            continue;
        // Pictures that are not there (most highlight pictures) are left to their own loads.
        const std::string file = resolveDataPath(picture->filePath);
        FileInfo info;
        if (!file.empty() && std::find(files.begin(), files.end(), file) == files.end() &&
            KResource::getFileInfo(file.c_str(), &info))
            files.push_back(file);
    }
    // What an earlier change (or the start-up) made ahead for other scenes goes.
    retargetPrefetchedKGraphics(files);
}

std::string HoWorld::startSceneMissingFile() const {
    const HoScene *start = change.target ? change.target : configuredStartScene();
    if (!start)
        return configurationEntry("startup") ? "data/scenes.cfg" : "data/game.cfg";
    const std::string folder = std::string(start->folder) + "/";
    if (!start->fileRead)
        return folder + start->name + ".scene";
    // A file of the scene's own folder that an archive holds damaged (its script, say).
    for (const KResourceProblem &problem : resourceProblems()) {
        if (problem.name.compare(0, folder.size(), folder) == 0)
            return problem.name;
    }
    return "";
}

void HoWorld::updateTransition() {
    if (blockingBusy)
        return;
    if (change.state == kChangeSwitchDue) {
        if (!context->pendingWorld.load(std::memory_order_acquire))
            switchScene();
    } else if (change.state == kChangeLeaving) {
        ++change.counter;
        if (change.counter < change.length) {
            change.fade = 1.0f - float(change.counter) / float(change.length);
        } else {
            if (showsHud(activeScene) && hudScene)
                hudScene->fireLeave();
            if (activeScene)
                activeScene->fireLeave();
            change.fade = 0.0f;
            change.state = kChangeSwitchDue;
        }
    }
    if (change.state == kChangeEntering) {
        ++change.counter;
        if (change.counter < change.length) {
            change.fade = float(change.counter) / float(change.length);
        } else {
            if (activeScene)
                fireWorldEvent(&activeScene->script, "entered");
            HoScene *zone = change.pendingZone;
            if (zone && zone->isZoomZone && activeScene && zone->parent == activeScene) {
                openZoomZone(zone, change.pendingZoneArgument);
                change.pendingZone = nullptr;
                change.pendingZoneArgument = nullptr;
            }
            change.fade = 1.0f;
            change.state = kChangeIdle;
            discardPrefetchedKGraphics();
        }
    }
    zoomCameraWhileLeaving();
}

void HoWorld::switchScene() {
    releaseTransients();
    HoScene *target = change.target;
    if (!target) {
        const ConfigEntry *startup = configurationEntry("startup");
        target = configuredStartScene();
        if (!startup)
            logMessage("Game: data/game.cfg names no start scene, WARNING");
        else if (!target)
            logMessage("Game: the start scene '%s' of data/game.cfg is not a scene of the game, ERROR", startup->text());
    }
    HoScene *old = activeScene;
    context->resources->holdReleasedPictures();
    releaseSceneImages(old);
    for (int32_t layer = 0; layer < kZoomLayerCount; ++layer)
        closeZoomZone(layer, 0);
    if (target && target->isGameplay && !(old && old->isGameplay)) {
        for (int32_t i = 0; i < scenes.count(); ++i) {
            if (scenes[i]->isGameplayCommon)
                scenes[i]->loadElementImages();
        }
    }
    const bool firstSwitch = topScene == nullptr;
    activeScene = target;
    setSceneValue(mainSceneSlot, target);
    setSceneValue(rootSceneSlot, target && target->parent ? target->parent : target);
    change.target = nullptr;
    if (target && !target->isSystem)
        loadSceneImages(target);
    context->resources->endPictureHold();
    if (target) {
        target->resumeVideos();
        if (target->isGameplay && !firstSwitch)
            saveGameAtSwitch();
    }
    resetInventoryStrip();
    if (target) {
        if (showsHud(target) && hudScene)
            hudScene->fireEnter();
        target->fireEnter();
    }
    queueSceneMusic(target);
    // The time the switch took to load makes no burst of steps.
    if (context->world == this)
        context->resyncTiming();
    change.state = kChangeEntering;
    change.counter = 0;
    change.length = phaseLength(target ? target->openTimeSlot : nullptr);
}

// The old scene's pictures go, with those of its zoom zones and of its scenes that are not locations; a
// system scene keeps its pictures and only pauses its videos.
void HoWorld::releaseSceneImages(HoScene *scene) {
    if (scene && scene->isSystem)
        scene->releaseWhenLeft();
    else if (scene)
        forSceneAndItsParts(scene, &HoScene::releaseWhenLeft);
}

// While a change leaves toward an element, the camera closes in on it as the picture fades.
void HoWorld::zoomCameraWhileLeaving() {
    if (!activeScene || change.state != kChangeLeaving || !change.argument)
        return;
    float zoom = stepSettings.changeZoom;
    if (change.target && change.target->isHo && stepSettings.changeHoZoom > 0.0f)
        zoom = stepSettings.changeHoZoom;
    if (change.target && change.target->isMiniGame && stepSettings.changeMiniGameZoom > 0.0f)
        zoom = stepSettings.changeMiniGameZoom;
    if (!(zoom > 0.0f))
        return;
    const ScreenValues &screen = screenValues;
    const float fade = change.fade;
    const float centreX = screen.halfWidth / screen.artScale + screen.viewOffsetX;
    const float centreY = screen.halfHeight / screen.artScale + screen.viewOffsetY;
    const float elementX = change.argument->cx.asNumber() + screen.viewOffsetX;
    const float elementY = change.argument->cy.asNumber() + screen.viewOffsetY;
    activeScene->setCamera((1.0f - zoom) * fade + zoom, (centreX - elementX) * fade + elementX,
                           (centreY - elementY) * fade + elementY);
}
