// test-labels: threaded
#include "platform/TestHooks.h"
#include "platform/WinBase.h"
#include "tests/support/HookVariableSupport.h"
#include "tests/support/TestSupport.h"

#include <SDL2/SDL.h>
#include <sched.h>
#include <gtest/gtest.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <atomic>
#include <bit>
#include <chrono>
#include <cerrno> // program_invocation_short_name: the name this test program was started by
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

using lftest::ScopedHookVariable;

TEST(CaseInsensitiveLookup, FindsFilesAndFoldersWhateverTheCaseAsked) {
    lftest::TempDir dir;
    fs::create_directories(dir / "Data/Sounds");
    lftest::writeFileText(dir / "Data/Sounds/Click.OGG", "sound");
    std::string expected = (dir / "Data/Sounds/Click.OGG").string();

    EXPECT_EQ(platformFindPathNoCase(dir.str() + "/data/sounds/click.ogg"), expected);
    EXPECT_EQ(platformFindPathNoCase(dir.str() + "\\DATA\\SOUNDS\\CLICK.ogg"), expected);
    EXPECT_EQ(platformFindPathNoCase(dir.str() + "//data///Sounds/click.ogg"), expected);
    EXPECT_EQ(platformFindPathNoCase(dir.str() + "/data/sounds/missing.ogg"), "");
    EXPECT_EQ(platformFindPathNoCase(dir.str() + "/nothing/sounds/click.ogg"), "");
    EXPECT_EQ(platformFindPathNoCase(""), "");
}

TEST(CaseInsensitiveLookup, PrefersTheExactNameAndElseTheSmallestMatch) {
    lftest::TempDir dir;
    lftest::writeFileText(dir / "b.txt", "lower");
    lftest::writeFileText(dir / "B.TXT", "upper");
    lftest::writeFileText(dir / "B.txt", "mixed");
    EXPECT_EQ(platformFindPathNoCase((dir / "b.txt").string()), (dir / "b.txt").string());
    EXPECT_EQ(platformFindPathNoCase((dir / "b.Txt").string()), (dir / "B.TXT").string());
}

TEST(CaseInsensitiveLookup, RelativePathsAreFoundFromTheWorkingFolder) {
    lftest::TempDir dir;
    fs::create_directories(dir / "Level");
    lftest::writeFileText(dir / "Level/Scene.cfg", "x");
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(platformFindPathNoCase("level/scene.CFG"), "Level/Scene.cfg");
    EXPECT_EQ(platformFindPathNoCase("./LEVEL/../level/scene.cfg"), "./Level/../Level/Scene.cfg");
    fs::current_path(previous);
}

