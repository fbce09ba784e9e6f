#include "game/player/NoticeScreen.h"

#include "game/HoContext.h"
#include "game/player/HudMessage.h"
#include "game/player/SavedGame.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

bool showsMessages(const HoWorld *world) {
    return world && world->hudScene && world->hud.messageText && HoWorld::showsHud(world->activeScene) &&
           world->change.state == kChangeIdle;
}

HoScene *sceneInView(HoWorld *world) {
    return world && world->change.state == kChangeIdle ? focusedScene(world) : nullptr;
}

void setGlobalText(HoWorld *world, const char *name, const char *text) {
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, name, nullptr)->value->setPointer(kScriptText, world->names().internOrFind(text));
}

void setGlobalNumber(HoWorld *world, const char *name, float number) {
    if (ScriptContext *global = world->globalContext())
        findOrCreateVariable(global, name, nullptr)->value->setNumber(number);
}

void showLineInHud(HoWorld *world, const std::string &line) {
    world->showMessage(line.c_str(), secondsToTicks(defaultMessageSeconds(world)), false);
}

bool tellLine(HoWorld *world, const char *event, const char *textName, const std::string &line) {
    HoScene *scene = sceneInView(world);
    ScriptEvent *handler = scene ? findEvent(&scene->script, event) : nullptr;
    if (handler) {
        setGlobalText(world, textName, line.c_str());
        handler->fire();
        return true;
    }
    if (!showsMessages(world))
        return false;
    showLineInHud(world, line);
    return true;
}
