#include "platform/MessageDialog.h"
#include "platform/TestHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

} // namespace
