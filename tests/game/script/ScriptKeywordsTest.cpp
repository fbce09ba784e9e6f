// The keyword seeding as the script layer relies on it: one pointer per text, the keyword objects
// themselves in the table, and words interned before the seeding left as they were.

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/util/PtrArray.h"
#include "game/util/StringArena.h"

namespace {

TEST(ScriptKeywords, InterningAKeywordTextYieldsTheKeywordObject) {
    StringArena arena;
    InternTable names(arena);
    registerKeywords(names);

    std::string fromScript = "alpha"; // a text read from a file, not a literal
    const char *interned = names.internOrFind(fromScript.c_str());
    EXPECT_EQ(interned, kwAlpha);
    EXPECT_EQ(names.internOrFind("on_completed"), kwOnCompleted);
    EXPECT_EQ(names.findInterned("BACKGROUND_ROOT"), kwBackgroundRoot);
    EXPECT_EQ(names.count(), kScriptKeywordCount);
    EXPECT_EQ(arena.blockCount(), 0); // seeding copies nothing
}

TEST(ScriptKeywords, EveryKeywordIsSeededOnceAndDistinct) {
    StringArena arena;
    InternTable names(arena);
    registerKeywords(names);
    EXPECT_EQ(kScriptKeywordCount, 189);

    // Each command word of the table is a seeded keyword object.
    initScriptCommandTable();
    std::set<std::string> words;
    int rows = 0;
    for (const ScriptCommand *row = ScriptCommandTable; row->word[0] != '\0'; ++row, ++rows) {
        EXPECT_EQ(names.findInterned(std::string(row->word).c_str()), row->word) << row->word;
        words.insert(row->word);
    }
    EXPECT_EQ(rows, 120);
    EXPECT_EQ(words.size(), 120u);
}

TEST(ScriptKeywords, AWordInternedBeforeSeedingStaysAnArenaCopy) {
    StringArena arena;
    InternTable names(arena);
    const char *early = names.internOrFind("alpha");
    EXPECT_NE(early, kwAlpha);

    registerKeywords(names);
    EXPECT_EQ(names.internOrFind("alpha"), kwAlpha); // the newest node is found first
    EXPECT_STREQ(early, "alpha");
    EXPECT_NE(early, kwAlpha);
}

TEST(ScriptKeywords, NamesOutsideTheVocabularyAreCopiedOnceAndFoundAgain) {
    StringArena arena;
    InternTable names(arena);
    registerKeywords(names);

    EXPECT_EQ(names.internOrFind(nullptr), nullptr);
    const char *empty = names.internOrFind("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(names.internOrFind(""), empty);

    // Thousands of names share the 6151 buckets; each keeps one pointer.
    std::vector<const char *> first;
    for (int i = 0; i < 20000; ++i)
        first.push_back(names.internOrFind(("$door_" + std::to_string(i)).c_str()));
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(names.internOrFind(("$door_" + std::to_string(i)).c_str()), first[size_t(i)]) << i;
    EXPECT_EQ(names.count(), kScriptKeywordCount + 1 + 20000);
    EXPECT_EQ(names.internOrFind("alpha"), kwAlpha);
}

TEST(ScriptKeywords, FindScriptCommandComparesPointersOnly) {
    initScriptCommandTable();
    const ScriptCommand *row = findScriptCommand(kwIf);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->signature, "*x*bxb");
    EXPECT_EQ(row->signatureLength, 6);
    EXPECT_EQ(row->kind, kScriptCommandPlain);

    std::string sameText = "if";
    EXPECT_EQ(findScriptCommand(sameText.c_str()), nullptr);
    EXPECT_EQ(findScriptCommand(kwAlpha), nullptr);

    // Rows listed together stay separate rows with their own kind and signature.
    EXPECT_EQ(findScriptCommand(kwOpen)->signatureLength, 1);
    EXPECT_EQ(findScriptCommand(kwClose)->signatureLength, 0);
    EXPECT_EQ(findScriptCommand(kwInclude)->kind, kScriptCommandInclude);
    EXPECT_EQ(findScriptCommand(kwAction)->kind, kScriptCommandTask);
    EXPECT_EQ(findScriptCommand(kwOnMove)->kind, kScriptCommandElementHandler);
    EXPECT_STREQ(findScriptCommand(kwOnMove)->signature, "e**B");
    EXPECT_EQ(findScriptCommand(kwMath)->signatureLength, 20);
    EXPECT_EQ(findScriptCommand(kwSkipTo)->handler, &scriptNoOperation);
    EXPECT_EQ(findScriptCommand(kwQvxTerms)->handler, &scriptNoOperation);
}

TEST(ScriptKeywords, AddUniqueAndIndexOfKeepOnePointerOnce) {
    PtrArray<const char> words;
    EXPECT_EQ(words.indexOf(kwAlpha), -1);
    EXPECT_EQ(words.addUnique(kwAlpha), 0);
    EXPECT_EQ(words.addUnique(kwX), 1);
    EXPECT_EQ(words.addUnique(kwAlpha), 0);
    EXPECT_EQ(words.count(), 2);
    EXPECT_EQ(words.indexOf(kwX), 1);

    // Equal text at another address is another pointer.
    std::string copy = "alpha";
    EXPECT_EQ(words.indexOf(copy.c_str()), -1);
    for (int i = 0; i < 30; ++i)
        words.append(kwY);
    EXPECT_EQ(words.indexOf(kwY), 2); // the first of several
    EXPECT_EQ(words.addUnique(kwY), 2);
}

} // namespace
