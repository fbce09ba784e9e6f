// The script parser on the test scripts of tests/data/scripts: statement and block layout, the error
// messages with their lines, includes, and input that is too long, too deep or circular.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/game/script/ScriptTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using Words = std::vector<std::string>;

class ScriptParserTest : public ScriptWorldTest {};

TEST_F(ScriptParserTest, IfAndElseOnOneLineGetBothBlocksAndIfWithoutElseLeavesThemNone) {
    parseFile("blocks");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(wordsOf(top), (Words{"init", "fun", "on", "do"}));

    ScriptBlock *init = blockParam(statementAt(top, 0), 0);
    ASSERT_NE(init, nullptr);
    ASSERT_EQ(wordsOf(init), (Words{"set", "if", "if"}));

    const ScriptStatement *withElse = statementAt(init, 1);
    EXPECT_EQ(textParam(withElse, 0), "%n");
    EXPECT_EQ(textParam(withElse, 1), "=");
    EXPECT_EQ(textParam(withElse, 2), "0");
    ScriptBlock *thenBlock = blockParam(withElse, 3);
    ScriptBlock *elseBlock = blockParam(withElse, 5);
    ASSERT_NE(thenBlock, nullptr);
    ASSERT_NE(elseBlock, nullptr);
    EXPECT_EQ(textParam(withElse, 4), "else");
    EXPECT_EQ(wordsOf(thenBlock), (Words{"while"}));
    EXPECT_EQ(wordsOf(elseBlock), (Words{"print"}));
    EXPECT_EQ(wordsOf(blockParam(statementAt(thenBlock, 0), 3)), (Words{"add"}));

    const ScriptStatement *withoutElse = statementAt(init, 2);
    EXPECT_NE(blockParam(withoutElse, 3), nullptr);
    EXPECT_EQ(withoutElse->params[4].type, kScriptNone);
    EXPECT_EQ(withoutElse->params[5].type, kScriptNone);
}

TEST_F(ScriptParserTest, BlocksAtCapitalBPositionsOwnLocalListsAndOthersDoNot) {
    parseFile("blocks");
    ScriptBlock *init = blockParam(statementAt(top, 0), 0);
    EXPECT_NE(init->locals, nullptr);
    const ScriptStatement *withElse = statementAt(init, 1);
    EXPECT_EQ(blockParam(withElse, 3)->locals, nullptr);
    EXPECT_EQ(blockParam(withElse, 5)->locals, nullptr);
    EXPECT_EQ(top->locals, nullptr);

    const ScriptStatement *fun = statementAt(top, 1);
    ScriptBlock *body = blockParam(fun, 9);
    ASSERT_NE(body, nullptr);
    EXPECT_NE(body->locals, nullptr);
    for (int i = 2; i < 9; ++i)
        EXPECT_EQ(fun->params[i].type, kScriptNone) << "parameter " << i;
}

TEST_F(ScriptParserTest, WordLettersStayTextAndOtherTokensWaitUnresolved) {
    parseFile("blocks");
    const ScriptStatement *fun = statementAt(top, 1);
    EXPECT_EQ(fun->params[0].type, kScriptToken);
    EXPECT_EQ(textParam(fun, 0), "&greet");
    EXPECT_EQ(fun->params[1].type, kScriptText);
    EXPECT_EQ(textParam(fun, 1), "%who");

    // Tokens are interned: equal texts are one pointer.
    EXPECT_EQ(fun->params[1].text(), names.findInterned("%who"));
}

TEST_F(ScriptParserTest, CommentsEndTheStatementAndBracesSplitTokens) {
    parseFile("blocks");
    const ScriptStatement *print = statementAt(blockParam(statementAt(top, 1), 9), 0);
    EXPECT_EQ(textParam(print, 0), "hello");
    EXPECT_EQ(textParam(print, 1), "%who");
    EXPECT_EQ(print->params[2].type, kScriptNone);

    // "do{print split}" is do, {, print, split and }.
    ScriptBlock *doBlock = blockParam(statementAt(top, 3), 0);
    ASSERT_NE(doBlock, nullptr);
    ASSERT_EQ(wordsOf(doBlock), (Words{"print"}));
    EXPECT_EQ(textParam(statementAt(doBlock, 0), 0), "split");

    ScriptBlock *oneLine = blockParam(statementAt(top, 2), 1);
    ASSERT_EQ(wordsOf(oneLine), (Words{"print"}));
    EXPECT_EQ(textParam(statementAt(oneLine, 0), 2), "block");
}

