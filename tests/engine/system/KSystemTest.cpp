// test-labels: threaded
#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "platform/PlatformOpener.h"
#include "platform/TestHooks.h"
#include "platform/WinBase.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cerrno> // program_invocation_short_name: the name this test program was started by
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Sets (or with a null value removes) an environment variable for one test and re-reads the hooks.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name_(name) {
        const char *old = std::getenv(name);
        hadOld_ = old != nullptr;
        old_ = old ? old : "";
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
        platformReloadTestHooks();
    }
    ~ScopedVariable() {
        if (hadOld_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
        platformReloadTestHooks();
    }

private:
    const char *name_;
    bool hadOld_;
    std::string old_;
};

struct SystemFixture : ::testing::Test {
    void SetUp() override { initSystem(); }
};

TEST_F(SystemFixture, StartUpNamesTheSystemTheProgramFolderAndTheUser) {
    EXPECT_EQ(osCode, 0);
    EXPECT_EQ(std::string(osText).rfind("Linux ", 0), 0u) << osText;
    EXPECT_TRUE(fs::exists(fs::path(dataPath) / program_invocation_short_name));
    EXPECT_NE(userName[0], '\0');
    initSystem(); // a second call does nothing
    EXPECT_TRUE(fs::exists(fs::path(dataPath) / program_invocation_short_name));
}

TEST_F(SystemFixture, MillisecondsCountFromTheStartOfTheTimer) {
    uint32_t first = getMilliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_GE(getMilliseconds() - first, 3u);
}

