#include "game/DisplayNatives.h"

#include "engine/window/KWindow.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/player/SaveNotice.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

// None for a world built for a load: the game's window and options file are the main thread's.
HoGame *gameOf(void *data) {
    const HoWorld *world = static_cast<HoWorld *>(data);
    return world ? world->reachableGame() : nullptr;
}

} // namespace

void checkFullScreenModeNative(void *data, ScriptStatement *) {
    if (HoGame *game = gameOf(data))
        game->forceFullScreenIfTooLarge();
}

// The correction takes effect at the next switch to full screen, so a full-screen game leaves it and
// comes back. When the way back is refused the window stays windowed, and the option and the context's
// applied state say so, as when the context applies the option itself.
void updateAspectRatioNative(void *data, ScriptStatement *) {
    HoGame *game = gameOf(data);
    if (!game || !game->window)
        return;
    game->window->setAspectCorrection(game->options.rounded(kOptionFixedAspectRatio) != 0);
    if (game->options.rounded(kOptionFullscreen) == 0 || !game->window->toggleFullScreen(false))
        return;
    if (game->window->toggleFullScreen(true))
        return;
    game->options.set(kOptionFullscreen, 0.0f);
    if (game->context)
        game->context->fullScreenApplied = 0;
}

void updateHdGraphicsNative(void *data, ScriptStatement *) {
    if (HoGame *game = gameOf(data))
        game->switchQuality(game->options.rounded(kOptionHdGraphics) > 0);
}

void updateHardwareCursorNative(void *data, ScriptStatement *) {
    if (HoGame *game = gameOf(data))
        game->applyHardwareCursor();
}

// "##settings_saved" tells the scripts whether the file was written, so that they never say it was when
// it was not; "##settings_failure" says that they were not saved and why, in the save notices' words.
void saveSettingsNative(void *data, ScriptStatement *) {
    HoGame *game = gameOf(data);
    const PlatformFileError error = game ? game->saveOptions() : PlatformFileError::kOther;
    HoWorld *world = static_cast<HoWorld *>(data);
    ScriptContext *global = world->globalContext();
    if (!global)
        return;
    findOrCreateVariable(global, "##settings_saved", nullptr)
        ->value->setNumber(error == PlatformFileError::kNone ? 1.0f : 0.0f);
    if (error == PlatformFileError::kNone)
        return;
    static constexpr NoticeText kNotSaved{"OPTIONS_NOT_SAVED", "The options could not be saved."};
    const std::string text = std::string(localized(world->context, kNotSaved)) + " " +
                             localized(world->context, saveFailureReason(error));
    findOrCreateVariable(global, "##settings_failure", nullptr)
        ->value->setPointer(kScriptText, world->names().internOrFind(text.c_str()));
}
