// The commands that hand extras to the player: pages opened in the browser, wallpapers and the
// soundtrack copied into the documents folder. When the running script has a hook for a copy, it gets
// the path of what was written, only for a copy made. A page's script hears later whether the desktop's
// opener took it ("on_link_opened" or "on_link_failed", "on_survey_opened" or "on_survey_failed"), with
// the page's address.

#include "game/script/ScriptFileCommands.h"

#include <string>

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoSurveyPage.h"
#include "game/player/PlayerFiles.h"
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
    runPathHook(context, "on_wallpaper_saved",
                saveWallpaper(gameIdOf(context), textParam(context, statement, 0), cutParam(context, statement, 1),
                              cutParam(context, statement, 2)));
}

void scriptSaveSoundtrack(ScriptContext *context, ScriptStatement *) {
    runPathHook(context, "on_soundtrack_saved", saveSoundtrack(gameIdOf(context)));
}