TEST_F(ScriptParserTest, EveryParseErrorNamesTheScriptAndLine) {
    parseFile("errors");
    EXPECT_EQ(messages, (Words{
                            "Error in script errors, line 3: Unknown command",
                            "Error in script errors, line 7: Unknown command",
                            "Error in script errors, line 8: Too many parameters",
                            "Error in script errors, line 10: Block is not expected here",
                            "Error in script errors, line 14: Found } without matching {",
                            "Error in script <console>, line 14: Parsing stopped!",
                        }));
    // The unknown word's block is consumed; a '{' on its own line is an unknown word; everything after
    // the stray '}' is left unparsed.
    ASSERT_EQ(wordsOf(top), (Words{"on", "print", "set", "if"}));
    EXPECT_EQ(blockParam(statementAt(top, 0), 1), nullptr);
    EXPECT_EQ(textParam(statementAt(top, 1), 7), "eight");
    EXPECT_EQ(blockParam(statementAt(top, 2), 1), nullptr);
    EXPECT_EQ(wordsOf(blockParam(statementAt(top, 3), 3)), (Words{"print"}));
}

TEST_F(ScriptParserTest, UnterminatedBlocksReportExpectedBraceAndKeepWhatWasParsed) {
    parseFile("unterminated");
    EXPECT_EQ(messages, (Words{"Error in script unterminated, line 5: Expected }",
                               "Error in script unterminated, line 5: Expected }"}));
    ASSERT_EQ(wordsOf(top), (Words{"init"}));
    ScriptBlock *init = blockParam(statementAt(top, 0), 0);
    ASSERT_EQ(wordsOf(init), (Words{"set", "if"}));
    EXPECT_EQ(wordsOf(blockParam(statementAt(init, 1), 3)), (Words{"print"}));
}

TEST_F(ScriptParserTest, IncludesWorkAtAnyDepthAndNeverAppearThemselves) {
    parseFile("include_outer");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(wordsOf(top), (Words{"init", "task"}));
    EXPECT_EQ(wordsOf(blockParam(statementAt(top, 0), 0)), (Words{"set"}));

    ScriptBlock *task = blockParam(statementAt(top, 1), 2);
    ASSERT_EQ(wordsOf(task), (Words{"on_click", "on_completed"}));
    ScriptBlock *onClick = blockParam(statementAt(task, 0), 1);
    EXPECT_EQ(wordsOf(onClick), (Words{"add", "complete"}));
}

