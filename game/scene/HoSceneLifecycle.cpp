// A scene's life as the world drives it: its properties applied once everything is loaded, the scene
// events of being shown, left, opened and closed, the loading of its pictures, the pausing and resuming
// of its videos, the flush of its timed blocks before a save, the end-move handlers and the camera.

#include <utility>

#include "game/HoGameSettings.h"
#include "game/resources/HoVideo.h"
#include "game/scene/ElementMedia.h"
#include "game/scene/ElementTasks.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/PendingBlockBudget.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"
#include "video/TheoraVideoClip.h"

namespace {

// The block of a "task" or "action" statement.
constexpr int32_t kTaskBlock = 2;

// A scene variable that the world or the draw reads, and the number written into it each time the
// properties are applied (none: the variable is only bound).
struct SceneVariable {
    const char *name;
    ScriptValue *HoScene::*slot;
    bool hasDefault;
    float defaultValue;
};

const SceneVariable kSceneVariables[] = {
    {"#zoom_scale", &HoScene::zoomScaleSlot, false, 0.0f},
    {"#zoom_alpha", &HoScene::zoomAlphaSlot, false, 0.0f},
    {"#CAMERA_X", &HoScene::cameraXSlot, true, 0.0f},
    {"#CAMERA_Y", &HoScene::cameraYSlot, true, 0.0f},
    {"#CAMERA_SCALE", &HoScene::cameraScaleSlot, true, 1.0f},
    {"#no_inventory", &HoScene::noInventorySlot, true, 0.0f},
    {"#no_pointer", &HoScene::noPointerSlot, true, 0.0f},
    {"#no_hud", &HoScene::noHudSlot, true, 0.0f},
    {"#layer", &HoScene::layerSlot, true, 0.0f},
    {"#open_time", &HoScene::openTimeSlot, true, 0.5f},
    {"#close_time", &HoScene::closeTimeSlot, true, 0.5f},
    {"#background_fade", &HoScene::backgroundFadeSlot, true, 1.0f},
    {"#non_blocking", &HoScene::nonBlockingSlot, true, 0.0f},
    {"#background_music", &HoScene::backgroundMusicSlot, false, 0.0f},
    {"#background_music_random_seek", &HoScene::backgroundMusicRandomSeekSlot, false, 0.0f},
};

// Every element of the scene, in list order.
template <typename Visit>
void forEachElement(HoScene *scene, Visit visit) {
    // The count is read again every turn: a handler may add to the list.
    for (int32_t i = 0; i < scene->allElements.members.count(); ++i)
        visit(scene->allElements.members[i]);
}

// The elements' videos that have a clip, in update order.
template <typename Visit>
void forEachLoadedVideo(HoScene *scene, Visit visit) {
    for (int32_t i = 0; i < scene->updateOrder.count(); ++i) {
        SceneElement *element = scene->updateOrder[i];
        if (element->video && element->video->clip)
            visit(element, element->video);
    }
}

void dropBlock(PendingBlock *&slot) {
    freePendingBlock(slot);
    slot = nullptr;
}

bool holdsOne(const ScriptVariable *variable) {
    return variable && variable->value && variable->value->type == kScriptNumber && variable->value->number == 1.0f;
}

// One of the places a pending block of the scene may wait in, with how many ticks it has left.
struct PendingCandidate {
    enum Kind { kNone, kAfterRecord, kAnimationEnd, kFade } kind = kNone;
    int32_t ticks = 0;
    int32_t queueIndex = -1;
    SceneElement *element = nullptr;

    // Only a strictly nearer candidate replaces the one found first.
    void offer(Kind offered, int32_t offeredTicks, int32_t index, SceneElement *owner) {
        if (kind != kNone && offeredTicks >= ticks)
            return;
        kind = offered;
        ticks = offeredTicks;
        queueIndex = index;
        element = owner;
    }
};

} // namespace

void HoScene::queueAfterBlock(PendingBlock *block, bool countBusy) {
    if (!block)
        return;
    block->ticks = 0;
    script.afterQueue.append(block);
    if (countBusy && !block->fx)
        ++world->busyCount;
}

void HoScene::fireEvent(const char *eventName) {
    if (ScriptEvent *event = findEvent(&script, eventName))
        event->fire();
}

// The common scripts set the mode in the global context, a scene's own scripts in the scene's; a scene
// whose scripts only read the name (which makes the variable empty) follows the global one.
bool HoScene::loadsPicturesWhenDrawn() const {
    return holdsOne(findVariable(&script, "#runtime_loading")) ||
           holdsOne(findVariable(world->globalContext(), "#runtime_loading"));
}

