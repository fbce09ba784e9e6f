// Drawing a hidden-object scene's item list: the first twelve items by their localised names in the
// colour of their kind, each found one struck through with the "ho_strikeout" bar while its characters
// turn grey, and a riddle's single item in a box.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/graphics/KGraphic.h"
#include "engine/text/KText.h"
#include "game/HoContext.h"
#include "game/HoOutlinedText.h"
#include "game/resources/HoTexture.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/util/ConvertText.h"
#include "game/world/HoWorld.h"

namespace {

constexpr int32_t kMostShownItems = 12;
constexpr float kTextRaise = 10.0f;
constexpr float kStrikeOverrun = 20.0f;
constexpr float kStrikeLead = 10.0f;
constexpr int32_t kUtf8 = kTextEncodingUtf8;

bool positive(const ScriptValue *value) {
    return value && value->type == kScriptNumber && value->number > 0.0f;
}

HighlightKind kindOf(SceneElement *element, const HiddenObjectItem *item, bool withSubzone) {
    if (item->interactive)
        return kHighlightComplex;
    if (positive(element->findNamedValue("concealed", false)))
        return kHighlightHidden;
    if (withSubzone && positive(element->findNamedValue("subzone", false)))
        return kHighlightSubzone;
    return kHighlightNormal;
}

// What the list shows for the item, in UTF-8: its localised name (under the parent scene's name when
// there is one), else its name without "ho_"; with the number still to finish when it has several elements.
std::string itemText(const HoScene &scene, const HiddenObjectItem &item, const HoContext &context) {
    const std::string key = scene.parent ? std::string(scene.parent->name) + "_" + item.name : std::string(item.name);
    const char *localised = context.getLocalizedText(key.c_str(), kUtf8);
    std::string text = localised ? localised : std::string(item.name).substr(std::min<size_t>(3, std::strlen(item.name)));
    const int32_t count = item.elements.count();
    if (count > 1 && item.finishedCount < count) {
        char left[24];
        std::snprintf(left, sizeof left, " (%d)", int(count - item.finishedCount));
        text += left;
    }
    return text;
}

// The HUD scene's "ho_strikeout" picture stretched over the struck part of the text, as high as the element
// stands in design units (its picture's pixels differ by quality).
void drawStrikeBar(HoWorld *world, float left, float length, float y) {
    SceneElement *bar = world->hudScene ? world->hudScene->findElement("ho_strikeout") : nullptr;
    HoTexture *texture = bar && bar->renderable ? bar->renderable->getTexture() : nullptr;
    if (!texture || !texture->picture)
        return;
    world->context->flushBatch();
    texture->picture->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
    texture->draw(0.0f, 0.0f, texture->width, texture->height, left, y, left + length, y + bar->h.asNumber(), 1.0f,
                  0.0f, false, false, 0.0f, 0.0f);
    world->context->flushBatch();
}

class HoListDrawer {
public:
    HoListDrawer(HoScene &scene, HoContext &context, KText *font)
        : scene_(scene), world_(scene.world), context_(context), font_(font), encoding_(font->getEncoding()) {
        const float grey = world_->configurationNumber("hud.ho.found_alpha", 0.5f);
        found_ = {grey, grey, grey, 1.0f};
    }

    void drawEntry(SceneElement *element, HiddenObjectItem *item) {
        const std::string text = itemText(scene_, *item, context_);
        const char *shown = convertText(text.c_str(), encoding_);
        if (!shown)
            return;
        if (scene_.isHoRiddle()) {
            drawRiddle(element, item, shown);
            return;
        }
        const float x = float(roundToInt(item->panelX)), y = item->panelY - kTextRaise;
        const ElementPickInfo *pick = element->pickInfo;
        if (!item->drawnThisFrame && (item->finishedCount == 0 || pick->foundOrder == item->foundCount) &&
            item->listAlpha > 0.0f) {
            const HighlightColour &colour = context_.highlight[kindOf(element, item, true)];
            drawText(shown, x, y, {colour.red, colour.green, colour.blue, item->listAlpha});
            item->drawnThisFrame = 1;
        }
        drawStrike(element, item, text, shown, x, y);
    }

private:
    void drawText(const char *text, float x, float y, const TextColour &colour) {
        drawOutlinedText(font_, text, &context_, 0, kOutlinedTextCentred, x, y, TextColour{0.0f, 0.0f, 0.0f, 0.0f},
                         colour);
    }

