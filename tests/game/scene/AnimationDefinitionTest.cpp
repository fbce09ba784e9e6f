// ".anim" files: the cycle's entries and length, ranges and repeats, the messages and limits for bad lines,
// and the entry shown at a time.

#include "game/scene/AnimationDefinition.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/system/KSystemLog.h"

namespace {

using Entries = std::vector<std::string>;

struct Messages {
    std::vector<std::string> texts;
    ScriptMessageHook hook() {
        return {[](const char *text, void *self) { static_cast<Messages *>(self)->texts.push_back(text); }, this};
    }
};

AnimationDefinition readAnim(const char *text, Messages *messages = nullptr) {
    AnimationDefinition definition;
    definition.read(text, "data/scenes/hall", "data/scenes/hall/door.anim",
                    messages ? messages->hook() : ScriptMessageHook{});
    return definition;
}

size_t occurrences(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(AnimationDefinition, EntriesInFileOrderWithDurationAnywhere) {
    AnimationDefinition d = readAnim("a.png\r\nsub\\b.png=\nglow.png=x3\nDuration=2.5\ndoor_xx.png=3:5\nlast.png=9\n");
    EXPECT_FLOAT_EQ(d.duration, 2.5f);
    EXPECT_EQ(d.entries, (Entries{"data/scenes/hall/a.png", "data/scenes/hall/sub/b.png", "data/scenes/hall/glow.png",
                                  "data/scenes/hall/glow.png", "data/scenes/hall/glow.png",
                                  "data/scenes/hall/door_03.png", "data/scenes/hall/door_04.png",
                                  "data/scenes/hall/door_05.png"}));
}

TEST(AnimationDefinition, BadLines) {
    // A Duration without a value is one second; none at all leaves 0.
    EXPECT_FLOAT_EQ(readAnim("Duration\n").duration, 1.0f);
    EXPECT_FLOAT_EQ(readAnim("Duration=\n").duration, 1.0f);
    EXPECT_FLOAT_EQ(readAnim("a.png\n").duration, 0.0f);
    // Empty and truncated files, a range the wrong way round, a repeat of 0 or below: nothing added.
    EXPECT_TRUE(readAnim("").entries.empty());
    EXPECT_TRUE(readAnim("=\n\n").entries.empty());
    EXPECT_TRUE(readAnim("door_xx.png=5:3\nglow.png=x0\nglow.png=x-4\n").entries.empty());
    EXPECT_EQ(readAnim("door_xx.png=7").entries, (Entries{"data/scenes/hall/door_07.png"}));
    // A range without "xx" adds nothing and says so, with the definition's path.
    Messages messages;
    EXPECT_TRUE(readAnim("door.png=3:5\n", &messages).entries.empty());
    EXPECT_EQ(messages.texts, (Entries{"ERROR FOR AIMATION DEFINITION IN data/scenes/hall/door.anim: Texture name "
                                       "must have defined xx substring."}));
}

TEST(AnimationDefinition, HugeLinesAreCutWithOneWarning) {
    clearLogContents();
    AnimationDefinition d = readAnim("door_xx.png=1:5000\nglow.png=x2000000000\ndoor_xx.png=-2147483648:2147483647\n");
    EXPECT_EQ(d.entries.size(), 3u * AnimationDefinition::kMaxEntriesPerLine);
    EXPECT_EQ(d.entries[999], "data/scenes/hall/door_1000.png");
    EXPECT_EQ(occurrences(getLogContents(), "Game: Limits applied to data/scenes/hall/door.anim, WARNING"), 1u);
}

TEST(AnimationDefinition, EntryForATime) {
    struct Case {
        float duration;
        int32_t count;
        int32_t time;
        int32_t index;
    } cases[] = {
        {2.0f, 4, 0, 0},   {2.0f, 4, 49, 0},  {2.0f, 4, 50, 1},   {2.0f, 4, 199, 3},
        {2.0f, 4, 200, 0}, {2.0f, 4, -50, 1}, {2.0f, 4, -199, 3}, {2.0f, 4, -2147483647 - 1, 0},
        // No Duration line, a duration under 0.005 s, an empty cycle, a duration that is not a number.
        {0.0f, 4, 70, 0},  {0.004f, 4, 70, 0}, {2.0f, 0, 70, 0},  {1e30f, 3, 70, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(animationFrameIndex(c.duration, c.count, c.time), c.index) << c.duration << " " << c.time;
}

} // namespace