void HoScene::applySceneProperties() {
    applyingProperties = 1;
    forEachElement(this, setupElementMedia);
    applyCropGroups();
    swayOn = 1;
    swayX = swayY = 0.0f;
    bindSceneVariables();
    cameraElement = findElement("CAMERA");
    if (isHo)
        bindHiddenObjectHooks();
    hoPunishment = findOrCreateFunction("ho_punishment", &script);
    update();
    forEachElement(this, generateElementTasks);
    applyingProperties = 0;
}

void HoScene::applyCropGroups() {
    for (int32_t i = 0; i < groups.count(); ++i) {
        if (groups[i]->isCrop() && findElement(groups[i]->name))
            linkCropGroup(groups[i]);
    }
}

void HoScene::linkCropGroup(SceneGroup *group) {
    SceneElement *crop = findElement(group->name);
    for (int32_t k = 0; k < group->members.count(); ++k)
        group->members[k]->cropElement = crop;
}

void HoScene::bindSceneVariables() {
    for (const SceneVariable &variable : kSceneVariables) {
        ScriptValue *slot = findOrCreateVariable(&script, variable.name, nullptr)->value;
        this->*variable.slot = slot;
        if (variable.hasDefault)
            slot->setNumber(variable.defaultValue);
    }
}

void HoScene::bindHiddenObjectHooks() {
    hoFinished = findOrCreateFunction("ho_finished", &script);
    hoTake = findOrCreateFunction("ho_take", &script);
    hoUntake = findOrCreateFunction("ho_untake", &script);
    hoFound = findOrCreateFunction("ho_found", &script);
    hoPlaced = findOrCreateFunction("ho_placed", &script);
    bindHiddenObjectNatives(this);
    hoFoundObjectSlot = findOrCreateVariable(&script, "#ho_found_object", nullptr)->value;
}

void HoScene::resetHighlights() {
    forEachElement(this, [](SceneElement *element) {
        if (element->renderable)
            element->highlight = 0.0f;
    });
}

void HoScene::fireEnter() {
    ScreenPoint centre = sceneViewCentre();
    setCamera(1.0f, centre.x, centre.y);
    fireEvent("enter");
    forEachElement(this, [](SceneElement *element) {
        if (element->currentFrame > 0.0f)
            element->currentFrame = 0.0f;
    });
    resetHighlights();
}

void HoScene::fireLeaving() {
    fireEvent("leaving");
}

void HoScene::fireLeave() {
    fireEvent("leave");
    flushAfterQueue(&script);
    forEachElement(this, [](SceneElement *element) {
        dropBlock(element->animationEndBlock);
        dropBlock(element->cycleEndBlock);
        dropBlock(element->fadeEndBlock);
    });
    world->inventory.selected = nullptr;
}

void HoScene::fireOpen() {
    fireEvent("open");
    resetHighlights();
}

void HoScene::fireClose() {
    fireEvent("close");
}

void HoScene::fireClosed() {
    if (loadsPicturesWhenDrawn())
        releaseLoadedPictures();
    fireEvent("closed");
}

void HoScene::releaseLoadedPictures() {
    forEachElement(this, [](SceneElement *element) {
        if (element->picturesLoaded)
            ::unloadElementImages(element);
    });
}

// An element already loaded is not loaded again, nor one that was never loaded released, so that a
// scene loaded twice, or released with pictures that were never drawn, keeps its textures' counts true.
void HoScene::loadElementImages() {
    if (!loadsPicturesWhenDrawn()) {
        forEachElement(this, [](SceneElement *element) {
            if (!element->picturesLoaded)
                ::loadElementImages(element);
        });
    }
    if (!scriptResourcesHeld) {
        acquireSceneScriptResources(&script, script.scripts);
        scriptResourcesHeld = 1;
    }
}

void HoScene::unloadElementImages() {
    releaseLoadedPictures();
    if (scriptResourcesHeld) {
        releaseSceneScriptResources(&script, script.scripts);
        scriptResourcesHeld = 0;
    }
}

void HoScene::pauseVideos() {
    forEachLoadedVideo(this, [](SceneElement *, HoVideo *video) {
        if (!video->playing)
            return;
        video->clip->pause();
        video->paused = true;
    });
}

void HoScene::resumeVideos() {
    forEachLoadedVideo(this, [](SceneElement *element, HoVideo *video) {
        if (element->isActive() && video->paused && video->playing)
            video->clip->play();
    });
}

// Only a change hands over: resuming in every step would undo the pause of a window in the background.
void HoScene::handOverVideos(HoScene *previousTop, HoScene *newTop) {
    if (!previousTop || previousTop == newTop)
        return;
    const ScriptValue *nonBlocking = newTop ? newTop->nonBlockingSlot : nullptr;
    if (!(nonBlocking && nonBlocking->type == kScriptNumber && nonBlocking->number == 1.0f))
        previousTop->pauseVideos();
    if (newTop)
        newTop->resumeVideos();
}

