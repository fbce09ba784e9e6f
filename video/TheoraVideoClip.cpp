#include "video/TheoraVideoClip.h"

#include <algorithm>

#include "video/TheoraAudioInterface.h"
#include "video/TheoraDataSource.h"
#include "video/TheoraFrameQueue.h"
#include "video/TheoraThread.h"
#include "video/TheoraTimer.h"
#include "video/TheoraVideoFrame.h"
#include "video/TheoraVideoManager.h"

namespace {

bool modeHasAlpha(int mode) {
    for (int alphaMode : {2, 4, 7, 9, 13, 15, 18, 20}) {
        if (mode == alphaMode)
            return true;
    }
    return false;
}

// Holds the manager's work lock (when a manager exists) for a scope: no worker can be handed the clip
// while the main thread waits for the current one and then works on the clip itself.
class ManagerWorkLock {
public:
    ManagerWorkLock() : manager_(TheoraVideoManager::getManager()) {
        if (manager_)
            manager_->getWorkMutex().lock();
    }
    ~ManagerWorkLock() {
        if (manager_)
            manager_->getWorkMutex().unlock();
    }
    ManagerWorkLock(const ManagerWorkLock &) = delete;
    ManagerWorkLock &operator=(const ManagerWorkLock &) = delete;

private:
    TheoraVideoManager *manager_;
};

} // namespace

TheoraVideoClip::TheoraVideoClip(TheoraDataSource *source, int outputMode, int numPrecachedFrames,
                                 bool usePower2Stride)
    : mStream(source), mNumPrecachedFrames(numPrecachedFrames), mName(source ? source->repr() : ""),
      mUsePower2Stride(usePower2Stride) {
    mTimer = mDefaultTimer = new TheoraTimer();
    setOutputMode(outputMode);
}

TheoraVideoClip::~TheoraVideoClip() {
    waitForWorker();
    delete mDefaultTimer;
    delete mStream;
    delete mFrameQueue;
    if (mAudioInterface) {
        TheoraMutexLock guard(mAudioMutex);
        delete mAudioInterface;
    }
}

void TheoraVideoClip::waitForWorker() {
    while (mAssignedWorker.load())
        threadSleep(1);
}

int TheoraVideoClip::clampedSeekFrame(int frame) const {
    if (mNumFrames > 0)
        frame = std::min(frame, mNumFrames - 1);
    return std::max(frame, 0);
}

void TheoraVideoClip::update(float timeIncrease) {
    if (mTimer->isPaused())
        return;
    mTimer->update(timeIncrease);
    float time = mTimer->getTime();
    if (time < mDuration || !mAutoRestart || !mRestarted)
        return;
    // The decoder has begun the next pass: the clock goes round, and the frame at the front is shown
    // as the first of the new pass while the end frames queued behind it are dropped.
    mIteration = 1 - mIteration;
    mTimer->seek(std::min(time - mDuration, 1.0f));
    mRestarted = false;
    TheoraVideoFrame *front = mFrameQueue->getFirstAvailableFrame();
    if (!front || front->mTimeToDisplay <= 0.5f)
        return;
    front->mTimeToDisplay = time - mDuration;
    front->mIteration = 1 - front->mIteration;
    int dropped = mFrameQueue->popReadyBehindFront(0.5f);
    mNumDisplayedFrames += dropped;
    if (dropped > 0)
        TheoraVideoManager::logMessage("dropped " + std::to_string(dropped) + " end frames");
}

TheoraVideoFrame *TheoraVideoClip::getNextFrame() {
    if (mSeekFrame != -1)
        return nullptr;
    const float time = mTimer->getTime();
    for (;;) {
        TheoraVideoFrame *front = mFrameQueue->getFirstAvailableFrame();
        if (!front || time < front->mTimeToDisplay)
            return nullptr;
        if (time <= front->mTimeToDisplay + mFrameDuration || mFrameQueue->getReadyCount() < 2) {
            mLastIteration = front->mIteration;
            return front;
        }
        // Late. The new pass's first frames wait for the loop wrap rather than being dropped.
        if (mRestarted && front->mTimeToDisplay < 2.0f)
            return nullptr;
        mNumDroppedFrames++;
        mNumDisplayedFrames++;
        mFrameQueue->pop();
    }
}

void TheoraVideoClip::popFrame() {
    mNumDisplayedFrames++;
    mFrameQueue->pop();
}

void TheoraVideoClip::play() {
    mTimer->play();
}

void TheoraVideoClip::pause() {
    mTimer->pause();
}

bool TheoraVideoClip::isPaused() {
    return mTimer->isPaused();
}

bool TheoraVideoClip::isDone() {
    return mEndOfFile && !mFrameQueue->getFirstAvailableFrame();
}

void TheoraVideoClip::seek(int frame) {
    mSeekFrame = clampedSeekFrame(frame);
    mEndOfFile = false;
}

bool TheoraVideoClip::standsAtStart() {
    return mSeekFrame == -1 && !mRestarted && !mEndOfFile && !mQueueRemade && mIteration == 0 &&
           mNumDisplayedFrames == 0 && mTimer->getTime() == 0.0f;
}

void TheoraVideoClip::rewind() {
    // A clip that has shown, dropped and skipped nothing keeps what its worker decoded so far: those are the
    // first frames in order, which a rewind would only decode again, after waiting for the worker.
    if (standsAtStart())
        return;
    mEndOfFile = true;
    ManagerWorkLock lock;
    waitForWorker();
    restart();
    mTimer->seek(0);
    mFrameQueue->clear();
    mQueueRemade = false;
    mEndOfFile = false;
    mIteration = 0;
    mRestarted = false;
    mSeekFrame = -1;
}

void TheoraVideoClip::setAutoRestart(bool autoRestart) {
    mAutoRestart = autoRestart;
    if (autoRestart)
        mEndOfFile = false;
}

void TheoraVideoClip::setOutputMode(int mode) {
    if (mode == mOutputMode)
        return;
    mRequestedOutputMode = mode;
    mUseAlpha = modeHasAlpha(mode);
    ManagerWorkLock lock;
    waitForWorker();
    // Frames are sized by the requested mode, so they fit what its converter writes.
    if (mFrameQueue) {
        mFrameQueue->setSize(mFrameQueue->getSize());
        mQueueRemade = true;
    }
    mOutputMode = mRequestedOutputMode.load();
}

int TheoraVideoClip::getWidth() {
    return mUseAlpha ? mWidth / 2 : mWidth;
}

int TheoraVideoClip::getHeight() {
    return mHeight;
}

int TheoraVideoClip::getNumPrecachedFrames() {
    return mFrameQueue ? mFrameQueue->getSize() : 0;
}

int TheoraVideoClip::getNumReadyFrames() {
    if (mSeekFrame != -1 || !mFrameQueue)
        return 0;
    return mFrameQueue->getReadyCount();
}

void TheoraVideoClip::setAudioInterface(TheoraAudioInterface *iface) {
    TheoraMutexLock guard(mAudioMutex);
    mAudioInterface = iface;
}

bool TheoraVideoClip::isBusy() {
    return mAssignedWorker.load() || mOutputMode != mRequestedOutputMode;
}

float TheoraVideoClip::calculatePriority() {
    float priority = static_cast<float>(getNumReadyFrames());
    if (mTimer->isPaused())
        priority += static_cast<float>(getNumPrecachedFrames() / 2);
    return priority;
}
