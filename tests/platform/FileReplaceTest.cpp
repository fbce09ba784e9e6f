// The crash-safe file writer and the delete, with the fault hooks that fail each change they make.

#include "platform/FileHooks.h"
#include "platform/WinBase.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public ::testing::Test {
protected:
    FileReplaceTest() { fileHooksReset(); }
    ~FileReplaceTest() override {
        unsetenv("LANTERNFALL_FAIL_WRITE");
        unsetenv("LANTERNFALL_STOP_WRITES_AT");
        fileHooksReset();
    }

    bool replace(const std::string &name, const std::string &text) {
        return platformReplaceFile((dir / name).c_str(), text.data(), text.size());
    }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string text(const std::string &name) const {
        std::vector<unsigned char> bytes = lftest::readFileBytes(dir / name);
        return std::string(bytes.begin(), bytes.end());
    }

    lftest::TempDir dir;
};

TEST_F(FileReplaceTest, TheFileOfAnyLetterCaseIsReplacedAndNoTemporaryStays) {
    lftest::writeFileText(dir / "Profile_Anna.SAV", "old");
    lftest::writeFileText(dir / "profile_anna.sav.tmp", "stale bytes of a crash");
    EXPECT_TRUE(replace("profile_anna.sav", "new"));
    EXPECT_EQ(listing(), (std::vector<std::string>{"Profile_Anna.SAV"}));
    EXPECT_EQ(text("Profile_Anna.SAV"), "new");
    EXPECT_TRUE(replace("profiles.sav", ""));
    EXPECT_EQ(text("profiles.sav"), "");
}

TEST_F(FileReplaceTest, AMissingFolderOrAFolderInTheWayFails) {
    fs::create_directory(dir / "slot.sav");
    EXPECT_FALSE(replace("missing/slot.sav", "new"));
    EXPECT_FALSE(replace("slot.sav", "new"));
    EXPECT_EQ(listing(), (std::vector<std::string>{"slot.sav"}));
}

// The changes of one replacement are: open, write, flush, sync, close, rename, the folder's sync.
TEST_F(FileReplaceTest, EachChangeThatFailsOnceLeavesTheOldFileUntilTheRename) {
    const std::vector<std::string> kept = {"slot.sav"};
    for (int change = 1; change <= 8; ++change) {
        lftest::writeFileText(dir / "slot.sav", "old");
        fileHooksReset();
        fileHooksFailChange(change, false);
        EXPECT_EQ(replace("slot.sav", "new"), change == 8) << change;
        EXPECT_EQ(text("slot.sav"), change >= 7 ? "new" : "old") << change;
        EXPECT_EQ(listing(), kept) << change << ": the temporary is removed";
    }
    EXPECT_EQ(fileHooksChangeCount(), 7);
}

TEST_F(FileReplaceTest, TheEnvironmentStopsTheMachineAtAChangeOrAByte) {
    lftest::writeFileText(dir / "slot.sav", "old");
    setenv("LANTERNFALL_FAIL_WRITE", "2+", 1);
    fileHooksReset();
    EXPECT_FALSE(replace("slot.sav", "new"));
    EXPECT_EQ(text("slot.sav"), "old");
    EXPECT_EQ(text("slot.sav.tmp"), "") << "opened, then nothing more happened";
    unsetenv("LANTERNFALL_FAIL_WRITE");
    setenv("LANTERNFALL_STOP_WRITES_AT", "3", 1);
    fileHooksReset();
    EXPECT_FALSE(replace("slot.sav", "new bytes"));
    EXPECT_EQ(text("slot.sav"), "old");
    EXPECT_EQ(text("slot.sav.tmp"), "ne") << "the bytes before the third";
    EXPECT_EQ(fileHooksBytesWritten(), 2);
}

TEST_F(FileReplaceTest, DeleteTakesTheFileOfAnyCaseAndSaysWhenNothingWent) {
    lftest::writeFileText(dir / "Profile_Anna.sav", "x");
    fs::create_directory(dir / "profile_folder");
    fileHooksFailChange(1, false);
    EXPECT_FALSE(platformDeleteFile((dir / "profile_anna.SAV").c_str())) << "the failing change";
    EXPECT_TRUE(platformDeleteFile((dir / "profile_anna.SAV").c_str()));
    EXPECT_FALSE(platformDeleteFile((dir / "profile_anna.sav").c_str()));
    EXPECT_FALSE(platformDeleteFile((dir / "profile_folder").c_str()));
    EXPECT_EQ(listing(), (std::vector<std::string>{"profile_folder"}));
}

} // namespace
