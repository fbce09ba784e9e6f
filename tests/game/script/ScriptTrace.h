#pragma once
// What the suites' scripts print. "print" hands its text to the game context's message hook, which also
// takes every other message of the game: a suite's hook offers each text to tracePrinted, which keeps
// those that a running print statement sends in the trace of the suite that runs, in order, for takeTrace.

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "game/scene/HoScene.h"
#include "game/script/ScriptBlock.h"
#include "game/world/HoWorld.h"

class ScriptTrace {
public:
    std::vector<std::string> trace;

    ScriptTrace() { running = this; }
    ~ScriptTrace() { running = nullptr; }
    ScriptTrace(const ScriptTrace &) = delete;
    ScriptTrace &operator=(const ScriptTrace &) = delete;

    // The trace since the last take, emptied.
    std::vector<std::string> takeTrace() { return std::exchange(trace, {}); }

    // True when the text went into the running suite's trace: a print statement of one of the world's
    // scenes runs, and the text is not an error that its parameters gave.
    static bool tracePrinted(const char *text, const HoWorld *world) {
        if (!running || !world || std::strncmp(text, "Error", 5) == 0 || !printRuns(world))
            return false;
        running->trace.push_back(text);
        return true;
    }

private:
    static bool printRuns(const HoWorld *world) {
        for (int32_t i = 0; i < world->scenes.count(); ++i) {
            const ScriptStatement *statement = world->scenes[i]->script.statement;
            if (statement && statement->command && std::strcmp(statement->command->word, "print") == 0)
                return true;
        }
        return false;
    }

    inline static ScriptTrace *running = nullptr;
};
