#include "game/world/Tooltip.h"

#include <algorithm>

#include "engine/text/KText.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/HoOutlinedText.h"
#include "game/player/HoInventoryItem.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptExecution.h"
#include "game/util/ConvertText.h"
#include "game/world/HoWorld.h"

namespace {

// Room kept between the text and the screen's right and bottom edges, and around the text on the plate.
constexpr float kRightMargin = 16.0f;
constexpr float kBottomMargin = 6.0f;
constexpr float kPlateSideMargin = 3.0f;
constexpr float kPlateTopMargin = 5.0f;

std::string localisedText(const HoWorld &world, const char *key) {
    const char *text = key ? world.context->getLocalizedText(key, kTextEncodingUtf8) : nullptr;
    return text ? text : "";
}

// The element's tooltip while its "tooltip_active", rounded, is positive.
std::string tooltipOf(const HoWorld &world, const SceneElement *element) {
    if (!element || !element->tooltipKey || roundToInt(element->tooltipActive.asNumber()) <= 0)
        return "";
    return localisedText(world, element->tooltipKey);
}

std::string ownTextKeyOf(const HoWorld &world, const SceneElement *element) {
    if (!element || element->textKey.type != kScriptText)
        return "";
    return localisedText(world, element->textKey.text());
}

float tooltipAlpha(const TooltipState &tooltip) {
    const float fadeIn = std::min(float(tooltip.fadeInTicks) * kTooltipFadePerStep, 1.0f);
    const float fadeOut = tooltip.fadeOutTicks > 0 ? float(tooltip.fadeOutTicks) * kTooltipFadePerStep : 1.0f;
    return fadeIn * fadeOut;
}

// A whole picture stretched over the rectangle, white at the opacity.
void drawPlatePart(HoTexture *texture, float left, float top, float width, float height, float alpha) {
    if (!texture)
        return;
    const float white[4] = {1.0f, 1.0f, 1.0f, alpha};
    drawOnSharedBatch(texture, kBlendNormal, white, FrameRect::whole(texture->width, texture->height),
                      rotatedQuadCorners(QuadPlacement{left, top, width, height, 0.0f, 0.0f, 0.0f}));
}

void drawTooltip(HoWorld &world, float pointerX, float pointerY) {
    HoContext *context = world.context;
    const ConfigEntry *fontEntry = world.configurationEntry("hud.tooltip.font");
    KText *font = context->getFont(fontEntry ? fontEntry->integer : 0);
    if (!font)
        return;
    const int32_t encoding = font->getEncoding();
    const bool convertible = encoding >= kTextEncoding8Bit && encoding <= kTextEncodingUtf32;
    const char *text = convertible ? convertText(world.tooltip.text.c_str(), encoding) : world.tooltip.text.c_str();
    if (!text)
        return;
    const float width = font->getStringWidth(text, 0.0f, 1.0f, encoding);
    const float scale = screenValues.artScale;
    const float wideWidth = context->game ? context->game->settings.wideWidth : screenValues.width;
    // The plate stays inside the screen: in the normal mode the screen is its width in design units wide,
    // the design's whole width in the wide layouts but only its middle in the narrow ones.
    float xLimit = (normalModeActive ? screenValues.width / scale : wideWidth) - width - kRightMargin;
    if (!normalModeActive)
        xLimit -= 2.0f * screenValues.viewOffsetX;
    const float yLimit = screenValues.height / scale - screenValues.viewOffsetY - float(font->getFontMetric()) - kBottomMargin;
    const float x = std::min(pointerX + world.configurationNumber("pointer.tooltip.offset_x", 40.0f), xLimit);
    const float y = std::min(pointerY + world.configurationNumber("pointer.tooltip.offset_y", 20.0f), yLimit);

    const float alpha = tooltipAlpha(world.tooltip);
    const float plateTop = y - kPlateTopMargin;
    const float plateHeight = world.configurationNumber("tooltip.plane.height", 22.0f) + 2.0f * kPlateTopMargin;
    const float backLeft = x - kPlateSideMargin, backRight = x + width + kPlateSideMargin;
    const HudBindings &hud = world.hud;
    if (HoTexture *left = hud.tooltipLeft)
        drawPlatePart(left, backLeft - left->width, plateTop, left->width, plateHeight, alpha);
    drawPlatePart(hud.tooltipBack, backLeft, plateTop, backRight - backLeft, plateHeight, alpha);
    if (HoTexture *right = hud.tooltipRight)
        drawPlatePart(right, backRight, plateTop, right->width, plateHeight, alpha);
    drawOutlinedText(font, text, context, 0, kOutlinedTextAtPoint, x, y, TextColour{0.0f, 0.0f, 0.0f, alpha},
                     TextColour{1.0f, 1.0f, 1.0f, alpha});
}

} // namespace

std::string inventoryTooltipText(const HoWorld &world, const HoInventoryItem *item) {
    return item && item->name ? localisedText(world, ("inventory_" + std::string(item->name)).c_str()) : "";
}

std::string hoverTooltipText(const HoWorld &world) {
    const HandlerSlots &hover = world.clicks.hover;
    std::string text;
    for (const SceneElement *element : {hover.look, hover.pick, hover.itemUse, hover.use, world.hoveredElement, hover.goTo}) {
        if (element && element->tooltipKey) {
            text = tooltipOf(world, element);
            break;
        }
    }
    for (const SceneElement *element : {hover.goTo, hover.look}) {
        if (text.empty())
            text = ownTextKeyOf(world, element);
    }
    return text;
}

void showTooltip(HoWorld &world, const std::string &text, float pointerX, float pointerY) {
    TooltipState &tooltip = world.tooltip;
    if (text.empty()) {
        if (tooltip.showing) {
            tooltip.showing = 0;
            tooltip.fadeOutTicks = kTooltipFadeOutSteps;
        }
    } else if (!tooltip.showing || text != tooltip.text) {
        tooltip.showing = 1;
        tooltip.fadeInTicks = 0;
        tooltip.fadeOutTicks = 0;
        tooltip.text = text;
        if (world.clicks.hoveredItem && world.hooks.hoverInventoryItem)
            callScriptFunction(world.hooks.hoverInventoryItem, true, nullptr);
    }
    if (tooltip.showing || tooltip.fadeOutTicks > 0)
        drawTooltip(world, pointerX, pointerY);
}