void HoScene::releaseWhenLeft() {
    if (isSystem)
        pauseVideos();
    else
        unloadElementImages();
}

int32_t HoScene::flushPendingBlocks(int32_t maxBlocks, PendingBlockBudget *budget) {
    int32_t run = 0;
    while (run < maxBlocks && runNearestPendingBlock(budget))
        ++run;
    return run;
}

void HoScene::countPendingBlocks(PendingBlockBudget &budget) {
    for (int32_t i = 0; i < script.afterQueue.count(); ++i)
        budget.countWaiting(script.afterQueue[i]);
    forEachElement(this, [&budget](SceneElement *element) {
        budget.countWaiting(element->animationEndBlock);
        if (element->isFading())
            budget.countWaiting(element->fadeEndBlock);
    });
}

// The first candidate found is the one to beat, so a record of any count is run in its turn.
bool HoScene::runNearestPendingBlock(PendingBlockBudget *budget) {
    auto allowed = [budget](const PendingBlock *block) { return !budget || budget->mayRun(block); };
    PendingCandidate nearest;
    PtrArray<PendingBlock> &queue = script.afterQueue;
    for (int32_t i = queue.count() - 1; i >= 0; --i) {
        if (queue[i] && allowed(queue[i]))
            nearest.offer(PendingCandidate::kAfterRecord, queue[i]->ticks, i, nullptr);
    }
    forEachElement(this, [&nearest, &allowed](SceneElement *element) {
        if (element->animationEndBlock && allowed(element->animationEndBlock))
            nearest.offer(PendingCandidate::kAnimationEnd, element->remainingAnimationTicks(), -1, element);
        if (element->isFading() && allowed(element->fadeEndBlock))
            nearest.offer(PendingCandidate::kFade, element->fadeTicks - element->fadeElapsedTicks, -1, element);
    });
    PendingBlock *block = nullptr;
    switch (nearest.kind) {
    case PendingCandidate::kNone:
        return false;
    case PendingCandidate::kAfterRecord:
        block = queue.removeSwappingLast(nearest.queueIndex);
        break;
    case PendingCandidate::kAnimationEnd:
        block = std::exchange(nearest.element->animationEndBlock, nullptr);
        break;
    case PendingCandidate::kFade:
        // Its block joins the after queue, which a later turn runs.
        nearest.element->finishFade();
        return true;
    }
    if (budget)
        budget->ran(block);
    runPendingBlock(block);
    freePendingBlock(block);
    return true;
}

void HoScene::runEndMoveHandlers(SceneElement *element) {
    ScriptBlock *top = script.scripts;
    for (int32_t i = 0; top && i < top->statements.count(); ++i) {
        ScriptStatement *declaration = top->statements[i];
        const ScriptValue &taskValue = declaration->params[0];
        const ScriptValue &blockValue = declaration->params[kTaskBlock];
        if (declaration->command->kind != kScriptCommandTask || taskValue.type != kScriptTask ||
            blockValue.type != kScriptBlock)
            continue;
        auto *task = static_cast<ScriptTask *>(taskValue.pointer);
        auto *block = static_cast<ScriptBlock *>(blockValue.pointer);
        auto visit = [&](ScriptTask *instance) {
            world->setCurrentTask(instance);
            for (int32_t k = 0; k < block->statements.count(); ++k) {
                ScriptStatement *statement = block->statements[k];
                const ScriptCommand *command = statement->command;
                if (command->word != kwOnEndMove || !command->handler || instance->element != element)
                    continue;
                script.statement = statement;
                world->endMoveElement = element;
                command->handler(&script, statement);
                world->endMoveElement = nullptr;
            }
        };
        visit(task);
        for (int32_t k = 0; k < task->subTasks.count(); ++k)
            visit(task->subTasks[k]);
        world->setCurrentTask(nullptr);
    }
    script.statement = nullptr;
}

bool HoScene::isInventoryAllowed() const {
    return !(noInventorySlot && noInventorySlot->type == kScriptNumber && noInventorySlot->number != 0.0f);
}

void HoScene::setCamera(float scale, float x, float y) {
    cameraScale = scale;
    const ScreenValues &screen = screenValues;
    const float s = sceneArtScale();
    auto clamp = [s, scale](float value, float half, float size, float offset) {
        float upper = half / s * scale + offset;
        float lower = size / s - half / s * scale + offset;
        if (value > upper)
            value = upper;
        if (value < lower)
            value = lower;
        return value;
    };
    cameraX = clamp(x, screen.halfWidth, screen.width, screen.viewOffsetX);
    cameraY = clamp(y, screen.halfHeight, screen.height, screen.viewOffsetY);
}
