#pragma once
// The kernel-like services of the platform layer: time, sleeping, threads, critical sections, mutexes,
// files and folders, and the program's own folder. Time and threads keep the Windows shapes that the
// engine is written against; files and folders take UTF-8 paths in which '/' and '\' are both separators,
// and an existing file or folder is found whatever the letter case of the name asked for.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// ---- Time -------------------------------------------------------------------------------------------
// The counter is monotonic. Under the fixed-clock test hook (platform/TestHooks.h) it reads virtual time.
BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER *count);
// Milliseconds of the same clock as the counter.
DWORD timeGetTime();

// Sleeps the calling thread; 0 gives up the rest of its time slice. On the main thread under the fixed
// clock, the virtual time advances by the requested time and the thread pauses only briefly.
void Sleep(DWORD milliseconds);
BOOL SwitchToThread();
// Sleeps the calling thread in real time whatever the thread and the test hooks: for threads that wait
// on other threads (polling loops), where virtual time would run ahead of the frames being waited for.
void platformSleepRealTime(DWORD milliseconds);
// The monotonic clock in nanoseconds, real whatever the test hooks, and a sleep until a time of it.
int64_t platformRealNanoseconds();
void platformSleepUntilRealTime(int64_t nanoseconds);

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
void GetLocalTime(SYSTEMTIME *time);

// ---- Threads and waiting ----------------------------------------------------------------------------
typedef DWORD (*LPTHREAD_START_ROUTINE)(void *parameter);

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15

#define STILL_ACTIVE 0x00000103u

// Starts `start(parameter)` on a new thread. Security and creation flags are not used; the stack size is
// honoured when not 0. The handle is closed with CloseHandle (a running thread then runs on detached).
HANDLE CreateThread(void *security, size_t stackSize, LPTHREAD_START_ROUTINE start, void *parameter, DWORD flags,
                    DWORD *threadId);
// A thread handle is signalled when its thread has ended (the first successful wait also joins it);
// a mutex handle is signalled when the caller now owns it. INFINITE waits without limit.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeThread(HANDLE thread, DWORD *exitCode);
BOOL CloseHandle(HANDLE handle);
// A pseudo handle naming the calling thread, valid for SetThreadPriority.
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
// Priorities are recorded but not applied: raising a thread's priority needs privileges on Linux.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// ---- Critical sections (re-entrant by their owning thread) -----------------------------------------
struct CRITICAL_SECTION {
    void *implementation;
};
void InitializeCriticalSection(CRITICAL_SECTION *section);
void DeleteCriticalSection(CRITICAL_SECTION *section);
void EnterCriticalSection(CRITICAL_SECTION *section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION *section);
void LeaveCriticalSection(CRITICAL_SECTION *section);

// ---- Mutexes (re-entrant by their owner; named mutexes are not shared between processes) -----------
HANDLE CreateMutexW(void *security, BOOL initialOwner, const WCHAR *name);
// FALSE when the calling thread does not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);

// ---- The process and the system -------------------------------------------------------------------
// A pseudo handle naming the calling process.
HANDLE GetCurrentProcess();
// The processors the process may run on, as a bit mask (processors 0 to 63), and those of the system.
BOOL GetProcessAffinityMask(HANDLE process, DWORD_PTR *processMask, DWORD_PTR *systemMask);
// How many processors the process may run on (its affinity, which taskset and containers narrow), at
// most LANTERNFALL_MAX_THREADS when that test cap is set; at least 1. The software device's drawing
// threads and the picture decoding workers are this many.
int platformUsableProcessorCount();
// Buffers of up to some megabytes that the game makes and frees at every change of scene (file bytes, rows
// being decoded) reuse the C heap's freed memory instead of a new mapping each, whose every page the kernel
// zeroes on first touch, inside the frame that makes them. Called once at start.
void platformReuseFreedHeapMemory();
// The running system's name and kernel release, such as "Linux 6.1.0-18-amd64".
std::string platformGetSystemDescription();

