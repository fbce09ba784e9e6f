#include "video/TheoraMutex.h"

#include "platform/WinBase.h"

TheoraMutex::TheoraMutex() : handle_(CreateMutexW(nullptr, FALSE, nullptr)) {}

TheoraMutex::~TheoraMutex() {
    if (handle_)
        CloseHandle(handle_);
}

void TheoraMutex::lock() {
    WaitForSingleObject(handle_, INFINITE);
}

void TheoraMutex::unlock() {
    ReleaseMutex(handle_);
}
