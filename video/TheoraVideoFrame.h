#pragma once
// One decoded frame of a clip's queue: its pixels, its number and the clock time it is due.
//
// A frame passes between the worker and the main thread by two flags: the worker takes a free frame
// (in use), fills it and sets ready (a release, so the pixels are visible to whoever sees ready); the
// main thread shows it once due and then hands it back (neither flag).

#include <atomic>
#include <cstddef>
#include <cstdint>

struct YCbCrConversion;
class TheoraVideoClip;

class TheoraVideoFrame {
public:
    explicit TheoraVideoFrame(TheoraVideoClip *parent);
    virtual ~TheoraVideoFrame();
    TheoraVideoFrame(const TheoraVideoFrame &) = delete;
    TheoraVideoFrame &operator=(const TheoraVideoFrame &) = delete;

    // Converts the decoded planes with the converter of the clip's output mode (modes other than 1 and
    // 2 write nothing) and marks the frame ready.
    virtual void decode(YCbCrConversion &conversion);

    uint32_t *getBuffer() { return mBuffer; }
    // The number of pixels the buffer holds (0 without a buffer).
    size_t getBufferSize() const { return mBuffer ? mBufferSize : 0; }
    // Neither ready nor in use.
    void clear();
    bool isReady() const { return mReady.load(std::memory_order_acquire); }
    bool isInUse() const { return mInUse.load(std::memory_order_acquire); }
    void setInUse(bool inUse) { mInUse.store(inUse, std::memory_order_release); }
    void setReady(bool ready) { mReady.store(ready, std::memory_order_release); }

    TheoraVideoClip *mParent;
    unsigned char *mPackedBuffer = nullptr; // packed layouts are not produced here
    uint32_t *mBuffer = nullptr;            // 0xAARRGGBB, rows packed
    int mFrameNumber = 0;
    bool mIsSubFrame = true;
    float mTimeToDisplay = 0.0f;
    int mIteration = 0;

private:
    size_t mBufferSize = 0;
    std::atomic<bool> mReady{false};
    std::atomic<bool> mInUse{false};
};
