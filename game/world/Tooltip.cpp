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
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneView.h"
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

// The tooltip's font and its text in the font's encoding; null when either is missing.
KText *tooltipFont(const HoWorld &world) {
    const ConfigEntry *fontEntry = world.configurationEntry("hud.tooltip.font");
    return world.context->getFont(fontEntry ? fontEntry->integer : 0);
}

const char *inFontEncoding(KText *font, const std::string &text) {
    const int32_t encoding = font->getEncoding();
    const bool convertible = encoding >= kTextEncoding8Bit && encoding <= kTextEncodingUtf32;
    return convertible ? convertText(text.c_str(), encoding) : text.c_str();
}

// The design point drawn at the game area's bottom right corner under the reset view, through which the
// pointer and its tooltip are drawn. A narrow layout's view is not centred on the wide design (the HD one is
// shifted by its own offset), so the corner is taken from the view the window is given.
ScreenPoint bottomRightUnderResetView(const HoWorld &world) {
    const ViewMapping resetView(world.context->game, SceneView{});
    ScreenPoint corner{screenValues.width / screenValues.artScale, screenValues.height / screenValues.artScale};
    resetView.toDesign({screenValues.width, screenValues.height}, corner);
    return corner;
}

void drawTooltip(HoWorld &world, float pointerX, float pointerY) {
    KText *font = tooltipFont(world);
    const char *text = font ? inFontEncoding(font, world.tooltip.text) : nullptr;
    if (!text)
        return;
    const TooltipPlace place = placeTooltip(world, font, text, pointerX, pointerY);
    const float alpha = tooltipAlpha(world.tooltip);
    const TextExtent &plate = place.plate;
    const float plateHeight = plate.bottom - plate.top;
    const HudBindings &hud = world.hud;
    if (HoTexture *left = hud.tooltipLeft)
        drawPlatePart(left, plate.left - left->width, plate.top, left->width, plateHeight, alpha);
    drawPlatePart(hud.tooltipBack, plate.left, plate.top, plate.right - plate.left, plateHeight, alpha);
    if (HoTexture *right = hud.tooltipRight)
        drawPlatePart(right, plate.right, plate.top, right->width, plateHeight, alpha);
    drawOutlinedText(font, text, world.context, 0, kOutlinedTextAtPoint, place.text.left, place.text.top,
                     TextColour{0.0f, 0.0f, 0.0f, alpha}, TextColour{1.0f, 1.0f, 1.0f, alpha});
}

// The tooltip names a HUD element that the pointer is no longer over.
bool pointerLeftHudElement(HoWorld &world) {
    SceneElement *element = world.tooltip.hudElement && world.hudScene ? world.hudScene->findElement(world.tooltip.hudElement)
                                                                       : nullptr;
    return element && !element->hitTest(world.pointerX, world.pointerY);
}

} // namespace

TooltipPlace placeTooltip(const HoWorld &world, KText *font, const char *text, float pointerX, float pointerY) {
    const float width = textLengthInDesign(font->getStringWidth(text, 0.0f, 1.0f, font->getEncoding()));
    const ScreenPoint shownCorner = bottomRightUnderResetView(world);
    const float xLimit = shownCorner.x - width - kRightMargin;
    const float yLimit = shownCorner.y - textLengthInDesign(float(font->getFontMetric())) - kBottomMargin;
    const float x = std::min(pointerX + world.configurationNumber("pointer.tooltip.offset_x", 40.0f), xLimit);
    const float y = std::min(pointerY + world.configurationNumber("pointer.tooltip.offset_y", 20.0f), yLimit);
    const float plateTop = y - kPlateTopMargin;
    const float plateHeight = world.configurationNumber("tooltip.plane.height", 22.0f) + 2.0f * kPlateTopMargin;
    return {{x - kPlateSideMargin, plateTop, x + width + kPlateSideMargin, plateTop + plateHeight},
            measureOutlinedText(font, text, kOutlinedTextAtPoint, x, y)};
}

std::string inventoryTooltipText(const HoWorld &world, const HoInventoryItem *item) {
    return item && item->name ? localisedText(world, ("inventory_" + std::string(item->name)).c_str()) : "";
}

TooltipSource hoverTooltip(const HoWorld &world) {
    const HandlerSlots &hover = world.clicks.hover;
    for (const SceneElement *element : {hover.look, hover.pick, hover.itemUse, hover.use, world.hoveredElement, hover.goTo}) {
        if (element && element->tooltipKey) {
            if (std::string text = tooltipOf(world, element); !text.empty())
                return {std::move(text), element};
            break;
        }
    }
    for (const SceneElement *element : {hover.goTo, hover.look}) {
        if (std::string text = ownTextKeyOf(world, element); !text.empty())
            return {std::move(text), element};
    }
    return {};
}

void showTooltip(HoWorld &world, const TooltipSource &source, float pointerX, float pointerY) {
    TooltipState &tooltip = world.tooltip;
    if (source.text.empty()) {
        if (tooltip.showing) {
            tooltip.showing = 0;
            tooltip.fadeOutTicks = kTooltipFadeOutSteps;
        }
    } else if (!tooltip.showing || source.text != tooltip.text) {
        tooltip.showing = 1;
        tooltip.fadeInTicks = 0;
        tooltip.fadeOutTicks = 0;
        tooltip.text = source.text;
        if (world.clicks.hoveredItem && world.hooks.hoverInventoryItem)
            callScriptFunction(world.hooks.hoverInventoryItem, true, nullptr);
    }
    if (tooltip.showing)
        tooltip.hudElement = source.element && source.element->scene == world.hudScene ? source.element->name : nullptr;
    else if (tooltip.fadeOutTicks > 0 && pointerLeftHudElement(world))
        tooltip.fadeOutTicks = 0;
    if (tooltip.showing || tooltip.fadeOutTicks > 0)
        drawTooltip(world, pointerX, pointerY);
}
