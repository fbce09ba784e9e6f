#pragma once
// What the suites' scripts print. "print" hands its text to the game context's message hook, which also
// takes every other message of the game. While a ScriptTrace lives, the print row of the command table
// runs its own handler inside a watch, and a suite's hook offers each text to tracePrinted, which keeps
// those sent from inside a print in the suite's trace, in order, for takeTrace.

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "game/script/ScriptCommand.h"

class ScriptTrace {
public:
    std::vector<std::string> trace;

    ScriptTrace() {
        running = this;
        row_ = printRow();
        printHandler = row_->handler;
        row_->handler = &watchedPrint;
    }
    ~ScriptTrace() {
        row_->handler = printHandler;
        running = nullptr;
    }
    ScriptTrace(const ScriptTrace &) = delete;
    ScriptTrace &operator=(const ScriptTrace &) = delete;

    // The trace since the last take, emptied.
    std::vector<std::string> takeTrace() { return std::exchange(trace, {}); }

    // True when the text went into the running suite's trace: a print sends it, and it is not an error
    // that the print's parameters gave.
    static bool tracePrinted(const char *text) {
        if (!running || printDepth == 0 || std::strncmp(text, "Error", 5) == 0)
            return false;
        running->trace.push_back(text);
        return true;
    }

private:
    static ScriptCommand *printRow() {
        ScriptCommand *row = ScriptCommandTable;
        while (row->word[0] != '\0' && std::strcmp(row->word, "print") != 0)
            ++row;
        return row;
    }
    static void watchedPrint(ScriptContext *context, ScriptStatement *statement) {
        ++printDepth;
        printHandler(context, statement);
        --printDepth;
    }

    inline static ScriptTrace *running = nullptr;
    inline static ScriptCommandHandler printHandler = nullptr;
    inline static int printDepth = 0;
    ScriptCommand *row_ = nullptr;
};
