#include "platform/MessageDialog.h"
#include "platform/TestHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class DialogFixture : public ::testing::Test {
protected:
    void TearDown() override {
        unsetenv("LANTERNFALL_DIALOG_ANSWER");
        platformReloadTestHooks();
    }
    void answerWith(const char *value) {
        setenv("LANTERNFALL_DIALOG_ANSWER", value, 1);
        platformReloadTestHooks();
    }
};

TEST_F(DialogFixture, TheHookAnswersEitherButtonAndTheTextGoesToStandardError) {
    answerWith("0");
    testing::internal::CaptureStderr();
    EXPECT_EQ(platformShowMessageDialog("Lanternfall", "Really quit?", "Yes", "No"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[dialog] Lanternfall: Really quit?\n");
    answerWith("1");
    testing::internal::CaptureStderr();
    EXPECT_EQ(platformShowMessageDialog("Lanternfall", "Really quit?", "Yes", "No"), 1);
    EXPECT_TRUE(platformShowWarningBox("Error", "Sound card is disabled or not available"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("[dialog] Error: Sound card"), std::string::npos);
}

TEST_F(DialogFixture, TheHookAnswersOnlyWithAButtonTheDialogHas) {
    testing::internal::CaptureStderr();
    answerWith("1");
    EXPECT_EQ(platformShowMessageDialog("Lanternfall", "Cannot open data.pak", "Quit", nullptr), 0);
    answerWith("7");
    EXPECT_EQ(platformShowMessageDialog("Lanternfall", "Really quit?", "Yes", "No"), 1);
    answerWith("1e300");
    EXPECT_EQ(platformDialogAnswer(), 1);
    answerWith("-3");
    EXPECT_EQ(platformShowMessageDialog("Lanternfall", "Really quit?", "Yes", "No"), -1);
    EXPECT_FALSE(platformShowWarningBox("Error", "Sound card is disabled or not available"));
    testing::internal::GetCapturedStderr();
}

TEST_F(DialogFixture, AnUnreadableAnswerCountsAsNoHook) {
    answerWith("yes");
    EXPECT_FALSE(platformDialogAnswer().has_value());
}

TEST_F(DialogFixture, HeadlessDialogsFailAtOnceAndNullTextsAreSafe) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(platformShowMessageDialog(nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_FALSE(platformShowWarningBox(nullptr, nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[dialog] : \n[dialog] : \n");
}

// SDL's box on X11 is as wide as its longest line: lines are broken to fit a small screen, at spaces where
// there are any, counting characters rather than bytes; what the dialog shows goes to standard error too.
TEST_F(DialogFixture, LongLinesAreBrokenAtTheLastSpaceThatFits) {
    const std::string word(kDialogLineLength, 'w');
    const std::string accented = [] {
        std::string text;
        for (size_t i = 0; i < kDialogLineLength; ++i)
            text += "\xC3\xA9";
        return text;
    }();
    const struct {
        std::string text, shown;
    } cases[] = {
        {"", ""},
        {"Really quit?", "Really quit?"},
        {word, word},
        {word + "x", word + "\nx"},
        {"a " + word, "a\n" + word},
        {word + " next", word + "\nnext"},
        {word + "  two spaces", word + "\ntwo spaces"},
        {"first line\n" + word + " more\n\nlast", "first line\n" + word + "\nmore\n\nlast"},
        {accented + " x", accented + "\nx"},
        {accented + "\xC3\xA9", accented + "\n\xC3\xA9"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(platformDialogText(c.text.c_str()), c.shown) << c.text;
    EXPECT_EQ(platformDialogText(nullptr), "");

    answerWith("0");
    testing::internal::CaptureStderr();
    platformShowWarningBox("Lanternfall", (word + " next").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[dialog] Lanternfall: " + word + "\nnext\n");
}

} // namespace
