#include "game/script/ScriptParser.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/system/KSystem.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/ReadWholeFile.h"
#include "game/util/ScriptTokenizer.h"

namespace {

int currentLine(ScriptTokenizer &tokenizer) {
    return tokenizer.textReader().lineCount();
}

// Skips the tokens up to the end of the line; false when the text ended first.
bool skipRestOfLine(ScriptTokenizer &tokenizer) {
    while (tokenizer.next()) {
        if (!tokenizer.currentToken())
            return true;
    }
    return false;
}

// Names compare without regard to case or separator, as the resource layer finds files.
std::string foldedPath(const char *path) {
    std::string folded(path);
    for (char &c : folded) {
        c = c == '\\' ? '/' : char(std::tolower(static_cast<unsigned char>(c)));
    }
    return std::filesystem::path(folded).lexically_normal().generic_string();
}

} // namespace

ScriptParser::ScriptParser(InternTable &names, ScriptRecordPools &pools, ScriptMessageHook messages)
    : names_(names), pools_(pools), messages_(messages) {}

void ScriptParser::report(ScriptTokenizer &tokenizer, const char *scriptName, const char *message) {
    reportScriptError(messages_, currentLine(tokenizer), scriptName, message);
}

bool ScriptParser::parseBlock(ScriptTokenizer &tokenizer, ScriptBlock *block, const char *scriptName,
                              bool insideBraces, bool atFront) {
    for (;;) {
        if (stopFile_)
            return false;
        const char *token = nullptr;
        bool textEnded = false;
        while (!token) {
            if (!tokenizer.next()) {
                textEnded = true;
                break;
            }
            token = tokenizer.currentToken();
        }
        if (textEnded) {
            if (!insideBraces)
                return false;
            report(tokenizer, scriptName, "Expected }");
            return true;
        }
        if (token[0] == ';') {
            skipRestOfLine(tokenizer); // at the end of the text the next round reports or returns
            continue;
        }
        if (token[0] != '}') {
            StatementEnd end = parseStatement(tokenizer, block, scriptName, atFront);
            if (end != StatementEnd::ClosingBrace)
                continue; // at the end of the text the next round reports or returns
        }
        // A '}' ends this block; at the top level nothing can match it and the file stops here.
        if (!insideBraces)
            report(tokenizer, scriptName, "Found } without matching {");
        return true;
    }
}

ScriptParser::StatementEnd ScriptParser::parseStatement(ScriptTokenizer &tokenizer, ScriptBlock *block,
                                                        const char *scriptName, bool atFront) {
    const char *word = names_.internOrFind(tokenizer.currentToken());
    const ScriptCommand *row = findScriptCommand(word);
    ScriptStatement *statement = nullptr;
    if (row) {
        statement = pools_.newStatement(row);
        if (row->kind != kScriptCommandInclude)
            storeStatement(block, statement, atFront);
    } else if (std::strcmp(word, "?") != 0) {
        report(tokenizer, scriptName, "Unknown command");
    }
    // Without a row the rest of the statement is read and thrown away, its blocks included.

    StatementEnd end = StatementEnd::LineEnd;
    int index = 0;
    for (;;) {
        if (stopFile_ || !tokenizer.next()) {
            end = StatementEnd::TextEnd;
            break;
        }
        const char *token = tokenizer.currentToken();
        if (!token)
            break;
        if (token[0] == '}') {
            end = StatementEnd::ClosingBrace;
            break;
        }
        if (token[0] == ';') {
            if (!skipRestOfLine(tokenizer))
                end = StatementEnd::TextEnd;
            break;
        }
        if (token[0] == '{') {
            ScriptBlock *nested = parseNestedBlock(tokenizer, scriptName);
            if (statement && nested)
                placeBlock(tokenizer, scriptName, statement, index, nested);
            continue;
        }
        if (!statement)
            continue;
        if (index >= row->signatureLength) {
            report(tokenizer, scriptName, "Too many parameters");
            continue;
        }
        if (token[0] != '\0') {
            int32_t type = row->signature[index] == 'X' ? kScriptText : kScriptToken;
            statement->params[index].setPointer(type, names_.internOrFind(token));
        }
        ++index;
    }

    if (!stopFile_ && statement && row->kind == kScriptCommandInclude && row->signatureLength > 0 &&
        statement->params[0].type == kScriptToken)
        includeScript(tokenizer, scriptName, statement->params[0].text(), block);
    return end;
}

