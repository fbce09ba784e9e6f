// Start-up of the system layer, the timer, paths, text conversion, files and folders.

#include "engine/system/KSystem.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/text/KTextEncoding.h"
#include "platform/ShellApi.h"
#include "platform/WinBase.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

int32_t osCode = 0;
char osText[256] = "";
char dataPath[MAX_PATH] = "";
char userName[256] = "";
bool systemCursorHidden = false;

namespace {

constexpr size_t kLongestPath = MAX_PATH - 1;

struct TimerState {
    std::once_flag started;
    LONGLONG frequency = 1;
    LONGLONG startCount = 0;
};

TimerState &timerState() {
    static TimerState state;
    return state;
}

void copyBounded(char *target, size_t targetSize, const std::string &text) {
    size_t length = std::min(text.size(), targetSize - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

void describeOperatingSystem() {
    osCode = 0;
    copyBounded(osText, sizeof osText, platformGetSystemDescription());
    logMessage("System: running on %s", osText);
}

void findDataPath() {
    std::string folder = platformGetModuleFolder();
    if (folder.size() > kLongestPath) {
        logMessage("System: program folder path is too long (%zu bytes): %s, ERROR", folder.size(), folder.c_str());
        folder.clear();
    }
    // Without the program's folder, data is looked for in the working folder rather than at the root.
    copyBounded(dataPath, sizeof dataPath, folder.empty() ? std::string(".") : folder);
    logMessage("System: data path is %s", dataPath);
}

// The processors the program may run on, as the log reports them (the low 32 bits).
unsigned processorMask() {
    DWORD_PTR processMask = 0, systemMask = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask))
        return 0;
    return static_cast<unsigned>(processMask & 0xFFFFFFFFu);
}

// True when `path` is `folder` or lies under it.
bool liesUnder(const std::string &path, const std::string &folder) {
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/' || folder.back() == '/';
}

bool isSystemFolderPath(const std::string &path) {
    return liesUnder(path, dataPath) || liesUnder(path, platformGetAppDataFolder(false)) ||
           liesUnder(path, platformGetDocumentsFolder(false));
}

std::string refusedPath(const char *what, const std::string &path) {
    logMessage("System: %s is too long (%zu bytes, at most %zu): %s, ERROR", what, path.size(), kLongestPath,
               path.c_str());
    return {};
}

bool pathFits(const char *what, const char *path) {
    if (std::strlen(path) <= kLongestPath)
        return true;
    refusedPath(what, path);
    return false;
}

// One of the user's folders, or the data path when the system cannot name it.
std::string userFolderOrDataPath(const std::string &folder, const char *what) {
    if (folder.empty())
        return resolveDataPath("");
    if (folder.size() > kLongestPath)
        return refusedPath(what, folder);
    return folder;
}

} // namespace

void initSystem() {
    static std::once_flag once;
    std::call_once(once, [] {
        platformReuseFreedHeapMemory();
        describeOperatingSystem();
        initTimer();
        findDataPath();
        copyBounded(userName, sizeof userName, platformGetUserName());
        // The input-method editor stays as the window layer sets it up, and dialogs draw their own
        // icon. Last, the plain-folder archive: the resource layer's way to loose files on disk.
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
    });
}

void initTimer() {
    TimerState &state = timerState();
    std::call_once(state.started, [&state] {
        LARGE_INTEGER frequency, count;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&count);
        state.frequency = frequency.QuadPart;
        state.startCount = count.QuadPart;
        logMessage("System: using high-performance counter");
        // The main thread is left free to move between processors: on this system every thread it
        // starts would inherit a pin, and the counter reads alike on every processor.
        logMessage("System: cpu mask is 0x%X", processorMask());
    });
}

uint32_t getMilliseconds() {
    TimerState &state = timerState();
    initTimer();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<uint32_t>((count.QuadPart - state.startCount) * 1000 / state.frequency);
}

