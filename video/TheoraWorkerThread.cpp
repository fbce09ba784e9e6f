#include "video/TheoraWorkerThread.h"

#include "platform/BackgroundWork.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoManager.h"

void TheoraWorkerThread::execute() {
    // Frames are decoded ahead of their time: each decode waits while a frame of the game is drawn.
    platformMarkBackgroundThread();
    // The running flag was raised by start: raising it here again would undo a join that came first.
    while (mThreadRunning) {
        // Counted before asking, so that a clip made in between ends the idle wait at once.
        const uint64_t clipsSeen = mManager->getClipsCreated();
        mClip = mManager->requestWork(this);
        if (!mClip) {
            mManager->waitForNewClip(clipsSeen, std::chrono::milliseconds(100));
            continue;
        }
        platformGiveWayToFrame();
        if (mClip->getSeekFrame() >= 0)
            mClip->doSeek();
        if (!mClip->decodeNextFrame())
            threadSleep(1);
        mClip->setAssignedWorker(nullptr);
        mClip = nullptr;
    }
}