// Under the fixed clock (set before the program starts) the engine's milliseconds are virtual: they move
// only with frame flips and the main thread's sleeps. Checked in a fresh run of this program.
TEST(FixedClockRun, MillisecondsFollowFlipsAndMainThreadSleeps) {
    if (!std::getenv("LANTERNFALL_FIXED_CLOCK_MS")) {
        setenv("LANTERNFALL_FIXED_CLOCK_MS", "20", 1);
        std::string output;
        int status = lftest::runProgram({fs::read_symlink("/proc/self/exe").string(),
                                         "--gtest_filter=FixedClockRun.*"},
                                        &output);
        unsetenv("LANTERNFALL_FIXED_CLOCK_MS");
        EXPECT_EQ(status, 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }
    initSystem();
    EXPECT_EQ(getMilliseconds(), 0u);
    platformAdvanceFrameClock();
    EXPECT_EQ(getMilliseconds(), 20u);
    Sleep(250);
    EXPECT_EQ(getMilliseconds(), 270u);
    std::thread other([] { Sleep(3); });
    other.join();
    EXPECT_EQ(getMilliseconds(), 270u);
}

TEST_F(SystemFixture, DataPathResolutionForms) {
    std::string data = dataPath;
    EXPECT_EQ(resolveDataPath("data/game.cfg"), data + "/data/game.cfg");
    EXPECT_EQ(resolveDataPath("data\\scenes\\intro.scene"), data + "/data/scenes/intro.scene");
    EXPECT_EQ(resolveDataPath("\\data/x.png"), data + "/data/x.png") << "one leading separator is skipped";
    EXPECT_EQ(resolveDataPath(":data/x.png"), data + "/data/x.png");
    EXPECT_EQ(resolveDataPath(""), data + "/");
    EXPECT_EQ(resolveDataPath(nullptr), data + "/");
    EXPECT_EQ(resolveDataPath("/C:/x"), "C:/x") << "a drive form is kept";
    EXPECT_EQ(resolveDataPath("/etc/passwd"), data + "/etc/passwd") << "only the system's folders are absolute";
    EXPECT_EQ(resolveDataPath((data + "/data/y.png").c_str()), data + "/data/y.png");
}

TEST_F(SystemFixture, PathsUnderTheUserFoldersStayAbsolute) {
    lftest::TempDir dir;
    ScopedVariable home("XDG_DATA_HOME", (dir.str() + "/share").c_str());
    std::string save = dir.str() + "/share/Morvane/Brightmoor_Ambercrest/profiles.sav";
    EXPECT_EQ(resolveDataPath(save.c_str()), save);
    std::string beside = dir.str() + "/shared/x.sav";
    EXPECT_EQ(resolveDataPath(beside.c_str()), std::string(dataPath) + beside) << "a sibling is not inside";
}

TEST_F(SystemFixture, APathLongerThanItsBufferIsRefusedAndLogged) {
    std::string name(300, 'n');
    clearLogContents();
    EXPECT_EQ(resolveDataPath(name.c_str()), "");
    EXPECT_NE(getLogContents().find("System: path is too long"), std::string::npos);
    EXPECT_NE(getLogContents().find(", ERROR\n"), std::string::npos);

    std::string longFile = "/tmp/" + std::string(260, 'f');
    EXPECT_EQ(openFileUtf8(longFile.c_str(), "wb"), nullptr);
    EXPECT_FALSE(fileExists(longFile.c_str()));
    EXPECT_FALSE(createFolder(longFile.c_str()));
}

TEST(TextConversion, Utf8ToUtf16WritesPairsCrLfAndATerminator) {
    char16_t out[16];
    int bytes = utf8ToUtf16("a\xC3\xA9\n\xF0\x9F\x98\x80", out, 16);
    const char16_t expected[] = {u'a', 0xE9, u'\r', u'\n', 0xD83D, 0xDE00, 0};
    EXPECT_EQ(bytes, 14);
    EXPECT_EQ(std::u16string(out), std::u16string(expected));

    // A four-byte form beyond U+10FFFF has no UTF-16 form.
    EXPECT_EQ(utf8ToUtf16("\xF7\xBF\xBF\xBFz", out, 16), 6);
    EXPECT_EQ(std::u16string(out), u"?z");
}

TEST(TextConversion, Utf8ToUtf16StopsShortOfTheBufferEnd) {
    char16_t out[6];
    std::fill(std::begin(out), std::end(out), u'#');
    EXPECT_EQ(utf8ToUtf16("abcdefgh", out, 6), 10) << "four units and the terminator";
    EXPECT_EQ(std::u16string(out), u"abcd");
    EXPECT_EQ(utf8ToUtf16("abc", out, 1), 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(utf8ToUtf16("abc", out, 0), 0);
}

TEST(TextConversion, Utf16ToUtf8CombinesPairsInEitherOrder) {
    const char16_t text[] = {u'a', 0xD83D, 0xDE00, u'\n', 0xDE00, 0xD83D, 0xFFFF, 0};
    char out[32];
    int bytes = utf16ToUtf8(text, out, sizeof out);
    EXPECT_EQ(std::string(out), "a\xF0\x9F\x98\x80\r\n\xF0\x9F\x98\x80\xEF\xBF\xBF");
    EXPECT_EQ(bytes, static_cast<int>(std::string(out).size()) + 1);
}

TEST(TextConversion, Utf16ToUtf8EndsBeforeACharacterThatDoesNotFit) {
    const char16_t text[] = {u'a', u'b', 0x20AC, u'c', 0};
    char out[6];
    EXPECT_EQ(utf16ToUtf8(text, out, sizeof out), 3) << "the euro sign needs 3 bytes of the 4 left";
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(utf16ToUtf8(text, out, 1), 1);
    EXPECT_STREQ(out, "");
}

TEST(TextConversion, RoundTripOfTextWithoutLineFeeds) {
    const char *text = "Brightmoor \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";
    char16_t wide[64];
    char back[64];
    utf8ToUtf16(text, wide, 64);
    utf16ToUtf8(wide, back, sizeof back);
    EXPECT_STREQ(back, text);
}

TEST(KSystemLog, LinesCarryTheTimeAndTheBufferKeepsItsFirst8192Bytes) {
    clearLogContents();
    logMessage("System: %s %d", "hello", 42);
    std::string contents = getLogContents();
    ASSERT_EQ(contents.size(), 27u);
    EXPECT_EQ(contents[2], ':');
    EXPECT_EQ(contents[5], ':');
    EXPECT_EQ(contents.substr(8), ": System: hello 42\n");

    clearLogContents();
    std::string line(89, 'x'); // 100 bytes a line with the time and the line feed
    for (int i = 0; i < 82; i++)
        logMessage("%s", line.c_str());
    logMessage("LAST");
    contents = getLogContents();
    EXPECT_EQ(contents.size(), kLogBufferSize);
    EXPECT_EQ(contents.find("LAST"), std::string::npos);
    EXPECT_EQ(contents.substr(8108, 10), ": " + std::string(8, 'x')) << "the last line is kept as far as it fits";
    EXPECT_EQ(contents.back(), 'x');
}

TEST(KSystemLog, AMessageIsCutAt2047Characters) {
    clearLogContents();
    std::string huge(5000, 'm');
    logMessage("%s", huge.c_str());
    EXPECT_EQ(getLogContents().size(), 10u + 2047u + 1u);
}

void logFromThread(void *argument, void *) {
    auto *count = static_cast<int *>(argument);
    for (int i = 0; i < *count; i++)
        logMessage("Sound: line %d", i);
}

TEST(KSystemLog, SeveralThreadsLogWholeLines) {
    clearLogContents();
    int count = 20;
    ThreadRecord records[3];
    for (ThreadRecord &record : records)
        startThread(&record, logFromThread, &count);
    for (ThreadRecord &record : records)
        waitForThread(&record);
    std::string contents = getLogContents();
    size_t lines = 0;
    for (size_t start = 0; start < contents.size();) {
        size_t end = contents.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(contents.compare(start + 8, 14, ": Sound: line "), 0);
        lines++;
        start = end + 1;
    }
    EXPECT_EQ(lines, 60u);
}

struct ThreadGate {
    std::atomic<bool> open{false};
    std::atomic<int> calls{0};
    void *second = reinterpret_cast<void *>(1);
};

void waitForGate(void *argument, void *second) {
    auto *gate = static_cast<ThreadGate *>(argument);
    gate->second = second;
    gate->calls++;
    EXPECT_TRUE(lftest::waitUntil([gate] { return gate->open.load(); })) << "the gate was never opened";
}

TEST(KSystemThreads, TheFinishedFlagIsSetWhenTheProcedureReturns) {
    ThreadGate gate;
    ThreadRecord record;
    EXPECT_EQ(startThread(&record, waitForGate, &gate), &record);
    ASSERT_NE(record.handle, nullptr);
    EXPECT_EQ(record.argument, &gate);
    EXPECT_TRUE(lftest::waitUntil([&] { return gate.calls.load() > 0; }));
    EXPECT_EQ(record.finished.load(), 0);
    gate.open = true;
    waitForThread(&record);
    EXPECT_EQ(record.finished.load(), 1);
    EXPECT_EQ(record.handle, nullptr);
    EXPECT_EQ(gate.second, nullptr) << "the second argument is always null";
    waitForThread(&record); // a second wait returns at once
    EXPECT_EQ(gate.calls.load(), 1);
}

TEST(KSystemFiles, FilesAreFoundWhateverTheCaseAndFoldersAreListedInOrder) {
    lftest::TempDir dir;
    fs::create_directories(dir / "Data/Music");
    lftest::writeFileText(dir / "Data/Music/Theme.ogg", "OggS");
    lftest::writeFileText(dir / "Data/b.cfg", "");
    lftest::writeFileText(dir / "Data/A.cfg", "");

    EXPECT_TRUE(fileExists((dir.str() + "/data/music/theme.OGG").c_str()));
    EXPECT_TRUE(fileExists((dir.str() + "\\DATA\\MUSIC").c_str()));
    EXPECT_FALSE(fileExists((dir.str() + "/data/music/none.ogg").c_str()));
    EXPECT_FALSE(fileExists(nullptr));

    FILE *file = openFileUtf8((dir.str() + "/DATA/music/THEME.ogg").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char magic[5] = {};
    EXPECT_EQ(std::fread(magic, 1, 4, file), 4u);
    std::fclose(file);
    EXPECT_STREQ(magic, "OggS");

    EXPECT_TRUE(createFolder((dir.str() + "/data/Saves").c_str()));
    EXPECT_TRUE(fs::is_directory(dir / "Data/Saves"));
    EXPECT_TRUE(createFolder((dir.str() + "/data/Saves").c_str()));

    std::vector<std::pair<std::string, bool>> seen;
    enumerateFolder((dir.str() + "/data").c_str(),
                    [](const char *name, bool isFolder, void *user) {
                        static_cast<std::vector<std::pair<std::string, bool>> *>(user)->emplace_back(name, isFolder);
                        return true;
                    },
                    &seen);
    std::vector<std::pair<std::string, bool>> expected = {
        {".", true}, {"..", true}, {"A.cfg", false}, {"Music", true}, {"Saves", true}, {"b.cfg", false}};
    EXPECT_EQ(seen, expected);

    int calls = 0;
    enumerateFolder(dir.str().c_str(), [](const char *, bool, void *user) { return ++*static_cast<int *>(user) < 2; },
                    &calls);
    EXPECT_EQ(calls, 2) << "the walk stops when the callback says so";
    enumerateFolder(nullptr, [](const char *, bool, void *) { return true; }, nullptr);
    enumerateFolder(dir.str().c_str(), nullptr, nullptr);
}

TEST_F(SystemFixture, UserFoldersFollowTheXdgVariablesAndAreCreated) {
    lftest::TempDir dir;
    ScopedVariable data("XDG_DATA_HOME", (dir.str() + "/share").c_str());
    ScopedVariable config("XDG_CONFIG_HOME", (dir.str() + "/config").c_str());
    ScopedVariable home("HOME", (dir.str() + "/home").c_str());
    EXPECT_EQ(getAppDataFolder(), dir.str() + "/share");
    EXPECT_TRUE(fs::is_directory(dir / "share"));
    EXPECT_EQ(getDocumentsFolder(), dir.str() + "/home/Documents");
    EXPECT_TRUE(fs::is_directory(dir / "home/Documents"));

    fs::create_directories(dir / "config");
    lftest::writeFileText(dir / "config/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                         "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                         "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(getDocumentsFolder(), dir.str() + "/home/Papers");
    EXPECT_TRUE(fs::is_directory(dir / "home/Papers"));
}

TEST_F(SystemFixture, WithoutAHomeTheDataFolderIsDefaultedToTheHomeFromTheUserDatabase) {
    lftest::TempDir dir;
    ScopedVariable data("XDG_DATA_HOME", "relative/is/ignored");
    ScopedVariable home("HOME", (dir.str() + "/h").c_str());
    EXPECT_EQ(getAppDataFolder(), dir.str() + "/h/.local/share");
}

TEST_F(SystemFixture, AFolderThatCannotBeMadeGivesTheDataPath) {
    lftest::TempDir dir;
    lftest::writeFileText(dir / "file", "not a folder");
    ScopedVariable data("XDG_DATA_HOME", (dir.str() + "/file/share").c_str());
    EXPECT_EQ(getAppDataFolder(), std::string(dataPath) + "/");
}

TEST(KSystemDialogs, TheAnswerHookAnswersWithoutShowing) {
    ScopedVariable answer("LANTERNFALL_DIALOG_ANSWER", "1");
    testing::internal::CaptureStderr();
    EXPECT_EQ(messageBox("Save the game?", "No", "Lanternfall", "Yes"), 1);
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Lanternfall: Save the game?"), std::string::npos);
}

TEST(KSystemDialogs, WithoutADisplayNothingWaitsAndTheDialogFails) {
    ScopedVariable answer("LANTERNFALL_DIALOG_ANSWER", nullptr);
    ScopedVariable display("DISPLAY", nullptr);
    ScopedVariable wayland("WAYLAND_DISPLAY", nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(messageBox("Something failed", "Quit", "Lanternfall", nullptr), -1);
    showSoundCardError();
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Lanternfall: Something failed"), std::string::npos);
    EXPECT_NE(shown.find("Error: Sound card is disabled or not available"), std::string::npos);
}

// Waits for a file that another process writes whole and renames into place; its first line.
std::string waitForFile(const fs::path &path) {
    EXPECT_TRUE(lftest::waitUntil([&] { return fs::exists(path); })) << path << " was never written";
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

TEST(KSystemShell, UrlsAndDocumentsGoToTheDesktopOpenerWithoutAShell) {
    lftest::TempDir dir;
    fs::path opener = dir / "xdg-open";
    lftest::writeFileText(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"" + (dir / "opened.tmp").string() +
                                      "\"\nmv \"" + (dir / "opened.tmp").string() + "\" \"" +
                                      (dir / "opened").string() + "\"\n");
    chmod(opener.c_str(), 0755);
    std::string path = dir.str() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    ScopedVariable searchPath("PATH", path.c_str());

    launchUrl("https://example.org/survey?id=1&x=$(touch pwned)");
    EXPECT_EQ(waitForFile(dir / "opened"), "https://example.org/survey?id=1&x=$(touch pwned)");
    EXPECT_FALSE(fs::exists("pwned"));

    fs::remove(dir / "opened");
    lftest::writeFileText(dir / "Sound Track.txt", "x");
    launchUrl((dir.str() + "/sound track.txt").c_str());
    EXPECT_EQ(waitForFile(dir / "opened"), "file://" + dir.str() + "/Sound%20Track.txt");

    clearLogContents();
    launchUrl(("https://example.org/" + std::string(300, 'p')).c_str());
    EXPECT_NE(getLogContents().find("System: URL is too long"), std::string::npos);
}

// Whether the opener took the page is learnt from its end, by a thread of its own: an opener that ends well
// took it, and so did one that still runs once it has run a while (it may live as long as the browser), until
// its end says otherwise; one that ends with a failure, is killed or cannot start did not. Each is waited
// for until it has ended, however long its shell takes.
TEST(KSystemShell, TheOpenerTookThePageOnlyWhenItEndedWellOrRunsOn) {
    using Outcome = PlatformOpener::Outcome;
    lftest::TempDir dir;
    const std::string path = dir.str() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    auto startOpener = [&](const char *body) {
        fs::remove(dir / "xdg-open");
        if (body) {
            lftest::writeFileText(dir / "xdg-open", std::string("#!/bin/sh\ncd '") + dir.str() + "'\n" + body + "\n");
            chmod((dir / "xdg-open").c_str(), 0755);
        }
        ScopedVariable searchPath("PATH", body ? path.c_str() : dir.str().c_str());
        return launchUrl("https://example.org/");
    };
    const struct {
        const char *body; // of the opener's script; null: no opener on the PATH
        Outcome outcome;
        const char *failure;
    } cases[] = {
        {"exit 0", Outcome::taken, ""},
        {"exit 4", Outcome::failed, "xdg-open ended with status 4"},
        {"kill -9 $$", Outcome::failed, "xdg-open was ended by signal 9"},
        {nullptr, Outcome::failed, "cannot start xdg-open: No such file or directory"},
    };
    for (const auto &c : cases) {
        const std::shared_ptr<PlatformOpener> opener = startOpener(c.body);
        EXPECT_TRUE(lftest::waitUntil([&] { return opener->ended(); })) << c.body;
        EXPECT_EQ(opener->outcome(), c.outcome) << c.body;
        EXPECT_EQ(opener->failure(), c.failure) << c.body;
        EXPECT_EQ(opener->ran(), c.body != nullptr);
    }
    // The opener that runs on has taken the page for now; ended by a signal later, it did not after all.
    const std::shared_ptr<PlatformOpener> runsOn = startOpener("echo $$ > pid.tmp\nmv pid.tmp runs_on.pid\nexec sleep 600");
    EXPECT_TRUE(lftest::waitUntil([&] { return runsOn->outcome() != Outcome::pending; }));
    EXPECT_EQ(runsOn->outcome(), Outcome::taken);
    EXPECT_FALSE(runsOn->ended());
    kill(std::stoi(waitForFile(dir / "runs_on.pid")), SIGTERM);
    EXPECT_TRUE(lftest::waitUntil([&] { return runsOn->ended(); }));
    EXPECT_EQ(runsOn->outcome(), Outcome::failed);
    EXPECT_EQ(runsOn->failure(), "xdg-open was ended by signal 15");
}

TEST_F(SystemFixture, ASecondStartIsRefusedWhileTheFirstHoldsTheLock) {
    lftest::TempDir dir;
    const lftest::SingleInstanceRelease release;
    ScopedVariable data("XDG_DATA_HOME", dir.str().c_str());
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t first = fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        // The first copy: takes the lock, says so, and waits to be asked to come to the front.
        bool another = checkGameInstance("Lanternfall_Test");
        char signal = another ? 'x' : 'r';
        (void)!write(ready[1], &signal, 1);
        const bool raised = lftest::waitUntil([] { return takeGameInstanceRaiseRequest(); });
        signal = raised ? 'y' : 'n';
        (void)!write(done[1], &signal, 1);
        _exit(0);
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    EXPECT_EQ(signal, 'r') << "the first copy runs";
    EXPECT_TRUE(checkGameInstance("Lanternfall_Test")) << "the second copy finds the first";
    EXPECT_EQ(getGameWindowClassName(), "__ostil_wclass_Lanternfall_Test__");
    ASSERT_EQ(read(done[0], &signal, 1), 1);
    EXPECT_EQ(signal, 'y') << "the first copy was asked to come to the front";
    int status = 0;
    waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_TRUE(fs::exists(dir / "__ostil_wclass_Lanternfall_Test__.lock"));

    EXPECT_FALSE(checkGameInstance("Lanternfall_Test")) << "with the first gone, this copy runs";
    EXPECT_FALSE(checkGameInstance("Lanternfall_Test")) << "and asking again does not find itself";
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        close(fd);
}

} // namespace