TEST_F(ScriptParserTest, AMissingScriptOrIncludeAddsNothingAndSaysNothing) {
    parseFile("no_such_script");
    EXPECT_EQ(top->statements.count(), 0);
    parseText("include no_such_script\nprint done\n");
    EXPECT_EQ(wordsOf(top), (Words{"print"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptParserTest, IncludesOutsideTheScriptsFolderAreRefusedWithTheirLine) {
    lftest::TempDir temp;
    std::filesystem::create_directories(temp / "data" / "scripts");
    lftest::writeFileText(temp / "data" / "outside.script", "print escaped\n");
    lftest::writeFileText(temp / "data" / "scripts" / "inner.script", "print inner\n");
    const std::string savedDataPath = dataPath;
    std::snprintf(dataPath, sizeof dataPath, "%s", temp.str().c_str());
    parseText("include ../outside\ninclude " + (temp / "data" / "outside").string() +
                  "\ninclude ../scripts/inner\ninclude ../../../../../../tmp/x\n",
              "outer");
    std::snprintf(dataPath, sizeof dataPath, "%s", savedDataPath.c_str());
    EXPECT_EQ(wordsOf(top), (Words{"print"})) << "a name that climbs back in is read";
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Error in script outer, line 1: include ../outside is outside the scripts folder");
    EXPECT_NE(messages[1].find("outer, line 2: include /"), std::string::npos) << messages[1];
    EXPECT_NE(messages[2].find("outer, line 4: include ../../"), std::string::npos) << messages[2];
}

TEST_F(ScriptParserTest, AFileMayBeIncludedAgainAfterItWasRead) {
    parseFile("include_twice");
    EXPECT_EQ(wordsOf(top), (Words{"add", "add"}));
}

TEST_F(ScriptParserTest, AnIncludeCycleIsRefusedWithALoggedErrorAndNotFollowed) {
    parseFile("cycle_a");
    ASSERT_EQ(wordsOf(top), (Words{"set", "set", "set", "set"}));
    EXPECT_EQ(textParam(statementAt(top, 0), 0), "#a");
    EXPECT_EQ(textParam(statementAt(top, 1), 0), "#b");
    EXPECT_EQ(textParam(statementAt(top, 2), 0), "#b");
    EXPECT_EQ(textParam(statementAt(top, 3), 0), "#a");
    std::string log = getLogContents();
    EXPECT_NE(log.find("Script include cycle: data/scripts/cycle_b.script includes data/scripts/cycle_a.script"),
              std::string::npos)
        << log;
}

TEST_F(ScriptParserTest, AFileThatIncludesItselfIsReadOnce) {
    parseFile("self_include");
    EXPECT_EQ(wordsOf(top), (Words{"print", "print"}));
    EXPECT_NE(getLogContents().find("includes data/scripts/self_include.script"), std::string::npos);
}

TEST_F(ScriptParserTest, AtFrontPutsEachStatementFirst) {
    parser.parseScriptText("set #a 1\nset #b 2\nset #c 3\n", top, "front", true);
    ASSERT_EQ(top->statements.count(), 3);
    EXPECT_EQ(textParam(statementAt(top, 0), 0), "#c");
    EXPECT_EQ(textParam(statementAt(top, 2), 0), "#a");
}

TEST_F(ScriptParserTest, AQuestionMarkIsDroppedSilentlyWithItsBlock) {
    parseText("? {\n  print hidden\n}\nprint shown\n");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(wordsOf(top), (Words{"print"}));
    EXPECT_EQ(textParam(statementAt(top, 0), 0), "shown");
}

TEST_F(ScriptParserTest, MessagesOfGeneratedTextCarryItsScriptName) {
    parseText("action door_act $door {\n  include no_such_script\n  on_click {\n  }\n  bogus\n}\n",
              "inline task_portal");
    EXPECT_EQ(messages, (Words{"Error in script inline task_portal, line 5: Unknown command"}));
}

TEST_F(ScriptParserTest, OverlongLinesAndTokensAreCutAtTheReadersLimits) {
    std::string longToken(2000, 'k');
    std::string longLine = "print " + longToken;
    while (longLine.size() < 10000)
        longLine += " word";
    parseText(longLine + "\nprint next\n");
    ASSERT_EQ(wordsOf(top), (Words{"print", "print"}));
    EXPECT_EQ(textParam(statementAt(top, 0), 0), std::string(1023, 'k'));
    EXPECT_EQ(textParam(statementAt(top, 1), 0), "next");
    // The long line keeps its first 8191 characters: the words beyond the eighth parameter are too
    // many, and each is reported on line 1.
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "Error in script inline test, line 1: Too many parameters");
    size_t wordsKept = (8191 - longToken.size() - 6) / 5;
    EXPECT_EQ(messages.size(), wordsKept - 7);
}

TEST_F(ScriptParserTest, BytesAboveAsciiSplitTokens) {
    parseText("print caf\xc3\xa9s\n");
    const ScriptStatement *print = statementAt(top, 0);
    EXPECT_EQ(textParam(print, 0), "caf");
    EXPECT_EQ(textParam(print, 1), "s");
}

TEST_F(ScriptParserTest, BlocksNestedTooDeeplyStopTheFileWithALoggedError) {
    std::string text = "init ";
    for (int i = 0; i < 5000; ++i)
        text += "{ do ";
    text += "\nprint after\n";
    parseText(text);
    ASSERT_EQ(wordsOf(top), (Words{"init"}));
    EXPECT_NE(getLogContents().find("nested deeper than"), std::string::npos);
    EXPECT_TRUE(messages.empty());

    // The parser goes on with the next file as usual.
    parseText("print again\n");
    EXPECT_EQ(wordsOf(top), (Words{"init", "print"}));
}

TEST_F(ScriptParserTest, LineEndingsOfEveryKindEndStatements) {
    parseText("set #a 1\r\nset #b 2\rset #c 3\n\nset #d 4");
    ASSERT_EQ(top->statements.count(), 4);
    EXPECT_EQ(textParam(statementAt(top, 3), 1), "4");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptParserTest, MessagesWithoutALineReadErrorAndWithoutAHookGoToTheLog) {
    reportScriptError({&ScriptWorldTest::collectMessage, &messages}, 0, "hall", "Invalid function declaration");
    EXPECT_EQ(messages, (Words{"Error: Invalid function declaration"}));

    ScriptParser unhooked(names, pools);
    unhooked.parseScriptText("bogus\n", top, "hall", false);
    EXPECT_NE(getLogContents().find("Error in script hall, line 1: Unknown command"), std::string::npos);
}

} // namespace
