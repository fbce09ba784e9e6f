// The commands that hand extras to the player: pages opened in the browser, wallpapers and the
// soundtrack copied into the documents folder. When the running script has a hook for a copy, it gets
// the path of what was written.

#include "game/script/ScriptFileCommands.h"

#include <string>

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoSurveyPage.h"
#include "game/player/PlayerFiles.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/util/InternTable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

const char *gameIdOf(ScriptContext *context) {
    HoWorld *world = context ? context->world : nullptr;
    HoGame *game = world && world->context ? world->context->game : nullptr;
    return game ? game->getGameId() : "";
}

// The context's hook of the name, when one is declared, runs with the path as its text.
void runPathHook(ScriptContext *context, const char *hook, const std::string &path) {
    ScriptFunction *function = findFunction(context, hook);
    if (!function)
        return;
    ScriptValue value;
    value.setPointer(kScriptText, context->world->names().internOrFind(path.c_str()));
    runNamedHook(function, &value);
}

int32_t cutParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return truncToInt(numberParam(context, statement, i, 0.0f));
}

} // namespace

void scriptOpenLink(ScriptContext *context, ScriptStatement *statement) {
    openLinkFile(textParam(context, statement, 0));
}

void scriptSurvey(ScriptContext *, ScriptStatement *) {
    openSurveyPage();
}

void scriptSaveWallpapers(ScriptContext *context, ScriptStatement *statement) {
    const std::string destination = saveWallpaper(gameIdOf(context), textParam(context, statement, 0),
                                                  cutParam(context, statement, 1), cutParam(context, statement, 2));
    if (!destination.empty())
        runPathHook(context, "on_wallpaper_saved", destination);
}

void scriptSaveSoundtrack(ScriptContext *context, ScriptStatement *) {
    runPathHook(context, "on_soundtrack_saved", saveSoundtrack(gameIdOf(context)));
}
