#include "game/DiskWaitScreen.h"

#include "engine/graphics/KGraphic.h"
#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoOutlinedText.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoScene.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kWaitingKey[] = "WAITING_FOR_DISK";
constexpr char kWaitingEnglish[] = "Waiting for the disk to finish saving\u2026";
// Half the light of the last picture, so that the player still sees where they were; a darker band behind
// the line, so that it reads over any picture.
constexpr float kDimming = 0.5f;
constexpr float kBandDimming = 0.6f;
constexpr float kBandMargin = 24.0f;
constexpr int32_t kTextFont = 1;
constexpr int32_t kOutlineThickness = 2;
// The line's box about the design's centre, in design units: well inside the narrow view's 2048.
constexpr float kHalfBoxWidth = 900.0f;

// The view every scene draws in while its camera is not moved: the design's centre is the screen's centre
// in every layout, as the menus have it.
void useUnmovedSceneView(HoGame *game) {
    const float scale = sceneArtScale();
    const ScreenPoint centre = sceneViewCentre();
    game->setView((screenValues.halfWidth / scale - centre.x) * scale,
                  -((screenValues.halfHeight / scale - centre.y) * scale), 1.0f, 0.0f);
}

} // namespace

void drawDiskWaitScreen(HoContext *context) {
    HoGame *game = context->game;
    HoWorld *world = context->world;
    game->setView(0.0f, 0.0f, 1.0f, 0.0f);
    if (world)
        world->fillScreenBlack(kDimming);
    KText *font = context->getFont(kTextFont);
    if (!font)
        return;
    const char *localized = context->getLocalizedText(kWaitingKey, kTextEncodingUtf8);
    const char *text = localized ? localized : kWaitingEnglish;
    useUnmovedSceneView(game);
    const float centreX = game->settings.wideWidth * 0.5f, centreY = game->settings.designHeight * 0.5f;
    const float left = centreX - kHalfBoxWidth, right = centreX + kHalfBoxWidth;
    KGraphic *plain = world && world->hud.white ? world->hud.white->picture : nullptr;
    if (plain) {
        const TextExtent line = measureOutlinedTextBox(font, text, left, right, centreY, kTextStyleCentered, true);
        plain->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
        plain->fillRect(0.0f, line.top - kBandMargin, game->settings.wideWidth, line.bottom + kBandMargin, 0.0f, 0.0f,
                        0.0f, kBandDimming);
    }
    drawOutlinedTextBoxMeasured(font, text, left, right, centreY, kTextStyleCentered, TextColour{0.0f, 0.0f, 0.0f, 1.0f},
                                TextColour{1.0f, 1.0f, 1.0f, 1.0f}, kOutlineThickness);
}
