#include "game/script/ScriptKeywords.h"

#include "game/util/InternTable.h"

#define LF_SCRIPT_KEYWORD(identifier, text) const char identifier[] = text;
#include "game/script/ScriptKeywordList.inc"
#undef LF_SCRIPT_KEYWORD

namespace {

// The keyword objects in seeding order.
const char *const kKeywords[] = {
#define LF_SCRIPT_KEYWORD(identifier, text) identifier,
#include "game/script/ScriptKeywordList.inc"
#undef LF_SCRIPT_KEYWORD
};

} // namespace

const int kScriptKeywordCount = int(sizeof kKeywords / sizeof kKeywords[0]);

void registerKeywords(InternTable &table) {
    for (const char *keyword : kKeywords)
        table.intern(keyword);
}