    // The strike grows over the text; its characters already passed are drawn again in grey.
    void drawStrike(SceneElement *element, HiddenObjectItem *item, const std::string &text, const char *shown, float x,
                    float y) {
        ElementPickInfo *strike = displayOf(element)->pickInfo;
        if (!strike)
            return;
        const float width = textLengthInDesign(font_->getStringWidth(shown, 0.0f, 1.0f, encoding_));
        if (strike->strikeProgress >= width + kStrikeOverrun)
            strike->strikeProgress = -1.0f;
        const float progress = strike->strikeProgress < 0.0f ? width + kStrikeOverrun : strike->strikeProgress;
        if (element->pickInfo->foundOrder != item->elements.count() || progress <= 0.0f)
            return;
        const float left = x - width * 0.5f;
        const int32_t characters = countChars(kUtf8, text.c_str());
        const int32_t grey = width > 0.0f ? std::max(0, truncToInt((progress - kStrikeLead) / width * float(characters))) : 0;
        if (grey > 0) {
            if (const char *passed = convertTextPrefix(text.c_str(), encoding_, std::min(grey, characters)))
                drawOutlinedText(font_, passed, &context_, 0, kOutlinedTextAtPoint, left, y,
                                 TextColour{0.0f, 0.0f, 0.0f, 0.0f}, found_);
        }
        // The bar spans the word alone, and its offset is in design units, as the list's text is the same
        // size in design units in every layout.
        drawStrikeBar(world_, left, std::min(progress, width), y + world_->configurationNumber("hud.ho.strikeout_offset_y", 0.0f));
        if (ParticleEmitter *emitter = strike->foundEmitter) {
            emitter->placementX = left + progress;
            emitter->placementY = item->panelY;
        }
    }

    // The riddle's single item, in a box across the panel. The box is in design units, as the list's cells
    // are from the same keys: scaled by the layout it would stand elsewhere in each, off the screen in SD.
    void drawRiddle(SceneElement *element, HiddenObjectItem *item, const char *shown) {
        const float x = world_->configurationNumber("hud.inventory_ho.x", 512.0f);
        const float dx = world_->configurationNumber("hud.inventory_ho.dx", 300.0f);
        const float y = world_->configurationNumber("hud.inventory_ho.y", 711.0f);
        const float dy = world_->configurationNumber("hud.inventory_ho.dy", 30.0f);
        const HighlightColour &colour = context_.highlight[kindOf(element, item, false)];
        drawOutlinedTextBox(font_, shown, x - dx, x + dx, y - dy, kTextStyleCentered, TextColour{0.0f, 0.0f, 0.0f, 0.0f},
                            {colour.red, colour.green, colour.blue, 1.0f}, kOutlineThicknessMin);
        item->drawnThisFrame = 1;
    }

    HoScene &scene_;
    HoWorld *world_;
    HoContext &context_;
    KText *font_;
    int32_t encoding_;
    TextColour found_;
};

} // namespace

void HoScene::drawHoList() {
    HoContext *context = world->context;
    if (!context)
        return;
    KText *font = context->getFont(roundToInt(world->configurationNumber("hud.ho.inventory_font", 0.0f)));
    for (int32_t i = 0; i < hoItems.count(); ++i)
        hoItems[i]->drawnThisFrame = 0;
    PtrArray<SceneElement> &elements = allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *element = elements[i];
        HiddenObjectItem *item = element->pickInfo ? element->pickInfo->item : nullptr;
        if (!item || item->listPosition >= kMostShownItems)
            continue;
        if (!font) {
            // Without a font nothing is shown, and a strike under way counts as done.
            ElementPickInfo *strike = displayOf(element)->pickInfo;
            if (strike && strike->striking)
                strike->strikeProgress = -1.0f;
            continue;
        }
        HoListDrawer(*this, *context, font).drawEntry(element, item);
    }
}
