#pragma once
// The engine's system services: start-up of the system layer, the millisecond timer, paths and
// UTF-8/UTF-16 conversion, special folders, files and folders, threads, the log, the single-instance
// check, message dialogs, opening URLs and the engine's random numbers. All engine text is UTF-8.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/WinTypes.h"

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

void initSystem();
void initTimer();
uint32_t getMilliseconds();

// Paths are returned by value: several threads resolve paths at once.
std::string resolveDataPath(const char *path);
int utf8ToUtf16(const char *text, char16_t *out, int outUnits);
int utf16ToUtf8(const char16_t *text, char *out, int outBytes);
FILE *openFileUtf8(const char *path, const char *mode);

std::string getDocumentsFolder();
std::string getAppDataFolder();
bool createFolder(const char *path);
bool fileExists(const char *path);
typedef bool (*EnumerateFolderCallback)(const char *name, bool isFolder, void *user);
void enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user);

ThreadRecord *startThread(ThreadRecord *record, void (*procedure)(void *, void *), void *argument);
void waitForThread(ThreadRecord *record);

void logMessage(const char *format, ...) __attribute__((format(printf, 1, 2)));

bool checkGameInstance(const char *gameId);
int messageBox(const char *text, const char *firstButton, const char *caption, const char *secondButton);
void showSoundCardError();
void launchUrl(const char *url);

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
