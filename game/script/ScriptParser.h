#pragma once
// The parser of the script language. A statement is one line: a command word from the command table
// and blank-separated parameters; a '{' opens a nested block that belongs to the statement and goes to
// the first 'b' or 'B' of the signature at or after the current parameter, and after its '}' the
// statement goes on with the rest of that line (which is how "} else {" works). Tokens are interned
// and stored unresolved; the declaration pass resolves them later. "include NAME" parses
// data/scripts/NAME.script into the block at that point, at any depth.
//
// Statements, blocks and parameter slots come from the world's record pools. A file that is already
// being read is not included again (an include cycle is refused with a logged error), and blocks and
// includes nested deeper than kMaxNesting stop the file with a logged error rather than exhaust the
// stack.

#include <string>
#include <vector>

#include "game/script/ScriptBlock.h"
#include "game/script/ScriptErrors.h"

class InternTable;
class ScriptRecordPools;
class ScriptTokenizer;

class ScriptParser {
public:
    static constexpr int kMaxNesting = 200;

    ScriptParser(InternTable &names, ScriptRecordPools &pools, ScriptMessageHook messages = {});

    // Parses statements into the block up to the matching '}' (insideBraces) or the end of the input.
    // atFront stores each statement at index 0 instead of appending it. Answers whether the caller may
    // go on reading: false at the end of the text outside braces, true when a '}' ended the block.
    bool parseBlock(ScriptTokenizer &tokenizer, ScriptBlock *block, const char *scriptName, bool insideBraces,
                    bool atFront);
    // Parses a whole text into the block; a stray '}' stops it with "Parsing stopped!".
    void parseScriptText(const char *text, ScriptBlock *block, const char *scriptName, bool atFront);
    // Reads a script file through the resource layer and parses it; a file that cannot be read is
    // skipped without a message.
    void parseScriptFile(const char *path, ScriptBlock *block, const char *scriptName, bool atFront);

private:
    enum class StatementEnd { LineEnd, ClosingBrace, TextEnd };

    StatementEnd parseStatement(ScriptTokenizer &tokenizer, ScriptBlock *block, const char *scriptName,
                                bool atFront);
    ScriptBlock *parseNestedBlock(ScriptTokenizer &tokenizer, const char *scriptName);
    void placeBlock(ScriptTokenizer &tokenizer, const char *scriptName, ScriptStatement *statement, int &index,
                    ScriptBlock *nested);
    void storeStatement(ScriptBlock *block, ScriptStatement *statement, bool atFront);
    void includeScript(ScriptTokenizer &tokenizer, const char *scriptName, const char *name, ScriptBlock *block);
    void report(ScriptTokenizer &tokenizer, const char *scriptName, const char *message);

    InternTable &names_;
    ScriptRecordPools &pools_;
    ScriptMessageHook messages_;
    std::vector<std::string> filesBeingRead_; // folded paths, outermost first
    int nesting_ = 0;
    bool stopFile_ = false; // set when the current file must not be read further
};
