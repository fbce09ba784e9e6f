#pragma once
// One open video, the format-neutral half: its clock, its queue of decoded frames and the rules by
// which the main thread picks the frame to show, drops late frames, loops and asks for seeks. A
// format's subclass reads the data and fills the queue on a worker thread.
//
// Threads: the main thread advances the clock and takes frames; one worker at a time holds the clip
// (its assigned worker) while it decodes. The fields both threads write are atomic. Rewinding and
// changing the output mode hold the manager's work lock while they wait for the worker and do their
// work, so no worker can take the clip in between.

#include <atomic>
#include <string>

#include "video/TheoraMutex.h"

class TheoraAudioInterface;
class TheoraDataSource;
class TheoraFrameQueue;
class TheoraTimer;
class TheoraVideoFrame;
class TheoraWorkerThread;

class TheoraVideoClip {
public:
    // Takes ownership of the source.
    TheoraVideoClip(TheoraDataSource *source, int outputMode, int numPrecachedFrames, bool usePower2Stride);
    virtual ~TheoraVideoClip();
    TheoraVideoClip(const TheoraVideoClip &) = delete;
    TheoraVideoClip &operator=(const TheoraVideoClip &) = delete;

    // The format's half (worker thread, but `load` and `restart` from rewind on the main thread).
    virtual void doSeek() = 0;
    virtual bool _readData() = 0;
    virtual void decodeAudio() = 0;
    // Reads the headers and sets the clip up; throws _TheoraGenericException for a stream it cannot play.
    virtual void load(TheoraDataSource *source) = 0;
    virtual void restart() = 0;
    virtual std::string getDecoderName() = 0;
    virtual bool decodeNextFrame() = 0;
    virtual void updateAudio() = 0;

    // Main thread.
    void update(float timeIncrease);
    // The frame to show now, left at the front of the queue until popFrame; null when none is due.
    TheoraVideoFrame *getNextFrame();
    void popFrame();
    void play();
    void pause();
    bool isPaused();
    // The data has ended and no ready frame is left.
    bool isDone();
    // The worker has read the whole file: no frame is to come but those queued.
    bool isEndOfFile() const { return mEndOfFile.load(); }
    // A frame number below 0 means 0; once the frame count is known, a number past it means the last.
    void seek(int frame);
    // Back to the first frame. A clip still at its start is left as it is: it never waits for the worker.
    void rewind();
    void setAutoRestart(bool autoRestart);
    bool getAutoRestart() const { return mAutoRestart.load(); }
    void setOutputMode(int mode);
    int getOutputMode() const { return mOutputMode.load(); }
    int getRequestedOutputMode() const { return mRequestedOutputMode.load(); }
    // The decoded width, halved for output modes with alpha beside the colour.
    int getWidth();
    int getHeight();
    float getFPS() const { return mFPS; }
    float getDuration() const { return mDuration; }
    int getNumFrames() const { return mNumFrames; }
    int getNumPrecachedFrames();
    int getNumReadyFrames();
    int getNumDisplayedFrames() const { return mNumDisplayedFrames.load(); }
    int getNumDroppedFrames() const { return mNumDroppedFrames.load(); }
    int getIteration() const { return mIteration.load(); }
    int getLastIteration() const { return mLastIteration; }
    std::string getName() { return mName; }
    void setAudioInterface(TheoraAudioInterface *iface);
    TheoraTimer *getTimer() { return mTimer; }
    TheoraFrameQueue *getFrameQueue() { return mFrameQueue; }

    // The frame size the converter is handed (the whole decoded frame) and its margins.
    int getOutputWidth() const { return mOutputWidth; }
    int getOutputHeight() const { return mOutputHeight; }
    int getWidthMargin() const { return mWidthMargin; }

    // Scheduling (the manager).
    bool isBusy();
    // Lower is needier: the ready frames, plus half the queue while paused.
    float calculatePriority();
    TheoraWorkerThread *getAssignedWorker() const { return mAssignedWorker.load(); }
    void setAssignedWorker(TheoraWorkerThread *worker) { mAssignedWorker.store(worker); }
    int getSeekFrame() const { return mSeekFrame.load(); }

protected:
    // Sleeps 1 ms at a time while a worker holds the clip.
    void waitForWorker();
    // Nothing has been handed out, dropped or skipped, and no seek or loop is under way: the clock stands at
    // 0 and the queue holds the first frames of the file in order.
    bool standsAtStart();
    // The frame number the clip can seek to.
    int clampedSeekFrame(int frame) const;

    TheoraFrameQueue *mFrameQueue = nullptr;
    TheoraAudioInterface *mAudioInterface = nullptr;
    TheoraDataSource *mStream = nullptr;
    TheoraTimer *mTimer = nullptr;
    TheoraTimer *mDefaultTimer = nullptr;
    std::atomic<TheoraWorkerThread *> mAssignedWorker{nullptr};
    bool mUseAlpha = false;
    std::atomic<int> mNumDroppedFrames{0};
    std::atomic<int> mNumDisplayedFrames{0};
    int mNumPrecachedFrames = 0;
    std::atomic<int> mSeekFrame{-1};
    float mDuration = -1.0f;
    float mFrameDuration = 0.0f;
    float mFPS = 1.0f;
    std::string mName;
    int mWidth = 0;
    int mHeight = 0;
    int mStride = 0;
    int mOutputWidth = 0;
    int mOutputHeight = 0;
    int mWidthMargin = 0;
    int mHeightMargin = 0;
    int mNumFrames = -1;
    float mAudioGain = 1.0f;
    std::atomic<int> mOutputMode{0};
    std::atomic<int> mRequestedOutputMode{0};
    std::atomic<bool> mAutoRestart{false};
    std::atomic<bool> mEndOfFile{false};
    std::atomic<bool> mRestarted{false};
    std::atomic<int> mIteration{0};
    int mLastIteration = 0;
    bool mUsePower2Stride = false;
    // A change of output mode made the queue afresh: frames decoded before it are gone (main thread).
    bool mQueueRemade = false;
    TheoraMutex mAudioMutex;
};
