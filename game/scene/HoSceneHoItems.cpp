// Building a hidden-object scene's item list: which "ho_" elements are listed and as which items, the
// shuffle and the trimming to the number asked for, and the two engine functions the scene's script
// calls ("ho_do_init" and "ho_find_random_item").

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptVariable.h"
#include "game/scene/ElementName.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kMostShownItems = 12;
constexpr int32_t kNumberedVariables = 12;
constexpr float kDefaultForcedInteractive = 2.0f;
constexpr int32_t kFirstArgument = 1; // after the function the call names

// The item key of a listed element: its name up to the first '|'.
std::string itemKeyOf(const char *elementName) {
    const std::string name = elementName;
    return name.substr(0, name.find('|'));
}

const char *textOf(const ScriptValue *value) {
    return value && value->type == kScriptText ? value->text() : nullptr;
}

bool textEquals(const ScriptValue *value, const char *text) {
    const char *own = textOf(value);
    return own && text && std::strcmp(own, text) == 0;
}

// True when one of the twelve numbered variables ("#ho_ignore_object_01" ...) holds the key without "ho_".
bool numberedVariableNames(const HoScene *scene, const char *format, const std::string &key) {
    const char *bare = key.c_str() + 3;
    for (int32_t n = 1; n <= kNumberedVariables; ++n) {
        char name[48];
        std::snprintf(name, sizeof name, format, int(n));
        if (textEquals(scene->variableValue(name), bare))
            return true;
    }
    return false;
}

SceneElement *prefixedElement(const HoScene *scene, const char *prefix, const char *elementName) {
    return scene->findElement((std::string(prefix) + elementName).c_str());
}

ElementPickInfo *pickInfoOf(SceneElement *element) {
    if (!element->pickInfo) {
        element->pickInfo = element->scene->world->scenePools.pickInfos.allocate();
        element->pickInfo->init(element);
    }
    return element->pickInfo;
}

} // namespace

void stopEmitter(ParticleEmitter *&emitter) {
    if (emitter) {
        emitter->loop = 0;
        emitter->emissionFinished = 1;
    }
    emitter = nullptr;
}

void stopPickEmitters(ElementPickInfo *pick) {
    if (!pick)
        return;
    stopEmitter(pick->foundEmitter);
    stopEmitter(pick->dissolveEmitters[0]);
    stopEmitter(pick->dissolveEmitters[1]);
}

// The element's pick record starts again, keeping whether it was listed before, and its emitters stop.
void resetPickInfo(SceneElement *element) {
    ElementPickInfo *pick = element->pickInfo;
    if (!pick)
        return;
    stopPickEmitters(pick);
    const uint8_t wasListed = pick->wasListed;
    pick->init(element);
    pick->wasListed = wasListed;
}

void listHoElement(HiddenObjectItem *item, SceneElement *element) {
    HoScene *scene = item->scene;
    ElementPickInfo *pick = pickInfoOf(element);
    pick->target = prefixedElement(scene, "target_", element->name);
    if (pick->target) {
        item->interactive = 1;
        pick->target->visible = 1;
    }
    SceneElement *picked = prefixedElement(scene, "picked_", element->name);
    pick->display = picked ? picked : element;
    element->visible = 1;
    pick->found = 0;
    if (ElementPickInfo *shown = pick->display->pickInfo) {
        shown->disappearing = shown->striking = 0;
        stopPickEmitters(shown);
    }
    stopPickEmitters(pick);
    item->elements.append(element);
}

const ScriptValue *HoScene::variableValue(const char *variableName) const {
    const ScriptVariable *variable = findVariable(&script, variableName);
    return variable ? variable->value : nullptr;
}

bool HoScene::isHoRiddle() const {
    const ScriptValue *riddle = variableValue("#ho_is_riddle");
    return hoItems.count() == 1 && riddle && riddle->type == kScriptNumber && riddle->number == 1.0f;
}

HiddenObjectItem *HoScene::findHoItem(const char *itemName) const {
    for (int32_t i = 0; itemName && i < hoItems.count(); ++i) {
        if (std::strcmp(hoItems[i]->name, itemName) == 0)
            return hoItems[i];
    }
    return nullptr;
}

void HoScene::clearHoItems() {
    hoItems.deleteAll();
}

namespace {

// The listing pass over the elements: which are held back and which join (or make) an item.
class HoListBuilder {
public:
    HoListBuilder(HoScene *scene, bool takeAll) : scene_(scene), takeAll_(takeAll) {
        const ScriptValue *riddle = scene->variableValue("#ho_is_riddle");
        riddle_ = riddle && riddle->type == kScriptNumber && riddle->number == 1.0f;
        reward_ = textOf(scene->variableValue("#reward"));
    }

