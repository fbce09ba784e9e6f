#include "video/TheoraFrameQueue.h"

#include <new>

#include "video/TheoraVideoFrame.h"
#include "video/TheoraVideoManager.h"

TheoraFrameQueue::TheoraFrameQueue(TheoraVideoClip *parent) : mParent(parent) {}

TheoraFrameQueue::~TheoraFrameQueue() {
    deleteFrames();
}

void TheoraFrameQueue::deleteFrames() {
    for (TheoraVideoFrame *frame : mQueue)
        delete frame;
    mQueue.clear();
}

TheoraVideoFrame *TheoraFrameQueue::createFrameInstance() {
    TheoraVideoFrame *frame = new (std::nothrow) TheoraVideoFrame(mParent);
    if (frame && !frame->getBuffer() && !frame->mPackedBuffer) {
        delete frame;
        return nullptr;
    }
    return frame;
}

void TheoraFrameQueue::setSize(int n) {
    TheoraMutexLock guard(mMutex);
    deleteFrames();
    for (int i = 0; i < n; i++) {
        TheoraVideoFrame *frame = createFrameInstance();
        if (!frame) {
            TheoraVideoManager::logMessage("TheoraFrameQueue: unable to create " + std::to_string(n) +
                                           " frames, out of memory. Created " + std::to_string(i) + " frames.");
            break;
        }
        mQueue.push_back(frame);
    }
}

int TheoraFrameQueue::getSize() {
    TheoraMutexLock guard(mMutex);
    return static_cast<int>(mQueue.size());
}

TheoraVideoFrame *TheoraFrameQueue::getFirstAvailableFrame() {
    TheoraMutexLock guard(mMutex);
    if (mQueue.empty() || !mQueue.front()->isReady())
        return nullptr;
    return mQueue.front();
}

TheoraVideoFrame *TheoraFrameQueue::requestEmptyFrame() {
    TheoraMutexLock guard(mMutex);
    for (TheoraVideoFrame *frame : mQueue) {
        if (!frame->isInUse()) {
            frame->setReady(false);
            frame->setInUse(true);
            return frame;
        }
    }
    return nullptr;
}

void TheoraFrameQueue::pop() {
    TheoraMutexLock guard(mMutex);
    if (mQueue.empty())
        return;
    TheoraVideoFrame *front = mQueue.front();
    front->clear();
    mQueue.pop_front();
    mQueue.push_back(front);
}

int TheoraFrameQueue::popReadyBehindFront(float after) {
    TheoraMutexLock guard(mMutex);
    int popped = 0;
    while (mQueue.size() > 1 && mQueue[1]->isReady() && mQueue[1]->mTimeToDisplay > after) {
        TheoraVideoFrame *frame = mQueue[1];
        frame->clear();
        mQueue.erase(mQueue.begin() + 1);
        mQueue.push_back(frame);
        popped++;
    }
    return popped;
}

void TheoraFrameQueue::clear() {
    TheoraMutexLock guard(mMutex);
    for (TheoraVideoFrame *frame : mQueue)
        frame->clear();
}

int TheoraFrameQueue::getReadyCount() {
    TheoraMutexLock guard(mMutex);
    int count = 0;
    for (TheoraVideoFrame *frame : mQueue)
        count += frame->isReady() ? 1 : 0;
    return count;
}
