// Messages and texts of the scripts: what print joins, the hooks of the HUD messages, texts built and
// read from the localisation, and a print re-entered from the message hook.

#include <string>
#include <vector>

#include "game/script/ScriptFunction.h"
#include "tests/game/script/ScriptRuntimeSupport.h"

namespace {

using Lines = std::vector<std::string>;

class ScriptMessageCommandsTest : public ScriptRuntimeTest {
protected:
    // Runs the code in a handler of the hall and gives what it printed.
    Lines run(const std::string &code) {
        runHandler(hall, code);
        return takeTrace();
    }
    std::string text(const char *name) {
        ScriptValue *value = variable(hall, name)->value;
        EXPECT_EQ(value->type, kScriptText) << name;
        return value->type == kScriptText && value->text() ? value->text() : "";
    }
};

TEST_F(ScriptMessageCommandsTest, PrintJoinsTheGivenParametersByBlanksAndNumbersByTheirTextForm) {
    const struct {
        const char *code;
        const char *printed;
    } cases[] = {
        {"print 3 apples", "3 apples"},
        {"print 2.5 x 0.126", "2.50 x 0.13"},
        {"set #n 7\nprint item_ #n", "item_ 7"},
        {"print", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(run(c.code), Lines{c.printed}) << c.code;
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(ScriptMessageCommandsTest, SetTextJoinsEightLongTextsIntoOneInternedText) {
    std::string code = "set_text #long";
    std::string expected;
    for (char letter = 'a'; letter < 'i'; ++letter) {
        const std::string part(300, letter);
        code += " " + part;
        expected += part;
    }
    run(code + "\nset_text #name door_ 3\nget_local_text #unknown no_such_key");
    EXPECT_EQ(text("#long"), expected);
    EXPECT_EQ(variable(hall, "#long")->value->text(), names.findInterned(expected.c_str()));
    EXPECT_EQ(text("#name"), "door_3");
    // An unknown key gives a text without characters, not none.
    EXPECT_EQ(variable(hall, "#unknown")->value->pointer, nullptr);
}

TEST_F(ScriptMessageCommandsTest, MessagesRunTheShowHookWithTheirArgumentOnlyWhenTheyLast) {
    loadText(game, "fun &msg_show %who {\n print shown %who\n}\nfun &on_show_bbt {\n print bbt\n}\n");
    declareSceneScripts(game);
    EXPECT_EQ(run("msg hello 2 ~first"), (Lines{"shown first", "bbt"}));
    EXPECT_EQ(run("msg hello 0 ~second"), Lines{"bbt"});
    // Without a time the default of six seconds lasts; msg_top never calls on_show_bbt.
    EXPECT_EQ(run("msg_top hello ~none ~third"), Lines{"shown third"});
    EXPECT_EQ(run("msg_top hello ~none ~fourth 0"), Lines{});
}

// The message hook prints again before it reads the text it was given: that text is still whole.
TEST_F(ScriptMessageCommandsTest, APrintFromTheMessageHookLeavesTheOuterTextWhole) {
    loadText(game, "fun &inner {\n print inner text that is longer\n}\n");
    declareSceneScripts(game);
    struct Hook {
        ScriptFunction *inner;
        Lines seen;
    } hook{findFunction(&game->script, "inner"), {}};
    context.messageHook = {[](const char *text, void *argument) {
                               auto *h = static_cast<Hook *>(argument);
                               if (std::string(text) == "outer")
                                   callScriptFunction(h->inner, false, nullptr);
                               h->seen.push_back(text);
                           },
                           &hook};
    run("print outer");
    EXPECT_EQ(hook.seen, (Lines{"inner text that is longer", "outer"}));
}

} // namespace
