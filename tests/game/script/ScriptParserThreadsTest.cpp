// test-labels: threaded
// The game-load thread parses the next world's scripts while the main thread parses into its own
// world: each world has its own record pools, both share the context's intern table, and a name
// interned by either thread is one pointer for both.

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"
#include "tests/support/TestSupport.h"

namespace {

struct World {
    ScriptRecordPools pools;
    ScriptBlock *top = pools.newBlock(false);
};

void parseRooms(InternTable &names, World &world, const std::string &text, int rounds) {
    ScriptParser parser(names, world.pools);
    for (int i = 0; i < rounds; ++i)
        parser.parseScriptText(text.c_str(), world.top, "rooms", false);
}

TEST(ScriptParserThreads, TwoWorldsParseAtOnceOverOneInternTable) {
    initScriptCommandTable();
    StringArena arena;
    InternTable names(arena);
    registerKeywords(names);

    auto bytes = lftest::readFileBytes(std::string(LF_SOURCE_DIR) + "/tests/data/scripts/all_commands.script");
    ASSERT_FALSE(bytes.empty());
    std::string text(bytes.begin(), bytes.end());

    World current, next;
    std::thread loader([&] { parseRooms(names, next, text, 50); });
    parseRooms(names, current, text, 50);
    loader.join();

    ASSERT_EQ(current.top->statements.count(), next.top->statements.count());
    for (int i = 0; i < current.top->statements.count(); ++i) {
        const ScriptStatement *a = current.top->statements[i];
        const ScriptStatement *b = next.top->statements[i];
        ASSERT_EQ(a->command, b->command);
        for (int p = 0; p < a->paramCount(); ++p) {
            if (a->params[p].type == kScriptToken || a->params[p].type == kScriptText) {
                EXPECT_EQ(a->params[p].pointer, b->params[p].pointer);
            }
        }
    }
}

} // namespace
