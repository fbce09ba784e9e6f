// The crash-safe file writer and the copy that writes through it, the delete and the rename that never
// replaces, with the fault hooks that fail each change they make, and why a change failed in a player's words.

#include "platform/FileHooks.h"
#include "platform/WinBase.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <csignal>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

class FileReplaceTest : public ::testing::Test {
protected:
    FileReplaceTest() { fileHooksReset(); }
    ~FileReplaceTest() override {
        unsetenv("LANTERNFALL_FAIL_WRITE");
        unsetenv("LANTERNFALL_STOP_WRITES_AT");
        unsetenv("LANTERNFALL_FAIL_WRITE_OF");
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
    unsetenv("LANTERNFALL_STOP_WRITES_AT");

    // Aimed at one file: the changes of other files, whatever their number, do not count.
    setenv("LANTERNFALL_FAIL_WRITE", "1", 1);
    setenv("LANTERNFALL_FAIL_WRITE_OF", "slot.sav", 1);
    fileHooksReset();
    EXPECT_TRUE(replace("other.sav", "other"));
    EXPECT_TRUE(replace("oldslot.sav", "other"));
    EXPECT_TRUE(platformDeleteFile((dir / "oldslot.sav").c_str()));
    EXPECT_FALSE(replace("slot.sav", "new"));
    EXPECT_EQ(text("slot.sav"), "old");
    EXPECT_TRUE(replace("slot.sav", "new")) << "the fault was once";
    unsetenv("LANTERNFALL_FAIL_WRITE_OF");
}

// A writer given up on at the end may still make a change while the process ends: the hooks, and the file
// name they aim at (longer than any string keeps inline), are still there after the static objects are gone.
// The child asks its writer-like thread for one change of the aimed file from a function that runs after
// every static object's destructor (a destructor function of the program's own); the change must still fail
// as aimed.
constexpr char kAimedLongName[] = "a-file-name-longer-than-any-kept-inline.sav";

// What the destructor function asks of the thread, and its answer: never destroyed, as a process's end
// must not take it from the thread.
struct ChangeAtTheEnd {
    std::promise<void> ask;
    std::promise<bool> failed;
};
std::atomic<ChangeAtTheEnd *> changeAtTheEnd{nullptr};

__attribute__((destructor)) void makeAChangeAfterTheStaticObjectsAreGone() {
    ChangeAtTheEnd *change = changeAtTheEnd.load();
    if (!change)
        return;
    std::future<bool> failed = change->failed.get_future();
    change->ask.set_value();
    const bool answered = failed.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    _exit(answered && failed.get() ? 0 : 3);
}

TEST_F(FileReplaceTest, AChangeMadeAsTheProcessEndsStillReadsTheHooks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child's leak check at the exit stops its threads while one may be reporting: a report that needs
    // no symbols never waits for it.
    const char *sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string kept = sanitizer ? sanitizer : "";
    setenv("ASAN_OPTIONS", (kept + (kept.empty() ? "" : ":") + "symbolize=0").c_str(), 1);
    EXPECT_EXIT(
        {
            setenv("LANTERNFALL_FAIL_WRITE_OF", kAimedLongName, 1);
            fileHooksReset();
            fileHooksFailChange(1, false);
            auto *change = new ChangeAtTheEnd;
            std::thread([change] {
                FileHooksFile file(std::string("elsewhere/") + kAimedLongName);
                change->ask.get_future().wait();
                change->failed.set_value(fileHooksTakeChange());
                for (;;)
                    pause();
            }).detach();
            changeAtTheEnd = change;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    if (sanitizer)
        setenv("ASAN_OPTIONS", kept.c_str(), 1);
    else
        unsetenv("ASAN_OPTIONS");
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

// A folder nothing may be written into while the object lives, even by root: the immutable flag where
// the file system and the process allow it, else the permission bits for another user. `made` says
// whether either worked.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const fs::path &folder) : path_(folder) {
        descriptor_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        if (descriptor_ >= 0 && ioctl(descriptor_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ioctl(descriptor_, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!immutable_ && geteuid() != 0) {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            permissions_ = true;
        }
    }
    ~ReadOnlyFolder() {
        int flags = 0;
        if (immutable_ && ioctl(descriptor_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(descriptor_, FS_IOC_SETFLAGS, &flags);
        }
        if (permissions_)
            fs::permissions(path_, fs::perms::owner_all);
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    bool made() const { return immutable_ || permissions_; }

private:
    fs::path path_;
    int descriptor_ = -1;
    bool immutable_ = false;
    bool permissions_ = false;
};

TEST_F(FileReplaceTest, AFailedWriteSaysWhyInAPlayersWords) {
    fs::create_directory(dir / "locked");
    lftest::writeFileText(dir / "plain", "a file where a folder should be");
    struct Case {
        const char *what;
        const char *name;
        int64_t failChange;
        int64_t stopAtByte;
        PlatformFileError expected;
    };
    const Case cases[] = {
        {"written", "slot.sav", 0, 0, PlatformFileError::kNone},
        {"a change fails", "slot.sav", 3, 0, PlatformFileError::kNoRoom},
        {"the folder's sync fails", "slot.sav", 7, 0, PlatformFileError::kNoRoom},
        {"writes stop at a byte", "slot.sav", 0, 2, PlatformFileError::kNoRoom},
        {"no folder", "plain/slot.sav", 0, 0, PlatformFileError::kOther},
        {"a read-only folder", "locked/slot.sav", 0, 0, PlatformFileError::kNoPermission},
    };
    ReadOnlyFolder locked(dir / "locked");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.expected == PlatformFileError::kNoPermission && !locked.made())
            continue; // root, on a file system without the immutable flag
        fileHooksReset();
        fileHooksFailChange(c.failChange, false);
        fileHooksStopWritesAt(c.stopAtByte);
        PlatformFileError error = PlatformFileError::kOther;
        const std::string text = "new bytes";
        EXPECT_EQ(platformReplaceFile((dir / c.name).c_str(), text.data(), text.size(), &error),
                  c.expected == PlatformFileError::kNone);
        EXPECT_EQ(int(error), int(c.expected));
    }
}

// The process's file-size limit stands in for a disk that fills up: the write past it fails (EFBIG, as
// a full disk is told) after the bytes before it were stored.
TEST_F(FileReplaceTest, ACopyCutOffPartWayLeavesTheTargetAsItWasAndNoTemporary) {
    lftest::writeFileBytes(dir / "evening.ogg", std::vector<unsigned char>(300000, 0x5A));
    lftest::writeFileText(dir / "older.ogg", "an older copy");
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    rlimit limited = unlimited;
    limited.rlim_cur = 100000;
    const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string from = (dir / "evening.ogg").string();
    const bool fresh = platformCopyFile(from.c_str(), (dir / "fresh.ogg").c_str(), false);
    const bool over = platformCopyFile(from.c_str(), (dir / "older.ogg").c_str(), false);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, signalBefore);
    EXPECT_FALSE(fresh);
    EXPECT_FALSE(over);
    EXPECT_EQ(listing(), (std::vector<std::string>{"evening.ogg", "older.ogg"}));
    EXPECT_TRUE(text("older.ogg") == "an older copy") << fs::file_size(dir / "older.ogg") << " bytes";
}

TEST_F(FileReplaceTest, ARenameAsideNeverReplacesAFileOfAnyCase) {
    lftest::writeFileText(dir / "Profiles.sav", "damaged");
    lftest::writeFileText(dir / "profiles.SAV.damaged", "set aside before");
    fs::create_directory(dir / "profile_folder");
    PlatformFileError error = PlatformFileError::kNone;
    EXPECT_FALSE(platformRenameFileNoReplace((dir / "profiles.sav").c_str(), (dir / "profiles.sav.damaged").c_str(),
                                             &error));
    EXPECT_FALSE(platformRenameFileNoReplace((dir / "profile_folder").c_str(), (dir / "folder.damaged").c_str()));
    EXPECT_FALSE(platformRenameFileNoReplace((dir / "missing.sav").c_str(), (dir / "missing.damaged").c_str()));
    fileHooksFailChange(1, false);
    EXPECT_FALSE(platformRenameFileNoReplace((dir / "profiles.sav").c_str(), (dir / "profiles.sav.damaged.2").c_str(),
                                             &error));
    EXPECT_EQ(int(error), int(PlatformFileError::kNoRoom));
    EXPECT_EQ(listing(), (std::vector<std::string>{"Profiles.sav", "profile_folder", "profiles.SAV.damaged"}));
    EXPECT_TRUE(platformRenameFileNoReplace((dir / "profiles.sav").c_str(), (dir / "profiles.sav.damaged.2").c_str(),
                                            &error));
    EXPECT_EQ(int(error), int(PlatformFileError::kNone));
    EXPECT_EQ(text("profiles.sav.damaged.2"), "damaged");
    EXPECT_EQ(text("profiles.SAV.damaged"), "set aside before");
}

} // namespace
