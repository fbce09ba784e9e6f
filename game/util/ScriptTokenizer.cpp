#include "game/util/ScriptTokenizer.h"

#include <cstring>

void ScriptTokenizer::attach(const char *text) {
    lines_.attach(text);
    current_ = nullptr;
    pending_ = nullptr;
    saved_ = 0;
    needLine_ = true;
}

bool ScriptTokenizer::next() {
    current_ = nullptr;
    if (pending_) {
        *pending_ = saved_;
        saved_ = 0;
        current_ = pending_;
        pending_ = nullptr;
        splitBrace();
        return true;
    }
    if (needLine_) {
        if (!lines_.readLine())
            return false;
        tokens_.attach(lines_.line());
        needLine_ = false;
    }
    if (!tokens_.next()) {
        needLine_ = true;
        return true;
    }
    current_ = tokens_.tokenBuffer();
    splitBrace();
    return true;
}

// Cuts the current token before its first brace, or after it when the brace comes first; the rest
// is handed out by the next call.
void ScriptTokenizer::splitBrace() {
    char *brace = std::strpbrk(current_, "{}");
    if (!brace)
        return;
    char *cut = brace == current_ ? brace + 1 : brace;
    saved_ = *cut;
    if (saved_ == 0) {
        pending_ = nullptr;
        return;
    }
    *cut = 0;
    pending_ = cut;
}
