#pragma once
// A small script world for the parser suites: an intern table seeded with the keywords, record
// pools, a parser whose messages are collected, and the test scripts of tests/data/scripts as the
// data folder's scripts.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"

class ScriptWorldTest : public ::testing::Test {
protected:
    ScriptWorldTest() {
        initSystem();
        // "data/scripts/NAME.script" then names tests/data/scripts/NAME.script.
        std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
        initScriptCommandTable();
        registerKeywords(names);
        clearLogContents();
    }

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

    StringArena arena;
    InternTable names{arena};
    ScriptRecordPools pools;
    std::vector<std::string> messages;
    ScriptParser parser{names, pools, {&ScriptWorldTest::collectMessage, &messages}};
    ScriptBlock *top = pools.newBlock(false);
};
