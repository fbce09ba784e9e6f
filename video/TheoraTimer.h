#pragma once
// A clip's playback clock in seconds. The main thread advances it and the worker reads it (and pauses
// it around seeks), so its fields are atomic.

#include <atomic>

class TheoraTimer {
public:
    TheoraTimer() = default;
    virtual ~TheoraTimer() = default;

    virtual float getTime() { return mTime.load(); }
    virtual void update(float timeIncrease);
    virtual void pause() { mPaused = true; }
    virtual void play() { mPaused = false; }
    virtual bool isPaused() { return mPaused.load(); }
    virtual void stop() {}
    virtual void setSpeed(float speed) { mSpeed = speed; }
    virtual float getSpeed() { return mSpeed.load(); }
    virtual void seek(float time) { mTime = time; }

protected:
    std::atomic<float> mTime{0.0f};
    std::atomic<float> mSpeed{1.0f};
    std::atomic<bool> mPaused{false};
};
