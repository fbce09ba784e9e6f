#include "video/TheoraWorkerThread.h"

#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoManager.h"

void TheoraWorkerThread::execute() {
    // The running flag was raised by start: raising it here again would undo a join that came first.
    while (mThreadRunning) {
        mClip = mManager->requestWork(this);
        if (!mClip) {
            threadSleep(100);
            continue;
        }
        if (mClip->getSeekFrame() >= 0)
            mClip->doSeek();
        if (!mClip->decodeNextFrame())
            threadSleep(1);
        mClip->setAssignedWorker(nullptr);
        mClip = nullptr;
    }
}
