// Threads started for the engine (sound streaming, game loading), with a finished flag that other
// threads may read at any time.

#include "engine/system/KSystem.h"
#include "platform/WinBase.h"

namespace {

DWORD threadTrampoline(void *parameter) {
    auto *record = static_cast<ThreadRecord *>(parameter);
    record->procedure(record->argument, record->second);
    record->finished.store(1, std::memory_order_release);
    return 0;
}

} // namespace

ThreadRecord *startThread(ThreadRecord *record, void (*procedure)(void *, void *), void *argument) {
    record->handle = nullptr;
    record->procedure = procedure;
    record->argument = argument;
    record->second = nullptr;
    record->finished.store(0, std::memory_order_release);
    record->handle = CreateThread(nullptr, 0, threadTrampoline, record, 0, nullptr);
    if (!record->handle)
        logMessage("System: cannot start a thread, ERROR");
    return record;
}

void waitForThread(ThreadRecord *record) {
    waitForThreadFor(record, INFINITE);
}

bool waitForThreadFor(ThreadRecord *record, uint32_t milliseconds) {
    if (!record || !record->handle)
        return true;
    if (WaitForSingleObject(record->handle, milliseconds) != WAIT_OBJECT_0)
        return false;
    CloseHandle(record->handle);
    record->handle = nullptr;
    return true;
}
