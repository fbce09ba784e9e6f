// The engine log: one line per message, "hh:mm:ss: message", kept in an 8192-byte memory buffer.
// LANTERNFALL_LOG=stderr or LANTERNFALL_LOG=<file> also copies every line to standard error or a file.
// Several threads log (game loading, sound streaming), so the buffer and outputs are locked.

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "platform/WinBase.h"

#include <cstdarg>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

struct LogState {
    std::recursive_mutex lock;
    char memory[kLogBufferSize] = {};
    size_t fill = 0;
    FILE *file = nullptr;
    bool toStandardError = false;
    bool configured = false;
};

LogState &logState() {
    static LogState state;
    return state;
}

thread_local int silenced = 0;

void configureFromEnvironment(LogState &state) {
    if (state.configured)
        return;
    state.configured = true;
    const char *target = std::getenv("LANTERNFALL_LOG");
    if (!target || !*target)
        return;
    if (std::strcmp(target, "stderr") == 0)
        state.toStandardError = true;
    else
        state.file = std::fopen(target, "a");
}

} // namespace

KLogSilence::KLogSilence() { ++silenced; }

KLogSilence::~KLogSilence() { --silenced; }

void logMessage(const char *format, ...) {
    if (silenced)
        return;
    char message[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    SYSTEMTIME local{};
    GetLocalTime(&local);
    char line[2059];
    int length = std::snprintf(line, sizeof line, "%02d:%02d:%02d: %s\n", local.wHour, local.wMinute,
                               local.wSecond, message);
    if (length < 0)
        return;
    size_t lineLength = std::min(static_cast<size_t>(length), sizeof line - 1);

    LogState &state = logState();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    configureFromEnvironment(state);
    if (state.file) {
        std::fwrite(line, 1, lineLength, state.file);
        std::fflush(state.file);
    } else {
        size_t room = kLogBufferSize - state.fill;
        size_t take = std::min(room, lineLength);
        std::memcpy(state.memory + state.fill, line, take);
        state.fill += take;
    }
    if (state.toStandardError) {
        std::fwrite(line, 1, lineLength, stderr);
        std::fflush(stderr);
    }
}

std::string getLogContents() {
    LogState &state = logState();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    return std::string(state.memory, state.fill);
}

void clearLogContents() {
    LogState &state = logState();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    state.fill = 0;
}
