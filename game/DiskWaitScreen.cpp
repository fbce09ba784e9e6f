#include "game/DiskWaitScreen.h"

#include "engine/text/KText.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoOutlinedText.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kWaitingKey[] = "WAITING_FOR_DISK";
constexpr char kWaitingEnglish[] = "Waiting for the disk to finish saving\u2026";
// Half the light of the last picture: the player still sees where they were.
constexpr float kDimming = 0.5f;
constexpr int32_t kTextFont = 1;
constexpr int32_t kOutlineThickness = 2;
// The line's box about the design's centre, in design units: well inside the narrow view's 2048.
constexpr float kHalfBoxWidth = 900.0f;

} // namespace

void drawDiskWaitScreen(HoContext *context) {
    HoGame *game = context->game;
    game->setView(0.0f, 0.0f, 1.0f, 0.0f);
    if (context->world)
        context->world->fillScreenBlack(kDimming);
    KText *font = context->getFont(kTextFont);
    if (!font)
        return;
    const char *text = context->getLocalizedText(kWaitingKey, kTextEncodingUtf8);
    const float centreX = game->settings.wideWidth * 0.5f, centreY = game->settings.designHeight * 0.5f;
    drawOutlinedTextBoxMeasured(font, text ? text : kWaitingEnglish, centreX - kHalfBoxWidth, centreX + kHalfBoxWidth,
                                centreY, kTextStyleCentered, TextColour{0.0f, 0.0f, 0.0f, 1.0f},
                                TextColour{1.0f, 1.0f, 1.0f, 1.0f}, kOutlineThickness);
}
