#include "game/scene/SceneElement.h"

#include "engine/sound/KSound.h"
#include "game/HoGameSettings.h"
#include "game/resources/HoSound.h"
#include "game/scene/ElementFrameEvent.h"
#include "game/scene/ElementName.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HoScene.h"
#include "game/scene/ScenePools.h"
#include "game/scene/TextInputField.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

// Every other slot stays {0, none} as its member initialiser leaves it.
SceneElement::SceneElement() {
    for (ScriptValue *computed : {&absX, &absY, &w, &h, &absScaleX, &absScaleY, &absAngle})
        computed->setNumber(0.0f);
    pivotX.setNumber(0.5f);
    pivotY.setNumber(0.5f);
}

// A slot read as a flag or number counts only while it holds a number.
bool SceneElement::isActive() const {
    return roundToInt(active.asNumber()) > 0;
}

bool SceneElement::isProActive() const {
    return roundToInt(proActive.asNumber()) != 0;
}

bool SceneElement::isNoHint() const {
    return roundToInt(noHint.asNumber()) != 0;
}

QuadPlacement SceneElement::placement() const {
    return {absX.asNumber(),   absY.asNumber(),   w.asNumber(), h.asNumber(),
            pivotX.asNumber(), pivotY.asNumber(), absAngle.asNumber()};
}

QuadCorners rotatedQuadCorners(const SceneElement &element) {
    return rotatedQuadCorners(element.placement());
}

namespace {

// The design position of the screen's centre along one axis.
float designCentre(float halfSize) {
    return halfSize / sceneArtScale();
}

// The slots that a keyword names directly, in the order they are looked for.
struct PropertyEntry {
    const char *keyword;
    ScriptValue SceneElement::*slot;
};

const PropertyEntry kPropertyTable[] = {
    {kwX, &SceneElement::x},
    {kwY, &SceneElement::y},
    {kwAngle, &SceneElement::angle},
    {kwAlpha, &SceneElement::alpha},
    {kwSx, &SceneElement::sx},
    {kwSy, &SceneElement::sy},
    {kwZ, &SceneElement::z},
    {kwOffsetZ, &SceneElement::offsetZ},
    {kwActive, &SceneElement::active},
    {kwNoHint, &SceneElement::noHint},
    {kwCx, &SceneElement::cx},
    {kwCy, &SceneElement::cy},
    {kwIndex, &SceneElement::index},
    {kwTooltipActive, &SceneElement::tooltipActive},
    {kwProActive, &SceneElement::proActive},
    {kwTextKey, &SceneElement::textKey},
    {kwText, &SceneElement::text},
    {kwCharsCount, &SceneElement::charsCount},
    {kwCharsSpeed, &SceneElement::charsSpeed},
    {kwTextOffsetX, &SceneElement::textOffsetX},
    {kwTextOffsetY, &SceneElement::textOffsetY},
    {kwTextHoverForce, &SceneElement::textHoverForce},
    {kwInventory, &SceneElement::inventory},
    {kwScene, &SceneElement::sceneSlot},
    {kwName, &SceneElement::nameSlot},
    {kwAbsX, &SceneElement::absX},
    {kwAbsY, &SceneElement::absY},
    {kwW, &SceneElement::w},
    {kwH, &SceneElement::h},
    {kwNoSerialize, &SceneElement::noSerialize},
};

} // namespace

void SceneElement::init(const char *fullName, HoScene *owner) {
    scene = owner;
    sceneSlot.setPointer(kScriptScene, owner);
    selfSlot.setPointer(kScriptElement, this);
    ElementNameParts parts = splitElementName(fullName);
    InternTable &names = owner->world->names();
    name = names.internOrFind(parts.name.c_str());
    mediaName = names.internOrFind(parts.media.c_str());
    nameSlot.setPointer(kScriptText, name);

    x.setNumber(designCentre(screenValues.halfWidth));
    y.setNumber(designCentre(screenValues.halfHeight));
    for (ScriptValue *zero : {&angle, &sx, &sy, &z, &offsetZ, &noHint, &cx, &cy, &proActive, &text, &charsSpeed,
                              &textOffsetX, &textOffsetY, &textHoverForce, &noSerialize, &mediaSwitch})
        zero->setNumber(0.0f);
    for (ScriptValue *one : {&alpha, &active, &tooltipActive, &baseOpacity, &red, &green, &blue})
        one->setNumber(1.0f);
    charsCount.setNumber(-1.0f);
    waveSpeed1 = waveSpeed2 = 1.0f;
    waveAmplitude1 = waveAmplitude2 = 0.5f;
    for (uint8_t &flag : optionFlags)
        flag = 1;
    pointerShape = 255;
    blendFactor = 1.0f;
    visible = nameStartsHidden(name) ? 0 : 1;
}

ScriptValue *SceneElement::findProperty(const char *keyword) {
    if (!keyword)
        return nullptr;
    for (const PropertyEntry &entry : kPropertyTable) {
        if (entry.keyword == keyword)
            return &(this->*entry.slot);
    }
    if (keyword == kwX1 || keyword == kwX2)
        return cutSlot(cutX, keyword == kwX2);
    if (keyword == kwY1 || keyword == kwY2)
        return cutSlot(cutY, keyword == kwY2);
    if ((keyword == kwHoTextX || keyword == kwHoTextY) && pickInfo && pickInfo->item) {
        ScriptValue &slot = keyword == kwHoTextX ? hoTextX : hoTextY;
        slot.setNumber(keyword == kwHoTextX ? pickInfo->item->panelX : pickInfo->item->panelY);
        return &slot;
    }
    return nullptr;
}

ScriptValue *SceneElement::cutSlot(ScriptValue *&block, bool second) {
    if (!block) {
        block = scene->world->scenePools.valueBlocks.allocateArray(2);
        block[1].setNumber(1.0f);
    }
    return &block[second ? 1 : 0];
}

ScriptValue *SceneElement::findNamedValue(const char *valueName, bool create) {
    const char *interned = valueName && valueName[0] ? scene->world->names().internOrFind(valueName) : nullptr;
    NamedValue *named = findOrCreateNamedValue(namedValues, interned, scene->world->namedValuePool(), create);
    return named ? &named->value : nullptr;
}

void SceneElement::release() {
    delete textInput;
    textInput = nullptr;
    if (sound && sound->engineSound)
        sound->engineSound->haltStream();
    for (PendingBlock **block : {&animationEndBlock, &cycleEndBlock, &fadeEndBlock, &timerBlock}) {
        if (*block)
            freePendingBlock(*block);
        *block = nullptr;
    }
    for (ParticleEmitter **held : {&emitter, &fadingEmitter}) {
        scene->world->renderPools.recycleEmitter(*held);
        *held = nullptr;
    }
    dropHitMask();
    frameEvents.deleteAll();
}

void SceneElement::dropHitMask() {
    delete[] hitMask;
    hitMask = nullptr;
    hitMaskWidth = hitMaskHeight = 0;
}