// ---- Files and folders (UTF-8 paths) ----------------------------------------------------------------
// Longest path the layer accepts; longer paths are refused by the callers that hold fixed buffers.
constexpr size_t kPlatformMaxPath = 4096;

// The path with every '\' turned into '/' and runs of separators made one.
std::string platformNormalizePath(const std::string &path);
// The path of the existing file or folder that matches `path` component by component without regard
// to letter case (an exact match is preferred); empty when there is none.
std::string platformFindPathNoCase(const std::string &path);
// The path to use for a file that may not exist yet: the existing match when there is one, else the
// existing folder found without regard to case joined to the given last name.
std::string platformResolvePathForWriting(const std::string &path);

// fopen on the path: modes that read find the file without regard to case; modes that write reuse an
// existing file of any case or create one in the folder found without regard to case.
FILE *platformOpenFile(const char *path, const char *mode);
// Reads exactly `count` bytes at the offset of the open file without moving its position; threads may read
// one file at once. False on an error or when the file ends first.
bool platformReadFileAt(FILE *file, uint64_t offset, void *out, size_t count);

struct PlatformFileAttributes {
    bool isFolder = false;
    uint64_t size = 0;
    int64_t modificationTime = 0; // seconds since 1970-01-01 00:00 UTC
};
// False when nothing exists at the path (found without regard to case).
bool platformGetFileAttributes(const char *path, PlatformFileAttributes *attributes);

// Why a change of a file failed, in the words a player is told: the disk is full, the folder may not be
// written, or anything else.
// kTimedOut: the disk did not answer in time (a hung network disk; a write given up on after a while).
enum class PlatformFileError : uint8_t { kNone, kNoRoom, kNoPermission, kOther, kTimedOut };
// The words for a system error code (errno) of a file change.
PlatformFileError platformFileErrorOf(int code);

// Creates one folder level; an existing folder is no error. Why it failed goes to `error` when given.
bool platformCreateFolder(const char *path, PlatformFileError *error = nullptr);
// Creates the folder and every missing parent.
bool platformCreateFolderTree(const char *path);

struct PlatformFolderEntry {
    std::string name;
    bool isFolder = false;
};
// The entries of a folder sorted by name (byte order), "." and ".." included; false when the folder
// cannot be read.
bool platformListFolder(const char *path, std::vector<PlatformFolderEntry> *entries);

// Copies a file; with failIfExists an existing destination is left alone and the copy fails. The copy
// goes through platformReplaceFile: a copy that fails leaves the destination as it was (absent, or the
// file it held), and passes the fault hooks. Why it failed goes to `error` when given (a source that cannot
// be read, or a destination that exists where it must not, is kOther).
bool platformCopyFile(const char *from, const char *to, bool failIfExists, PlatformFileError *error = nullptr);


// Replaces a file with `size` bytes so that a failure or a crash at any point leaves either the old file
// or the new one: the bytes go to "<file>.tmp" beside it (the file's existing spelling found without
// regard to case), in pieces of at most 4 MB with every write checked; that file is flushed, synced and
// closed, renamed over the target, and the folder synced. At any failure the temporary is removed and
// the result is false, with why in `error` when one is given. Every change it makes passes the fault
// hooks of platform/FileHooks.h (a change they fail fails as on a full disk).
bool platformReplaceFile(const char *path, const void *data, size_t size, PlatformFileError *error = nullptr);
// Deletes the file that matches the path without regard to case (a folder is never deleted); false when
// nothing was deleted, with why the system refused in `error` when one is given (kNone: there was no such
// file). Passes the fault hooks too.
bool platformDeleteFile(const char *path, PlatformFileError *error = nullptr);
// Gives the file that matches `from` without regard to case the new name `to`, never over a file or
// folder that exists there; false (with why in `error`) when nothing was renamed. Passes the fault hooks.
bool platformRenameFileNoReplace(const char *from, const char *to, PlatformFileError *error = nullptr);

// The folder that holds the running program file, without a trailing separator; empty when unknown.
std::string platformGetModuleFolder();
