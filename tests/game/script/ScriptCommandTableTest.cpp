// Every command word of the table parsed from one script: each row is found, each block lands on a
// block letter of its signature, and include is the only word never stored.

#include <map>
#include <string>

#include "tests/game/script/ScriptTestSupport.h"

namespace {

class ScriptCommandTableTest : public ScriptWorldTest {
protected:
    // Counts the rows of every statement in the tree and checks where its blocks stand.
    void walk(const ScriptBlock *block) {
        for (int i = 0; i < block->statements.count(); ++i) {
            const ScriptStatement *statement = block->statements[i];
            ++uses[statement->command];
            for (int p = 0; p < statement->paramCount(); ++p) {
                char letter = statement->command->signature[p];
                const ScriptValue &value = statement->params[p];
                if (value.type == kScriptBlock) {
                    EXPECT_TRUE(letter == 'b' || letter == 'B') << wordOf(statement) << " parameter " << p;
                    const ScriptBlock *nested = static_cast<const ScriptBlock *>(value.pointer);
                    EXPECT_EQ(nested->locals != nullptr, letter == 'B') << wordOf(statement);
                    walk(nested);
                } else if (value.type != kScriptNone) {
                    EXPECT_EQ(value.type, letter == 'X' ? kScriptText : kScriptToken) << wordOf(statement);
                }
            }
        }
    }

    std::map<const ScriptCommand *, int> uses;
};

TEST_F(ScriptCommandTableTest, EveryRowOfTheTableParsesFromAScript) {
    parseFile("all_commands");
    EXPECT_TRUE(messages.empty()) << messages.front();
    walk(top);

    EXPECT_EQ(uses.size(), 119u);
    for (const ScriptCommand *row = ScriptCommandTable; row->word[0] != '\0'; ++row) {
        int expected = row->kind == kScriptCommandInclude ? 0 : 1;
        EXPECT_EQ(uses[row], expected) << row->word;
    }
}

TEST_F(ScriptCommandTableTest, ParametersFillTheirSignatureInOrder) {
    parseFile("all_commands");
    ScriptBlock *init = blockParam(statementAt(top, 0), 0);
    ASSERT_NE(init, nullptr);

    // math v*X*X...: operators are words kept as text, operands wait for resolution.
    const ScriptStatement *math = nullptr;
    for (int i = 0; i < init->statements.count(); ++i) {
        if (init->statements[i]->command->word == kwMath)
            math = init->statements[i];
    }
    ASSERT_NE(math, nullptr);
    EXPECT_EQ(textParam(math, 0), "#m");
    EXPECT_EQ(math->params[2].type, kScriptText);
    EXPECT_EQ(textParam(math, 2), "+");
    EXPECT_EQ(math->params[3].type, kScriptToken);
    EXPECT_EQ(textParam(math, 4), "*");
    EXPECT_EQ(textParam(math, 5), "4");
    EXPECT_EQ(math->params[6].type, kScriptNone);

    // on_use **B with both optional parameters and on_click *B without its pointer parameter.
    const ScriptStatement *task = statementAt(top, 2);
    ASSERT_EQ(wordOf(task), "task");
    EXPECT_EQ(textParam(task, 0), "find_key");
    EXPECT_EQ(textParam(task, 1), "$key");
    ScriptBlock *body = blockParam(task, 2);
    const ScriptStatement *onClick = statementAt(body, 0);
    EXPECT_EQ(onClick->params[0].type, kScriptNone);
    EXPECT_NE(blockParam(onClick, 1), nullptr);
    const ScriptStatement *onUse = statementAt(body, 3);
    ASSERT_EQ(wordOf(onUse), "on_use");
    EXPECT_EQ(textParam(onUse, 0), "^key");
    EXPECT_EQ(textParam(onUse, 1), "$door");
    EXPECT_NE(blockParam(onUse, 2), nullptr);
}

} // namespace