TEST(PlatformFiles, OpeningForReadingFindsTheFileAndWritingReusesIt) {
    lftest::TempDir dir;
    fs::create_directories(dir / "Saves");
    lftest::writeFileText(dir / "Saves/Options.cfg", "old");

    FILE *file = platformOpenFile((dir.str() + "/saves/options.cfg").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, 3, file), 3u);
    std::fclose(file);
    EXPECT_STREQ(text, "old");

    file = platformOpenFile((dir.str() + "/SAVES/OPTIONS.CFG").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("new", file);
    std::fclose(file);
    EXPECT_EQ(lftest::readFileBytes(dir / "Saves/Options.cfg").size(), 3u);
    EXPECT_FALSE(fs::exists(dir / "SAVES"));

    // A new file goes into the existing folder, whatever the folder's case asked for.
    file = platformOpenFile((dir.str() + "/saves/profile_1.sav").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_TRUE(fs::exists(dir / "Saves/profile_1.sav"));

    EXPECT_EQ(platformOpenFile((dir.str() + "/saves/none.cfg").c_str(), "rb"), nullptr);
    EXPECT_EQ(platformOpenFile((dir.str() + "/saves").c_str(), "rb"), nullptr);
    EXPECT_EQ(platformOpenFile(nullptr, "rb"), nullptr);
}

TEST(PlatformFiles, ReadsAtAnOffsetLeaveTheFilePositionAlone) {
    lftest::TempDir dir;
    lftest::writeFileText(dir / "data.pak", "0123456789");
    FILE *file = platformOpenFile((dir.str() + "/data.pak").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char part[4] = {};
    EXPECT_TRUE(platformReadFileAt(file, 4, part, 3));
    EXPECT_STREQ(part, "456");
    EXPECT_EQ(std::fgetc(file), '0');
    EXPECT_TRUE(platformReadFileAt(file, 7, part, 3)) << "up to the end";
    EXPECT_FALSE(platformReadFileAt(file, 8, part, 3)) << "past the end";
    std::fclose(file);
    EXPECT_FALSE(platformReadFileAt(nullptr, 0, part, 1));
}

TEST(PlatformFiles, AttributesReportFolderFlagSizeAndTime) {
    lftest::TempDir dir;
    lftest::writeFileText(dir / "Picture.PNG", std::string(1234, 'x'));
    fs::create_directories(dir / "Folder");
    fs::last_write_time(dir / "Picture.PNG", fs::file_time_type::clock::now());

    PlatformFileAttributes attributes;
    ASSERT_TRUE(platformGetFileAttributes((dir.str() + "/picture.png").c_str(), &attributes));
    EXPECT_FALSE(attributes.isFolder);
    EXPECT_EQ(attributes.size, 1234u);
    int64_t now = static_cast<int64_t>(std::time(nullptr));
    EXPECT_NEAR(static_cast<double>(attributes.modificationTime), static_cast<double>(now), 120.0);

    ASSERT_TRUE(platformGetFileAttributes((dir.str() + "/FOLDER").c_str(), &attributes));
    EXPECT_TRUE(attributes.isFolder);
    EXPECT_FALSE(platformGetFileAttributes((dir.str() + "/absent").c_str(), &attributes));
}

TEST(PlatformFolders, CreationOfOneLevelAndOfATree) {
    lftest::TempDir dir;
    EXPECT_TRUE(platformCreateFolder((dir.str() + "/One").c_str()));
    EXPECT_TRUE(platformCreateFolder((dir.str() + "/one").c_str())) << "an existing folder is no error";
    EXPECT_FALSE(fs::exists(dir / "one"));
    EXPECT_FALSE(platformCreateFolder((dir.str() + "/missing/two").c_str()));

    lftest::writeFileText(dir / "plain", "file");
    EXPECT_FALSE(platformCreateFolder((dir.str() + "/plain").c_str())) << "a file is not a folder";

    EXPECT_TRUE(platformCreateFolderTree((dir.str() + "\\a\\b/c").c_str()));
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(platformCreateFolderTree((dir.str() + "/ONE/x").c_str()));
    EXPECT_TRUE(fs::is_directory(dir / "One/x"));
}

TEST(PlatformFolders, ListingIsSortedAndHoldsTheDotEntries) {
    lftest::TempDir dir;
    lftest::writeFileText(dir / "zeta.txt", "");
    lftest::writeFileText(dir / "Alpha.txt", "");
    fs::create_directories(dir / "middle");

    std::vector<PlatformFolderEntry> entries;
    ASSERT_TRUE(platformListFolder(dir.str().c_str(), &entries));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_TRUE(entries[0].isFolder);
    EXPECT_EQ(entries[1].name, "..");
    EXPECT_EQ(entries[2].name, "Alpha.txt");
    EXPECT_FALSE(entries[2].isFolder);
    EXPECT_EQ(entries[3].name, "middle");
    EXPECT_TRUE(entries[3].isFolder);
    EXPECT_EQ(entries[4].name, "zeta.txt");
    EXPECT_FALSE(platformListFolder((dir.str() + "/absent").c_str(), &entries));
}

TEST(PlatformFiles, CopyKeepsTheBytesAndCanRefuseAnExistingTarget) {
    lftest::TempDir dir;
    std::vector<unsigned char> bytes(200000);
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = static_cast<unsigned char>(i * 7);
    lftest::writeFileBytes(dir / "wallpaper.jpg", bytes);
    EXPECT_TRUE(platformCopyFile((dir.str() + "/Wallpaper.JPG").c_str(), (dir.str() + "/copy.jpg").c_str(), true));
    EXPECT_EQ(lftest::readFileBytes(dir / "copy.jpg"), bytes);
    EXPECT_FALSE(platformCopyFile((dir.str() + "/wallpaper.jpg").c_str(), (dir.str() + "/copy.jpg").c_str(), true));
    EXPECT_FALSE(platformCopyFile((dir.str() + "/absent.jpg").c_str(), (dir.str() + "/x.jpg").c_str(), false));
}

TEST(PlatformFiles, ModuleFolderHoldsTheTestProgram) {
    std::string folder = platformGetModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::exists(fs::path(folder) / program_invocation_short_name));
}

DWORD_PTR processMaskOfThisProcess() {
    DWORD_PTR processMask = 0, systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    return processMask;
}

TEST(PlatformSystem, ProcessorMaskAndSystemName) {
    DWORD_PTR processMask = 0, systemMask = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
    EXPECT_NE(processMask, 0u);
    EXPECT_EQ(processMask & systemMask, processMask);
    EXPECT_FALSE(GetProcessAffinityMask(nullptr, &processMask, &systemMask));
    EXPECT_EQ(platformGetSystemDescription().rfind("Linux ", 0), 0u);
}

// The count follows the affinity (a thread made on one processor counts one) and the test cap only lowers it.
TEST(PlatformSystem, UsableProcessorsFollowTheAffinityAndTheTestCap) {
    const int all = platformUsableProcessorCount();
    EXPECT_EQ(all, std::popcount(processMaskOfThisProcess()));
    int pinned = 0;
    std::thread([&] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(std::countr_zero(processMaskOfThisProcess()), &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        pinned = platformUsableProcessorCount();
    }).join();
    EXPECT_EQ(pinned, 1);
    const struct {
        const char *cap;
        int expected;
    } cases[] = {{"1", 1}, {"100000", all}, {"0", all}, {"-2", all}, {"2x", all}, {"", all}};
    for (const auto &c : cases) {
        setenv("LANTERNFALL_MAX_THREADS", c.cap, 1);
        EXPECT_EQ(platformUsableProcessorCount(), c.expected) << "cap '" << c.cap << "'";
    }
    unsetenv("LANTERNFALL_MAX_THREADS");
}

DWORD returnParameter(void *parameter) {
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
}

TEST(PlatformThreads, WaitJoinsAndKeepsTheExitCode) {
    HANDLE thread = CreateThread(nullptr, 0, returnParameter, reinterpret_cast<void *>(uintptr_t{42}), 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "a second wait returns at once";
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(thread));
}

DWORD leaveAnSdlError(void *) {
    SDL_SetError("an error the thread leaves behind");
    return 0;
}

// SDL keeps data per thread, such as the last error: a thread of ours frees it when it ends.
TEST(PlatformThreads, AThreadThatLeavesSdlAnErrorLeaksNothing) {
    HANDLE thread = CreateThread(nullptr, 0, leaveAnSdlError, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

struct Gate {
    std::atomic<bool> open{false};
};

DWORD waitAtGate(void *parameter) {
    auto *gate = static_cast<Gate *>(parameter);
    while (!gate->open.load())
        Sleep(1);
    return 7;
}

TEST(PlatformThreads, AWaitWithALimitTimesOutWhileTheThreadRuns) {
    Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, waitAtGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    gate.open = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(PlatformThreads, ClosingTheHandleOfARunningThreadLetsItFinish) {
    static Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, waitAtGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    gate.open = true;
}

TEST(PlatformThreads, PrioritiesAreRecorded) {
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL));
    EXPECT_FALSE(SetThreadPriority(nullptr, THREAD_PRIORITY_HIGHEST));
}

struct Counter {
    CRITICAL_SECTION section;
    int value = 0;
};

DWORD addUnderNestedLock(void *parameter) {
    auto *counter = static_cast<Counter *>(parameter);
    for (int i = 0; i < 10000; i++) {
        EnterCriticalSection(&counter->section);
        EnterCriticalSection(&counter->section); // re-entered by its owner
        counter->value++;
        LeaveCriticalSection(&counter->section);
        LeaveCriticalSection(&counter->section);
    }
    return 0;
}

TEST(PlatformLocks, CriticalSectionIsReentrantAndExcludesOtherThreads) {
    Counter counter;
    InitializeCriticalSection(&counter.section);
    HANDLE threads[4];
    for (HANDLE &thread : threads)
        thread = CreateThread(nullptr, 0, addUnderNestedLock, &counter, 0, nullptr);
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(counter.value, 40000);
    DeleteCriticalSection(&counter.section);
}

DWORD tryTakeMutex(void *parameter) {
    HANDLE mutex = static_cast<HANDLE>(parameter);
    DWORD result = WaitForSingleObject(mutex, 0);
    if (result == WAIT_OBJECT_0)
        ReleaseMutex(mutex);
    return result;
}

TEST(PlatformLocks, MutexIsOwnedReentrantlyAndOnlyItsOwnerReleasesIt) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0) << "the owner takes it again";

    HANDLE other = CreateThread(nullptr, 0, tryTakeMutex, mutex, 0, nullptr);
    WaitForSingleObject(other, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(other, &code);
    EXPECT_EQ(code, WAIT_TIMEOUT) << "another thread cannot take an owned mutex";
    CloseHandle(other);

    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex)) << "no longer owned";

    other = CreateThread(nullptr, 0, tryTakeMutex, mutex, 0, nullptr);
    WaitForSingleObject(other, INFINITE);
    GetExitCodeThread(other, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    CloseHandle(other);
    EXPECT_TRUE(CloseHandle(mutex));
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
}

