#include "game/script/ScriptErrors.h"

#include <string>

#include "engine/system/KSystem.h"

void reportScriptError(const ScriptMessageHook &hook, int line, const char *scriptName, const char *message) {
    std::string text;
    if (line >= 1) {
        text = "Error in script ";
        text += scriptName ? scriptName : "<console>";
        text += ", line " + std::to_string(line) + ": ";
    } else {
        text = "Error: ";
    }
    text += message ? message : "";
    if (hook.function)
        hook.function(text.c_str(), hook.argument);
    else
        logMessage("%s", text.c_str());
}
