#include "game/scene/ElementTasks.h"

#include <cstring>
#include <string>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/player/HoInventoryItem.h"
#include "game/scene/ElementName.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/GeneratedTaskText.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/ScenePools.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/util/NumberedName.h"
#include "game/world/HoWorld.h"

namespace {

std::string joined(const char *first, const char *second) {
    return std::string(first ? first : "") + "_" + (second ? second : "");
}

// The name that the scene's sub-scenes are registered under: its parent's when it has one.
const char *ownerSceneName(const HoScene *scene) {
    return scene->parent ? scene->parent->name : scene->name;
}

struct PortalPointer {
    const char *direction;
    float pointer;
};

const PortalPointer kPortalPointers[] = {{"up", 2.0f}, {"down", 7.0f}, {"left", 6.0f}, {"right", 3.0f}, {"back", 7.0f}};

class ElementTaskRules {
public:
    explicit ElementTaskRules(SceneElement *element)
        : element_(element), scene_(element->scene), world_(element->scene->world), name_(element->name),
          media_(element->mediaName) {}

    void run() {
        if (scene_->isTopLevel && nameStartsWith(name_, "iz_"))
            zoomItem();
        if (nameIs(media_, "inventory"))
            inventoryPickup();
        if ((scene_->isTopLevel || scene_->isZoomZone) && nameStartsWith(name_, "portal_"))
            portal();
        if (scene_->isTopLevel && (nameIs(media_, "ho") || nameStartsWith(media_, "ho_")))
            hiddenObjectEntry(GeneratedTask::HoEntry);
        if (nameStartsWith(name_, "zz_"))
            zoomZone(GeneratedTask::ZoomZone);
        if (nameStartsWith(name_, "mho"))
            zoomZone(GeneratedTask::MultiHo);
        if (nameStartsWith(name_, "dialog_"))
            generate(GeneratedTask::Dialog);
        if (scene_->isTopLevel && nameStartsWith(name_, "mg_"))
            setSceneValue("goto_scene", world_->findScene(joined(scene_->name, name_).c_str()));
        if (scene_->isHo)
            hiddenObjectItem();
    }

private:
    void zoomItem() {
        element_->tooltipKey = world_->names().internOrFind(joined(ownerSceneName(scene_), name_).c_str());
        generate(GeneratedTask::ZoomItem);
    }

    void portal() {
        element_->portalScene = world_->findScene(name_ + std::strlen("portal_"));
        setSceneValue("portal_scene", element_->portalScene);
        for (const PortalPointer &entry : kPortalPointers) {
            if (nameIs(media_, entry.direction))
                element_->findNamedValue("pointer_index", true)->setNumber(entry.pointer);
        }
        if (nameIs(media_, "back"))
            element_->backPortal = 1;
        generate(GeneratedTask::Portal);
    }

    // The element is a pickup of the item named like it; "coin_07" is piece 7 of "coin", whose piece
    // count and most count grow by one with each such element.
    void inventoryPickup() {
        const bool piece = numberedSuffix(name_) >= 0;
        const std::string itemName = piece ? std::string(name_, std::strlen(name_) - 3) : std::string(name_);
        if (HoInventoryItem *item = world_->findInventoryItem(itemName.c_str())) {
            if (piece)
                item->pieced = 1;
            element_->inventory.setPointer(kScriptInventoryItem, item);
            item->totalCount.setNumber(float(item->getTotalCount() + 1));
            item->maxCount.setNumber(float(item->getTotalCount()));
        }
        generate(GeneratedTask::Inventory);
    }

    // The element opens the hidden-object scene named after it and this scene, whose "#ho_task" is
    // the element's generated task.
    void hiddenObjectEntry(GeneratedTask task) {
        std::string hoName = joined(scene_->name, name_);
        element_->hoScene = world_->findScene(hoName.c_str());
        generate(task, hoName.c_str());
        linkTask(element_->hoScene, "#ho_task");
    }

    // "zz_" and "mho" elements open a zone of the scene (or of its parent); a zone that is missing or is
    // the scene itself makes nothing.
    void zoomZone(GeneratedTask task) {
        HoScene *zone = world_->findScene(joined(ownerSceneName(scene_), name_).c_str());
        bool opens = zone && zone != scene_;
        if (task == GeneratedTask::ZoomZone || opens)
            element_->zoomZoneScene = zone;
        if (!opens)
            return;
        if (scene_->isHo)
            zone->setParent(scene_);
        setSceneValue("zz_scene", zone);
        if (task == GeneratedTask::MultiHo)
            hiddenObjectEntry(task);
        else
            generate(task);
        linkTask(zone, "#zz_task");
    }

    void hiddenObjectItem() {
        if (nameStartsWith(name_, "ho_")) {
            std::string key = scene_->parent ? joined(scene_->parent->name, name_) : std::string(name_);
            key = key.substr(0, key.find('|'));
            if (!localizedText(key.c_str()))
                logMessage("Missing localization for %s", key.c_str());
            makePickRecord();
        } else if (nameStartsWith(name_, "picked_ho_") || nameStartsWith(name_, "target_")) {
            makePickRecord();
        }
    }

    const char *localizedText(const char *key) const {
        HoContext *context = world_->context;
        return context ? context->getLocalizedText(key, 1) : nullptr;
    }

    void makePickRecord() {
        element_->pickInfo = world_->scenePools.pickInfos.allocate();
        element_->pickInfo->init(element_);
    }

    void setSceneValue(const char *valueName, HoScene *scene) {
        element_->findNamedValue(valueName, true)->setPointer(kScriptScene, scene);
    }

    // The scene's variable becomes this element's task (of this scene's context).
    void linkTask(HoScene *scene, const char *variable) {
        if (!scene)
            return;
        ScriptTask *task = findOrCreateTask(name_, &scene_->script);
        if (ScriptVariable *slot = findOrCreateVariable(&scene->script, variable, nullptr))
            slot->value->setPointer(kScriptTask, task);
    }

    void generate(GeneratedTask task, const char *hoScene = "") {
        std::string text = generatedTaskText(task, name_, hoScene);
        ScriptParser parser(world_->names(), world_->scriptPools, world_->messages());
        parser.parseScriptText(text.c_str(), scene_->script.scripts, generatedTaskScriptName(task), true);
    }

    SceneElement *element_;
    HoScene *scene_;
    HoWorld *world_;
    const char *name_;
    const char *media_;
};

} // namespace

void generateElementTasks(SceneElement *element) {
    if (element && element->scene && element->name)
        ElementTaskRules(element).run();
}