TEST(PlatformTime, CounterAndMillisecondsMoveForward) {
    LARGE_INTEGER frequency, first, second;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10000000);
    QueryPerformanceCounter(&first);
    DWORD before = timeGetTime();
    Sleep(2);
    QueryPerformanceCounter(&second);
    EXPECT_GE(second.QuadPart - first.QuadPart, 20000) << "at least the 2 ms slept";
    EXPECT_GE(timeGetTime() - before, 2u);

    SYSTEMTIME local{};
    GetLocalTime(&local);
    EXPECT_GE(local.wYear, 2020);
    EXPECT_LT(local.wHour, 24);
}

TEST(FixedClock, FlipsAndMainThreadSleepsAdvanceVirtualTime) {
    ScopedHookVariable clock("LANTERNFALL_FIXED_CLOCK_MS", "16.5");
    ASSERT_TRUE(platformFixedClockEnabled());
    EXPECT_EQ(timeGetTime(), 0u);
    platformAdvanceFrameClock();
    platformAdvanceFrameClock();
    EXPECT_EQ(timeGetTime(), 33u);
    Sleep(1000); // returns at once: virtual time moves instead
    EXPECT_EQ(timeGetTime(), 1033u);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    EXPECT_EQ(count.QuadPart, 10330000);

    // Other threads sleep in real time and leave the virtual clock alone.
    std::thread other([] { Sleep(5); });
    other.join();
    EXPECT_EQ(timeGetTime(), 1033u);

    // The real-time sleep waits for real on the main thread too and leaves the virtual clock alone.
    auto before = std::chrono::steady_clock::now();
    platformSleepRealTime(5);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(5));
    EXPECT_EQ(timeGetTime(), 1033u);
}

TEST(FixedClock, AFrameAskedToKeepRealTimeFlipsAStepAfterTheFlipBefore) {
    ScopedHookVariable clock("LANTERNFALL_FIXED_CLOCK_MS", "30");
    platformAdvanceFrameClock();
    const auto afterFirstFlip = std::chrono::steady_clock::now();
    platformKeepRealTimeThisFrame();
    platformAdvanceFrameClock();
    EXPECT_GE(std::chrono::steady_clock::now() - afterFirstFlip, std::chrono::milliseconds(29));
    EXPECT_EQ(timeGetTime(), 60u) << "the virtual time moves by its steps alone";
}

TEST(FixedClock, IsOffForZeroNegativeOrUnreadableSteps) {
    for (const char *value : {"0", "-5", "fast", ""}) {
        ScopedHookVariable clock("LANTERNFALL_FIXED_CLOCK_MS", value);
        EXPECT_FALSE(platformFixedClockEnabled()) << value;
        platformAdvanceFrameClock();
        EXPECT_EQ(platformFixedClockNanoseconds(), 0);
    }
}

} // namespace
