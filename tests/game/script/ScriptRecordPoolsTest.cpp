// The script record pools: parameter runs from blocks of 100 slots (longer runs on their own), fresh
// slots that read as none, and blocks with and without local lists.

#include <string>

#include <gtest/gtest.h>

#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptRecordPools.h"

namespace {

TEST(ScriptRecordPools, ParameterRunsShareBlocksWithoutOverlapping) {
    initScriptCommandTable();
    ScriptRecordPools pools;
    const ScriptCommand *math = findScriptCommand(kwMath); // 20 slots: five runs fill a block
    ScriptStatement *statements[12];
    for (ScriptStatement *&statement : statements) {
        statement = pools.newStatement(math);
        ASSERT_NE(statement->params, nullptr);
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(statement->params[i].type, kScriptNone);
        for (int i = 0; i < 20; ++i)
            statement->params[i].setNumber(float(i));
    }
    EXPECT_EQ(pools.parameterSlots.blockCount(), 3);
    EXPECT_EQ(pools.parameterSlots.blockUsed(0), 100);
    EXPECT_EQ(pools.parameterSlots.blockUsed(2), 40);
    // Writing one run never touched another.
    for (ScriptStatement *statement : statements) {
        EXPECT_EQ(statement->params[0].number, 0.0f);
        EXPECT_EQ(statement->params[19].number, 19.0f);
    }
}

TEST(ScriptRecordPools, ARunLongerThanABlockIsAllocatedOnItsOwnAndReadsNone) {
    ScriptRecordPools pools;
    std::string signature(150, 'x');
    ScriptCommand wide{kScriptCommandPlain, "wide", signature.c_str(), nullptr, 150};
    ScriptStatement *statement = pools.newStatement(&wide);
    EXPECT_EQ(pools.parameterSlots.singleCount(), 1);
    EXPECT_EQ(pools.parameterSlots.blockCount(), 0);
    for (int i = 0; i < 150; ++i)
        ASSERT_EQ(statement->params[i].type, kScriptNone) << i;
    EXPECT_EQ(statement->paramCount(), 150);
}

TEST(ScriptRecordPools, ACommandWithoutParametersTakesNoSlots) {
    initScriptCommandTable();
    ScriptRecordPools pools;
    ScriptStatement *close = pools.newStatement(findScriptCommand(kwClose));
    EXPECT_EQ(close->params, nullptr);
    EXPECT_EQ(close->paramCount(), 0);
    EXPECT_EQ(pools.parameterSlots.blockCount(), 0);
}

TEST(ScriptRecordPools, BlocksAndVariables) {
    ScriptRecordPools pools;
    ScriptBlock *plain = pools.newBlock(false);
    ScriptBlock *scoped = pools.newBlock(true);
    EXPECT_EQ(plain->locals, nullptr);
    ASSERT_NE(scoped->locals, nullptr);
    EXPECT_EQ(scoped->locals->count(), 0);
    EXPECT_EQ(plain->statements.count(), 0);

    ScriptVariable *fresh = pools.newVariable("#count", nullptr);
    ASSERT_NE(fresh->value, nullptr);
    EXPECT_EQ(fresh->value->type, kScriptNone);
    ScriptValue own;
    own.setNumber(3);
    ScriptVariable *bound = pools.newVariable("$door", &own);
    EXPECT_EQ(bound->value, &own);
    EXPECT_NE(pools.newValueSlot(), fresh->value);

    // Setting a number clears the whole payload, so values compare word for word.
    ScriptValue a, b;
    a.setPointer(kScriptText, "some text");
    a.setNumber(1.5f);
    b.setNumber(1.5f);
    EXPECT_EQ(a.pointer, b.pointer);
}

} // namespace
