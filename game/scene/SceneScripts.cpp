#include "game/scene/SceneScripts.h"

#include <string>

#include "game/scene/HoScene.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptParser.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

void parseScriptFile(ScriptContext *context, const std::string &path, const char *scriptName) {
    HoWorld *world = context->world;
    ScriptParser parser(world->names(), world->scriptPools, world->messages());
    parser.parseScriptFile(path.c_str(), context->scripts, world->names().internOrFind(scriptName), false);
}

void parseCommonScript(ScriptContext *context, const char *name) {
    parseScriptFile(context, std::string("data/scripts/") + name + ".script", name);
}

} // namespace

void parseSceneScriptFile(ScriptContext *context, const char *folder, const char *name) {
    parseScriptFile(context, std::string(folder ? folder : "") + "/" + name + ".script", name);
}

void loadSceneScripts(ScriptContext *context) {
    HoScene *scene = context ? context->scene : nullptr;
    if (!scene)
        return;
    parseCommonScript(context, "common_pre");
    if (scene->isZoomZone)
        parseCommonScript(context, "common_zz");
    if (scene->isMiniGame)
        parseCommonScript(context, "common_mg");
    if (scene->isHo)
        parseCommonScript(context, "common_ho");
    parseSceneScriptFile(context, scene->folder, scene->name);
    parseCommonScript(context, "common_post");
}
