// The commands that hand extras to the player: pages opened in the browser, wallpapers and the
// soundtrack copied into the documents folder. When the running script has a hook for a copy, it gets
// the path of what was written, only for a copy made; a copy not made runs the "not copied" hook with the
// line for the player: how many files were not copied, and why. A page's script hears later whether the
// desktop's opener took it ("on_link_opened" or "on_link_failed", "on_survey_opened" or "on_survey_failed"),
// with the page's address.

#include "game/script/ScriptFileCommands.h"

#include <string>

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoSurveyPage.h"
#include "game/player/PlayerFiles.h"
#include "game/player/SaveNotice.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

// A world built for a load has the id in its copy of what it needs of the game.
const char *gameIdOf(ScriptContext *context) {
    HoWorld *world = context ? context->world : nullptr;
    if (world && world->builtForLoad)
        return world->gameForLoad.gameId.c_str();
    HoGame *game = world ? world->reachableGame() : nullptr;
    return game ? game->getGameId() : "";
}

// The path's hook runs for a copy that was made (a path), and for nothing else.
void runPathHook(ScriptContext *context, const char *hook, const std::string &path) {
    if (!path.empty())
        runTextHook(context, hook, path.c_str());
}

void awaitPage(ScriptContext *context, const PageOpening &page, PageHooks hooks) {
    HoWorld *world = context ? context->world : nullptr;
    if (world)
        world->awaitedPages.await(page, context->scene, hooks, world->tickCounter);
}

// What the player reads of copies not made: all of them (`all`) or how many (`some`, whose "%s" is the
// count), then why, in the save notices' words (nothing more for files missing from the data folder).
std::string notCopiedLine(ScriptContext *context, int32_t notCopied, bool none, const NoticeText &all,
                          const NoticeText &some, PlatformFileError error) {
    HoContext *game = context && context->world ? context->world->context : nullptr;
    const std::string count = none ? localized(game, all) : filledIn(localized(game, some), std::to_string(notCopied));
    return error == PlatformFileError::kNone ? count : count + " " + localized(game, saveFailureReason(error));
}

int32_t cutParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return truncToInt(numberParam(context, statement, i, 0.0f));
}

} // namespace

void scriptOpenLink(ScriptContext *context, ScriptStatement *statement) {
    awaitPage(context, openLinkFile(textParam(context, statement, 0)), {"on_link_opened", "on_link_failed"});
}

void scriptSurvey(ScriptContext *context, ScriptStatement *) {
    awaitPage(context, openSurveyPage(), {"on_survey_opened", "on_survey_failed"});
}

void scriptSaveWallpapers(ScriptContext *context, ScriptStatement *statement) {
    static constexpr NoticeText kNone{"EXTRAS_WALLPAPERS_FAILED", "The wallpapers could not be copied."};
    static constexpr NoticeText kSome{"EXTRAS_WALLPAPERS_PART_FAILED", "%s of the wallpapers could not be copied."};
    const FilesCopied copy = saveWallpaper(gameIdOf(context), textParam(context, statement, 0),
                                           cutParam(context, statement, 1), cutParam(context, statement, 2));
    runPathHook(context, "on_wallpaper_saved", copy.path);
    HoWorld *world = context ? context->world : nullptr;
    if (!world || copy.copied == copy.asked)
        return;
    HoWorld::CopiesFailed &failed = world->wallpapersNotCopied;
    if (failed.tick != world->tickCounter)
        failed = {world->tickCounter, 0, 0};
    ++failed.count;
    failed.keptFromBefore += int32_t(copy.keptFromBefore);
    // None of them is in the documents only when no copy made before is left there either.
    const bool none = failed.count >= kWallpaperSizeCount && failed.keptFromBefore == 0;
    const std::string line = notCopiedLine(context, failed.count, none, kNone, kSome, copy.error);
    runTextHook(context, "on_wallpaper_not_copied", line.c_str());
}

void scriptSaveSoundtrack(ScriptContext *context, ScriptStatement *) {
    static constexpr NoticeText kNone{"EXTRAS_SOUNDTRACK_FAILED", "The soundtrack could not be copied."};
    static constexpr NoticeText kSome{"EXTRAS_SOUNDTRACK_PART_FAILED",
                                      "%s of the soundtrack’s files could not be copied."};
    const FilesCopied copy = saveSoundtrack(gameIdOf(context));
    runPathHook(context, "on_soundtrack_saved", copy.path);
    if (copy.copied == copy.asked)
        return;
    const std::string line =
        notCopiedLine(context, int32_t(copy.asked - copy.copied), copy.copied == 0, kNone, kSome, copy.error);
    runTextHook(context, "on_soundtrack_not_copied", line.c_str());
}