    void take(SceneElement *element) {
        resetPickInfo(element);
        element->offsetZ.setNumber(0.0f);
        if (!nameStartsWith(element->name, "ho_")) {
            if (nameStartsWith(element->name, "picked_ho_"))
                element->visible = 0;
            return;
        }
        const std::string key = itemKeyOf(element->name);
        const bool ignored = !takeAll_ && isIgnored(key);
        const bool wasListed = element->pickInfo && element->pickInfo->wasListed;
        if (wasListed || ignored) {
            holdBack(element, wasListed, ignored);
            return;
        }
        HiddenObjectItem *item = scene_->findHoItem(key.c_str());
        if (!item) {
            item = new HiddenObjectItem(scene_);
            item->setName(key.c_str());
            scene_->hoItems.append(item);
        }
        if ((reward_ && key == reward_) || numberedVariableNames(scene_, "#ho_forced_object_%.2d", key))
            item->forced = 1;
        listHoElement(item, element);
    }

private:
    bool isIgnored(const std::string &key) const {
        return (riddle_ && reward_ && key == reward_) || numberedVariableNames(scene_, "#ho_ignore_object_%.2d", key);
    }

    // An element listed before stays out of the list: shown, unless it was carried to a target or is
    // ignored now, when it and its target go.
    void holdBack(SceneElement *element, bool wasListed, bool ignored) {
        element->visible = 1;
        SceneElement *target = prefixedElement(scene_, "target_", element->name);
        if (wasListed && (ignored || target)) {
            element->visible = 0;
            if (target)
                target->visible = 0;
        }
    }

    HoScene *scene_;
    bool takeAll_;
    bool riddle_ = false;
    const char *reward_ = nullptr;
};

// Random whole numbers as the list's rules draw them: lo + trunc(u * (hi - lo + 0.95)).
int32_t randomBetween(int32_t lo, int32_t hi) {
    return randomInt(hi, lo);
}

int32_t countForced(const PtrArray<HiddenObjectItem> &items, bool (*wanted)(const HiddenObjectItem *)) {
    int32_t forced = 0;
    for (int32_t i = 0; i < items.count(); ++i)
        forced += wanted(items[i]) && items[i]->forced ? 1 : 0;
    return forced;
}

void removeItem(PtrArray<HiddenObjectItem> &items, int32_t i) {
    delete items[i];
    items.removeAt(i);
}

bool hasManyElements(const HiddenObjectItem *item) {
    return item->elements.count() > 2;
}

bool isInteractiveOrConcealed(const HiddenObjectItem *item) {
    return item->interactive || isHoItemConcealed(item);
}

void shuffleItems(PtrArray<HiddenObjectItem> &items) {
    const int32_t n = items.count();
    for (int32_t i = 0; i < n; ++i) {
        const int32_t j = randomBetween(i, n - 1);
        if (i < j && j < n) {
            HiddenObjectItem *swapped = items[i];
            items.set(i, items[j]);
            items.set(j, swapped);
        }
    }
}

// Items of three elements or more: a random number of them stays (forced), counting those already forced;
// from the last, the rest go, forced or not.
void limitManyElementItems(PtrArray<HiddenObjectItem> &items) {
    int32_t candidates = 0;
    for (int32_t i = 0; i < items.count(); ++i)
        candidates += hasManyElements(items[i]) ? 1 : 0;
    if (candidates == 0)
        return;
    int32_t quota = randomBetween(1, candidates) - countForced(items, hasManyElements);
    for (int32_t i = items.count() - 1; i >= 0; --i) {
        HiddenObjectItem *item = items[i];
        if (!hasManyElements(item))
            continue;
        if (quota > 0) {
            if (!item->forced) {
                item->forced = 1;
                --quota;
            }
        } else {
            removeItem(items, i);
        }
    }
}

// Interactive and concealed items: as many stay (forced) as the scene asks for, those already forced
// counting; the other unforced ones go.
void limitInteractiveItems(HoScene *scene, PtrArray<HiddenObjectItem> &items) {
    const ScriptValue *wanted = scene->variableValue("#ho_num_forced_interactive_items");
    float quota = wanted && wanted->type == kScriptNumber && !std::isnan(wanted->number) ? wanted->number
                                                                                          : kDefaultForcedInteractive;
    quota -= float(countForced(items, isInteractiveOrConcealed));
    for (int32_t i = items.count() - 1; i >= 0; --i) {
        HiddenObjectItem *item = items[i];
        if (!isInteractiveOrConcealed(item) || item->forced)
            continue;
        if (quota >= 1.0f) {
            item->forced = 1;
            quota -= 1.0f;
        } else {
            removeItem(items, i);
        }
    }
}

// Unforced items picked at random go until the list is short enough or only forced ones are left.
void trimToLength(PtrArray<HiddenObjectItem> &items, int32_t maxItems) {
    const int32_t excess = items.count() - maxItems;
    for (int32_t round = 0; round < excess && items.count() > maxItems; ++round) {
        int32_t unforced = 0;
        for (int32_t i = 0; i < items.count(); ++i)
            unforced += items[i]->forced ? 0 : 1;
        if (unforced == 0)
            return;
        int32_t r = std::min(std::max(randomBetween(1, unforced), 1), unforced);
        for (int32_t i = 0; i < items.count(); ++i) {
            if (!items[i]->forced && --r == 0) {
                removeItem(items, i);
                break;
            }
        }
    }
}

int32_t listedElementCount(const PtrArray<HiddenObjectItem> &items) {
    int32_t count = 0;
    for (int32_t i = 0; i < items.count(); ++i)
        count += items[i]->elements.count();
    return count;
}

void drawHoListOf(void *scene) {
    static_cast<HoScene *>(scene)->drawHoList();
}

} // namespace

