#pragma once
// A decoding thread: it asks its manager for the clip most in need of frames, decodes one frame of it
// (after a pending seek), lets it go, and asks again.

#include "video/TheoraThread.h"

class TheoraVideoClip;
class TheoraVideoManager;

class TheoraWorkerThread : public TheoraThread {
public:
    explicit TheoraWorkerThread(TheoraVideoManager *manager) : mManager(manager) {}
    void execute() override;

private:
    TheoraVideoManager *mManager;
    TheoraVideoClip *mClip = nullptr;
};