std::string resolveDataPath(const char *path) {
    std::string name = platformNormalizePath(path ? path : "");
    std::string result;
    if (!name.empty() && name[0] == '/' && isSystemFolderPath(name)) {
        result = name;
    } else {
        if (!name.empty() && (name[0] == '/' || name[0] == ':'))
            name.erase(0, 1);
        if (name.size() >= 2 && name[1] == ':')
            result = name;
        else
            result = std::string(dataPath) + "/" + name;
    }
    if (result.size() > kLongestPath)
        return refusedPath("path", result);
    return result;
}

int utf8ToUtf16(const char *text, char16_t *out, int outUnits) {
    if (!out || outUnits <= 0)
        return 0;
    int written = 0;
    int32_t index = 0;
    while (text && written < outUnits - 2) {
        uint32_t code = decodeChar(kTextEncodingUtf8, text, &index, true);
        if (code == 0)
            break;
        if (code == '\n') {
            out[written++] = u'\r';
            out[written++] = u'\n';
        } else if (code >= 0x110000) {
            out[written++] = u'?';
        } else if (code > 0xFFFF) {
            uint32_t offset = code - 0x10000;
            out[written++] = static_cast<char16_t>(0xD800 + (offset >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(code);
        }
    }
    out[written++] = u'\0';
    return written * 2;
}

int utf16ToUtf8(const char16_t *text, char *out, int outBytes) {
    if (!out || outBytes <= 0)
        return 0;
    int written = 0;
    for (size_t i = 0; text && text[i]; i++) {
        uint32_t code = text[i];
        uint32_t next = text[i + 1];
        bool highThenLow = code >= 0xD800 && code <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF;
        bool lowThenHigh = code >= 0xDC00 && code <= 0xDFFF && next >= 0xD800 && next <= 0xDBFF;
        if (highThenLow) {
            code = (code - 0xD800) * 0x400 + (next - 0xDC00) + 0x10000;
            i++;
        } else if (lowThenHigh) {
            code = (next - 0xD800) * 0x400 + (code - 0xDC00) + 0x10000;
            i++;
        }
        char encoded[8];
        int32_t length = 0;
        if (code == '\n') {
            encoded[length++] = '\r';
            encoded[length++] = '\n';
        } else {
            encodeChar(kTextEncodingUtf8, code, encoded, &length);
        }
        if (written + length > outBytes - 2)
            break;
        std::memcpy(out + written, encoded, static_cast<size_t>(length));
        written += length;
    }
    out[written++] = '\0';
    return written;
}

FILE *openFileUtf8(const char *path, const char *mode) {
    if (!path || !mode || !pathFits("file path", path))
        return nullptr;
    return platformOpenFile(path, mode);
}

std::string getDocumentsFolder() {
    return userFolderOrDataPath(platformGetDocumentsFolder(), "documents folder path");
}

std::string getAppDataFolder() {
    return userFolderOrDataPath(platformGetAppDataFolder(), "application-data folder path");
}

bool createFolder(const char *path, PlatformFileError *error) {
    if (error)
        *error = PlatformFileError::kOther;
    if (!path || !pathFits("folder path", path))
        return false;
    return platformCreateFolder(path, error);
}

bool fileExists(const char *path) {
    PlatformFileAttributes attributes;
    return path && pathFits("file path", path) && platformGetFileAttributes(path, &attributes);
}

void enumerateFolder(const char *path, EnumerateFolderCallback callback, void *user) {
    if (!path || !callback)
        return;
    // The listing pattern of a folder is its path and "/*.*".
    if (std::strlen(path) + 4 > kLongestPath) {
        refusedPath("folder path", path);
        return;
    }
    std::vector<PlatformFolderEntry> entries;
    if (!platformListFolder(path, &entries))
        return;
    for (const PlatformFolderEntry &entry : entries) {
        if (!callback(entry.name.c_str(), entry.isFolder, user))
            return;
    }
}

int32_t saturatedInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= double(INT32_MAX))
        return INT32_MAX;
    if (value <= double(INT32_MIN))
        return INT32_MIN;
    return int32_t(value);
}