void HoScene::initHoItems(bool takeAll, int32_t maxItems) {
    hoActive = 1;
    hoCompleted = 0;
    clearHoItems();
    PtrArray<SceneElement> &elements = allElements.members;
    HoListBuilder builder(this, takeAll);
    for (int32_t i = 0; i < elements.count(); ++i)
        builder.take(elements[i]);
    shuffleItems(hoItems);
    if (maxItems < 1)
        maxItems = kMostShownItems;
    if (maxItems > 1) {
        limitManyElementItems(hoItems);
        limitInteractiveItems(this, hoItems);
    }
    trimToLength(hoItems, maxItems);
    // "init_" functions may rebuild the list: counts and items are read again after each.
    for (int32_t i = 0; i < hoItems.count(); ++i) {
        layoutHoItem(hoItems[i], std::min(hoItems.count(), maxItems), i);
        callScriptFunction(findFunction(&script, ("init_" + std::string(hoItems[i]->name)).c_str()), false, nullptr);
        if (i >= hoItems.count())
            break;
        HiddenObjectItem *item = hoItems[i];
        for (int32_t k = 0; k < item->elements.count(); ++k) {
            ElementPickInfo *pick = pickInfoOf(item->elements[k]);
            pick->item = item;
            pick->wasListed = 1;
            if (pick->target)
                pickInfoOf(pick->target)->dropped = item->elements[k];
        }
    }
    findOrCreateVariable(&script, "#total_ho_items", nullptr)->value->setNumber(float(listedElementCount(hoItems)));
    if (!isZoomZone)
        return;
    if (SceneElement *panel = findElement("inventory_mho_background")) {
        panel->drawCallback = drawHoListOf;
        panel->drawCallbackUser = this;
    } else if (world->context) {
        const std::string message = "Missing element \"inventory_mho_background\" in scene " + std::string(name);
        world->context->callMessageHook(message.c_str());
    }
}

void HoScene::findRandomHoItem() {
    PtrArray<HiddenObjectItem> open{kMostShownItems};
    for (int32_t i = 0; i < hoItems.count(); ++i) {
        if (hoItems[i]->foundCount < hoItems[i]->elements.count())
            open.append(hoItems[i]);
    }
    if (open.empty())
        return;
    const int32_t chosen = std::min(std::max(randomBetween(0, open.count() - 1), 0), open.count() - 1);
    HiddenObjectItem *item = open[chosen];
    for (int32_t i = 0; i < item->elements.count(); ++i) {
        SceneElement *element = item->elements[i];
        ElementPickInfo *pick = element->pickInfo;
        if (!pick || pick->found)
            continue;
        const ScriptValue *concealed = element->findNamedValue("concealed", false);
        const bool hidden = concealed && concealed->type == kScriptNumber && concealed->number > 0.0f;
        if (hidden || element->visible || pick->target) {
            setHoElementFound(element);
            return;
        }
    }
}

namespace {

void nativeHoDoInit(void *data, ScriptStatement *call) {
    auto *scene = static_cast<HoScene *>(data);
    ScriptContext *script = &scene->script;
    scene->initHoItems(roundedParam(script, call, kFirstArgument, 0.0f) != 0,
                       roundedParam(script, call, kFirstArgument + 1, float(kMostShownItems)));
}

void nativeHoFindRandomItem(void *data, ScriptStatement *) {
    static_cast<HoScene *>(data)->findRandomHoItem();
}

} // namespace

void bindHiddenObjectNatives(HoScene *scene) {
    scene->hoDoInit = bindNative("ho_do_init", &scene->script, nativeHoDoInit, scene);
    bindNative("ho_find_random_item", &scene->script, nativeHoFindRandomItem, scene);
}
