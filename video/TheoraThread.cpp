#include "video/TheoraThread.h"

#include "platform/WinBase.h"

namespace {

DWORD runThread(void *thread) {
    static_cast<TheoraThread *>(thread)->execute();
    return 0;
}

} // namespace

TheoraThread::~TheoraThread() {
    if (mId)
        join();
}

void TheoraThread::start() {
    mThreadRunning = true;
    mId = CreateThread(nullptr, 0, runThread, this, 0, nullptr);
}

void TheoraThread::join() {
    mThreadRunning = false;
    if (!mId)
        return;
    WaitForSingleObject(mId, INFINITE);
    CloseHandle(mId);
    mId = nullptr;
}

void threadSleep(int milliseconds) {
    platformSleepRealTime(static_cast<DWORD>(milliseconds > 0 ? milliseconds : 0));
}
