#pragma once
// The tokenizer of the script language: the lines of a text split into tokens at blanks, with
// braces split off as tokens of their own ("a{b}c" gives a, {, b, } and c). Every line end is
// reported as one null token, which the script parser uses as a statement end.

#include "game/util/TextReader.h"
#include "game/util/TokenReader.h"

class ScriptTokenizer {
public:
    ScriptTokenizer() : tokens_(' ') {}

    // Starts on a copy of the text (null: no text).
    void attach(const char *text);
    TextReader &textReader() { return lines_; }

    // False when there is no more text; else true with currentToken() set to the next token, or to
    // null at the end of a line.
    bool next();
    const char *currentToken() const { return current_; }

private:
    void splitBrace();

    TextReader lines_;
    TokenReader tokens_;
    char *current_ = nullptr;
    char *pending_ = nullptr;
    char saved_ = 0;
    bool needLine_ = true;
};
