#pragma once
// The engine's system services: start-up of the system layer, the millisecond timer, paths and
// UTF-8/UTF-16 conversion, special folders, files and folders, threads, the log, the single-instance
// check, message dialogs, opening URLs and the engine's random numbers. All engine text is UTF-8.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/WinBase.h"
#include "platform/WinTypes.h"

class PlatformOpener;

// Process-wide state set once by initSystem.
extern int32_t osCode;
extern char osText[256];
extern char dataPath[MAX_PATH];
extern char userName[256];
extern bool systemCursorHidden;

// A thread started by startThread; owned by the caller.
struct ThreadRecord {
    HANDLE handle = nullptr;
    void (*procedure)(void *argument, void *second) = nullptr;
    void *argument = nullptr;
    void *second = nullptr;
    std::atomic<uint8_t> finished{0};
};

// Runs once, first thing in main; later calls do nothing.
void initSystem();
void initTimer();
uint32_t getMilliseconds();

// Paths are returned by value: several threads resolve paths at once. A path that would be longer than
// MAX_PATH - 1 bytes is refused: the error is logged and the result is empty.
std::string resolveDataPath(const char *path);
// Conversions between UTF-8 and UTF-16; a line feed becomes CR LF. Output is cut to the buffer and always
// terminated; the result is the count of bytes written, terminator included (0 when nothing fits).
int utf8ToUtf16(const char *text, char16_t *out, int outUnits);
int utf16ToUtf8(const char16_t *text, char *out, int outBytes);
// Opens a file by its UTF-8 path; the name is found on disk without regard to letter case.
FILE *openFileUtf8(const char *path, const char *mode);

// The user's folders, created when missing; the data path when the system cannot name them.
std::string getDocumentsFolder();
std::string getAppDataFolder();
// Creates one folder level; an existing folder is no error. Why it failed goes to `error` when given.
bool createFolder(const char *path, PlatformFileError *error = nullptr);
// True when a file or folder exists at the path (letter case ignored).
bool fileExists(const char *path);
// Calls back for each entry of the folder, "." and ".." included, sorted by name, until it returns false.
typedef bool (*EnumerateFolderCallback)(const char *name, bool isFolder, void *user);
void enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user);

// Starts procedure(argument, nullptr) on a new thread; the record's finished flag is set when it returns.
ThreadRecord *startThread(ThreadRecord *record, void (*procedure)(void *, void *), void *argument);
// Waits for the thread without a time limit; the handle is closed and cleared, so a second wait returns.
void waitForThread(ThreadRecord *record);
// Waits for the thread at most the time given; whether it ended (then as waitForThread). A record without a
// thread has ended.
bool waitForThreadFor(ThreadRecord *record, uint32_t milliseconds);

void logMessage(const char *format, ...) __attribute__((format(printf, 1, 2)));

// True when another copy of the game runs (it has been asked to restore and raise its window).
bool checkGameInstance(const char *gameId);
// Whether this copy holds the single-instance lock: false before checkGameInstance, and after it when the
// lock could not be made.
bool holdsGameInstance();
// The window class name that checkGameInstance set, else "__ostil_default_wclass_".
std::string getGameWindowClassName();
// For the window's message pump: true once per later start of the game that asked this copy to come
// to the front.
bool takeGameInstanceRaiseRequest();

// A modal warning dialog; 0 for the first button or closing it, 1 for the second, -1 when not shown.
int messageBox(const char *text, const char *firstButton, const char *caption, const char *secondButton);
void showSoundCardError();
// Hands the URL (or a document's path) to the desktop's opener; whether it took it is told later by the
// opener returned. A refusal, or an opener that cannot start, is logged and fails at once.
std::shared_ptr<PlatformOpener> launchUrl(const char *url);

// Truncates toward zero, held to the int32 range; not-a-number gives 0. For measures and picks that a file
// or a script can push beyond the range.
int32_t saturatedInt(double value);

// Bounds of a random pick; the whole-number picks take them as whole numbers.
struct RandomRange {
    float min;
    float max;
};
void seedRandom(uint32_t seed);
uint32_t nextRandom();
double randomUnit();
int randomIntInRange(RandomRange range);
float randomFloatInRange(RandomRange range);
int randomInt(int max, int min);

// The engine's stand-in for the C library's rand: per thread, 0..32767, seeded with 1 on each thread.
int crtRand();
void crtSrand(uint32_t seed);
