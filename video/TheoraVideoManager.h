#pragma once
// The one object through which videos are played: it owns the decoding threads and every open clip,
// makes and destroys clips over data sources, tells each worker which clip to decode next (the one
// most in need of frames), advances every clip's clock once per logic step, and writes the library's
// log (into the engine's log, one line per line).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "video/TheoraMutex.h"

class TheoraAudioInterfaceFactory;
class TheoraDataSource;
class TheoraVideoClip;
class TheoraWorkerThread;

class TheoraVideoManager {
public:
    // Throws _TheoraGenericException when asked for fewer than one worker thread.
    explicit TheoraVideoManager(int numWorkerThreads = 1);
    virtual ~TheoraVideoManager();
    TheoraVideoManager(const TheoraVideoManager &) = delete;
    TheoraVideoManager &operator=(const TheoraVideoManager &) = delete;

    // The live manager, or null.
    static TheoraVideoManager *getManager();

    // The clip takes ownership of the source, also when the stream cannot be read: then the source is
    // deleted with the half-made clip and the exception from its `load` passes on to the caller.
    // 0 precached frames takes the manager's default.
    TheoraVideoClip *createVideoClip(TheoraDataSource *source, int outputMode = 1, int numPrecachedFrames = 0,
                                     bool usePower2Stride = false);
    // Waits for a worker that holds the clip, then deletes it (and its source). Null is ignored.
    void destroyVideoClip(TheoraVideoClip *clip);
    // For the workers: the clip this worker shall decode next (now assigned to it), or null.
    TheoraVideoClip *requestWork(TheoraWorkerThread *worker);
    // For idle workers: how many clips were made so far, and a wait of at most `idle` until that count
    // moves past `seen`, so that a new clip's first frames are decoded at once rather than after the sleep.
    uint64_t getClipsCreated();
    void waitForNewClip(uint64_t seen, std::chrono::milliseconds idle);
    // Main thread: advances every clip by the time in seconds.
    void update(float timeIncrease);
    // Main thread: some clip has room for frames its worker is still to decode (its file not read whole).
    bool hasClipsAwaitingFrames();

    static void logMessage(const std::string &text);
    TheoraAudioInterfaceFactory *getAudioInterfaceFactory() { return mAudioFactory; }
    int getDefaultNumPrecachedFrames() const { return mDefaultNumPrecachedFrames; }
    void setDefaultNumPrecachedFrames(int count) { mDefaultNumPrecachedFrames = count; }
    int getNumWorkerThreads() const { return static_cast<int>(mWorkerThreads.size()); }
    // The lock over the clip list and the workers' assignments.
    TheoraMutex &getWorkMutex() { return *mWorkMutex; }

    void getVersion(int *major, int *minor, int *revision);
    std::string getVersionString();

protected:
    void createWorkerThreads(int count);
    void destroyWorkerThreads();

    std::vector<TheoraWorkerThread *> mWorkerThreads;
    std::vector<TheoraVideoClip *> mClips;
    int mDefaultNumPrecachedFrames = 8;
    TheoraMutex *mWorkMutex = nullptr;
    TheoraAudioInterfaceFactory *mAudioFactory = nullptr;

private:
    std::mutex mNewClipMutex;
    std::condition_variable mNewClip;
    uint64_t mClipsCreated = 0;
};
