#pragma once
// Stand-ins for the handlers of a few command words, bound to their rows of the command table while an
// object of ScriptStandIns lives (the rows' own handlers are put back afterwards). They follow the
// commands' rules only as far as the suites need them; every command word now runs its own handler, so
// the suites bind only what they record. What the scripts print goes to the trace (ScriptTrace.h).

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptValueText.h"
#include "game/script/ScriptVariable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"
#include "tests/game/script/ScriptTrace.h"

class ScriptStandIns : public ScriptTrace {
public:
    inline static ScriptStandIns *current = nullptr;

    ScriptStandIns() {
        initScriptCommandTable();
        current = this;
    }
    ~ScriptStandIns() {
        // The last first, so that a row bound twice gets its own handler back.
        for (auto saved = savedHandlers.rbegin(); saved != savedHandlers.rend(); ++saved)
            saved->first->handler = saved->second;
        current = nullptr;
    }
    ScriptStandIns(const ScriptStandIns &) = delete;
    ScriptStandIns &operator=(const ScriptStandIns &) = delete;

protected:
    // Binds the handler to the row of the word until the stand-ins go.
    void bind(const char *word, ScriptCommandHandler handler) {
        ScriptCommand *row = ScriptCommandTable;
        while (row->word[0] != '\0' && std::strcmp(row->word, word) != 0)
            ++row;
        ASSERT_NE(row->word[0], '\0') << word;
        savedHandlers.emplace_back(row, row->handler);
        row->handler = handler;
    }

private:
    std::vector<std::pair<ScriptCommand *, ScriptCommandHandler>> savedHandlers;
};
