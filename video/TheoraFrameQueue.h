#pragma once
// A clip's fixed ring of frames. The ready frames are always at the front, in decode order: the worker
// fills frames from the front and the main thread pops from the front, sending the popped frame to the
// back. Every operation holds the queue's lock.

#include <deque>

#include "video/TheoraMutex.h"

class TheoraVideoClip;
class TheoraVideoFrame;

class TheoraFrameQueue {
public:
    explicit TheoraFrameQueue(TheoraVideoClip *parent);
    ~TheoraFrameQueue();
    TheoraFrameQueue(const TheoraFrameQueue &) = delete;
    TheoraFrameQueue &operator=(const TheoraFrameQueue &) = delete;

    // Replaces every frame with n new ones; when memory runs out the queue keeps those it could make.
    void setSize(int n);
    int getSize();
    // The front frame when it is ready, else null.
    TheoraVideoFrame *getFirstAvailableFrame();
    // For the worker: the first frame from the front not in use, now in use and not ready; or null.
    TheoraVideoFrame *requestEmptyFrame();
    // The front frame, cleared, goes to the back.
    void pop();
    // Pops the ready frames right behind the front whose display time is above `after`; how many.
    int popReadyBehindFront(float after);
    void clear();
    int getReadyCount();
    // A new frame for the clip, or null when its pixels cannot be had.
    TheoraVideoFrame *createFrameInstance();

private:
    void deleteFrames();

    std::deque<TheoraVideoFrame *> mQueue;
    TheoraVideoClip *mParent;
    TheoraMutex mMutex;
};
