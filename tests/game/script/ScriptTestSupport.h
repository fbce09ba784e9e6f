#pragma once
// A script world for the parser suites: a game context over the tests folder (its test scripts are the
// data folder's scripts), whose start-up made its world with its keywords and record pools, and a parser
// over them whose messages are collected.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/HoContext.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

class ScriptWorldTest : public ::testing::Test {
protected:
    ScriptWorldTest() { clearLogContents(); }

    static void collectMessage(const char *text, void *argument) {
        static_cast<std::vector<std::string> *>(argument)->push_back(text);
    }

    ScriptBlock *parseFile(const std::string &name) {
        std::string path = "data/scripts/" + name + ".script";
        parser.parseScriptFile(path.c_str(), top, names.internOrFind(name.c_str()), false);
        return top;
    }
    ScriptBlock *parseText(const std::string &text, const char *scriptName = "inline test") {
        parser.parseScriptText(text.c_str(), top, scriptName, false);
        return top;
    }

    static const ScriptStatement *statementAt(const ScriptBlock *block, int index) {
        return block->statements[index];
    }
    static std::string wordOf(const ScriptStatement *statement) { return statement->command->word; }
    static ScriptBlock *blockParam(const ScriptStatement *statement, int index) {
        const ScriptValue &value = statement->params[index];
        return value.type == kScriptBlock ? static_cast<ScriptBlock *>(value.pointer) : nullptr;
    }
    static std::string textParam(const ScriptStatement *statement, int index) {
        const ScriptValue &value = statement->params[index];
        return value.text() ? value.text() : "";
    }
    // The command words of a block's statements, in order.
    static std::vector<std::string> wordsOf(const ScriptBlock *block) {
        std::vector<std::string> words;
        for (int i = 0; i < block->statements.count(); ++i)
            words.push_back(wordOf(block->statements[i]));
        return words;
    }

    // "data/scripts/NAME.script" names tests/data/scripts/NAME.script.
    struct TestData {
        TestData() {
            initSystem();
            std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
        }
    } testData;
    struct StartedGame {
        HoContext context{nullptr};
        StartedGame() { context.init(); }
    } started;
    InternTable &names = started.context.interned;
    ScriptRecordPools &pools = started.context.world->scriptPools;
    std::vector<std::string> messages;
    ScriptParser parser{names, pools, {&ScriptWorldTest::collectMessage, &messages}};
    ScriptBlock *top = pools.newBlock(false);
};