ScriptBlock *ScriptParser::parseNestedBlock(ScriptTokenizer &tokenizer, const char *scriptName) {
    if (nesting_ >= kMaxNesting) {
        logMessage("Script %s, line %d: blocks and includes nested deeper than %d; the rest of the file is skipped",
                   scriptName ? scriptName : "<console>", currentLine(tokenizer), kMaxNesting);
        stopFile_ = true;
        return nullptr;
    }
    ++nesting_;
    ScriptBlock *nested = pools_.newBlock(false);
    parseBlock(tokenizer, nested, scriptName, true, false);
    --nesting_;
    return nested;
}

// The block goes to the first 'b' or 'B' letter at or after the current parameter; a 'B' block gets
// its own list of local variables.
void ScriptParser::placeBlock(ScriptTokenizer &tokenizer, const char *scriptName, ScriptStatement *statement,
                              int &index, ScriptBlock *nested) {
    const char *signature = statement->command->signature;
    for (int i = index; i < statement->command->signatureLength; ++i) {
        if (signature[i] != 'b' && signature[i] != 'B')
            continue;
        if (signature[i] == 'B')
            nested->locals = pools_.localLists.allocate();
        statement->params[i].setPointer(kScriptBlock, nested);
        index = i + 1;
        return;
    }
    report(tokenizer, scriptName, "Block is not expected here");
}

void ScriptParser::storeStatement(ScriptBlock *block, ScriptStatement *statement, bool atFront) {
    if (!atFront) {
        block->statements.append(statement);
    } else if (block->statements.insertAt(0)) {
        block->statements.set(0, statement);
    }
}

// Included scripts come from the scripts folder only: a name that climbs out of it or is absolute is
// refused, so that a script cannot read files elsewhere.
void ScriptParser::includeScript(ScriptTokenizer &tokenizer, const char *scriptName, const char *name,
                                 ScriptBlock *block) {
    const std::string path = std::string("data/scripts/") + name + ".script";
    const bool absolute = name[0] == '/' || name[0] == '\\' || (name[0] != '\0' && name[1] == ':');
    if (absolute || foldedPath(path.c_str()).rfind("data/scripts/", 0) != 0) {
        report(tokenizer, scriptName, (std::string("include ") + name + " is outside the scripts folder").c_str());
        return;
    }
    parseScriptFile(path.c_str(), block, name, false);
}

void ScriptParser::parseScriptText(const char *text, ScriptBlock *block, const char *scriptName, bool atFront) {
    // The tokenizer holds line and token buffers of 9 KB: kept off the stack, since includes nest.
    auto tokenizer = std::make_unique<ScriptTokenizer>();
    tokenizer->attach(text);
    bool outerStop = stopFile_;
    stopFile_ = false;
    bool stoppedEarly = parseBlock(*tokenizer, block, scriptName, false, atFront);
    if (stoppedEarly && !stopFile_)
        report(*tokenizer, nullptr, "Parsing stopped!");
    stopFile_ = outerStop;
}

void ScriptParser::parseScriptFile(const char *path, ScriptBlock *block, const char *scriptName, bool atFront) {
    std::string folded = foldedPath(path);
    if (std::find(filesBeingRead_.begin(), filesBeingRead_.end(), folded) != filesBeingRead_.end()) {
        logMessage("Script include cycle: %s includes %s, which is already being read; it is not included again",
                   filesBeingRead_.back().c_str(), path);
        return;
    }
    if (nesting_ >= kMaxNesting) {
        logMessage("Script %s: %s is included deeper than %d levels; it is not included",
                   scriptName ? scriptName : "<console>", path, kMaxNesting);
        return;
    }
    WholeFile file;
    if (!readWholeFile(path, &file))
        return;
    ++nesting_;
    filesBeingRead_.push_back(folded);
    parseScriptText(file.data.get(), block, scriptName, atFront);
    filesBeingRead_.pop_back();
    --nesting_;
}
