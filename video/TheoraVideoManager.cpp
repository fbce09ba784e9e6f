#include "video/TheoraVideoManager.h"

#include <theora/codec.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "engine/system/KSystem.h"
#include "video/TheoraColourConversion.h"
#include "video/TheoraDataSource.h"
#include "video/TheoraGenericException.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoClip_Theora.h"
#include "video/TheoraWorkerThread.h"

namespace {

std::atomic<TheoraVideoManager *> theManager{nullptr};

} // namespace

TheoraVideoManager::TheoraVideoManager(int numWorkerThreads) {
    if (numWorkerThreads < 1)
        THEORA_THROW("Unable to create TheoraVideoManager, at least one worker thread is reqired");
    theManager = this;
    logMessage("Initializing video playback library (" + getVersionString() + ")\n" +
               "  - libtheora version: " + th_version_string() + "\n" +
               "  - libvorbis version: " + vorbis_version_string() + "\n" + std::string(36, '-'));
    mAudioFactory = nullptr;
    mWorkMutex = new TheoraMutex();
    createYUVtoRGBtables();
    createWorkerThreads(numWorkerThreads);
}

TheoraVideoManager::~TheoraVideoManager() {
    destroyWorkerThreads();
    for (TheoraVideoClip *clip : mClips)
        delete clip;
    mClips.clear();
    delete mWorkMutex;
    TheoraVideoManager *self = this;
    theManager.compare_exchange_strong(self, nullptr);
}

TheoraVideoManager *TheoraVideoManager::getManager() {
    return theManager.load();
}

void TheoraVideoManager::createWorkerThreads(int count) {
    for (int i = 0; i < count; i++) {
        auto *worker = new TheoraWorkerThread(this);
        worker->start();
        mWorkerThreads.push_back(worker);
    }
}

void TheoraVideoManager::destroyWorkerThreads() {
    for (TheoraWorkerThread *worker : mWorkerThreads) {
        worker->join();
        delete worker;
    }
    mWorkerThreads.clear();
}

TheoraVideoClip *TheoraVideoManager::createVideoClip(TheoraDataSource *source, int outputMode,
                                                     int numPrecachedFrames, bool usePower2Stride) {
    TheoraMutexLock guard(*mWorkMutex);
    int precached = numPrecachedFrames == 0 ? mDefaultNumPrecachedFrames : numPrecachedFrames;
    std::string name = source->repr();
    logMessage("Creating video from data source: " + name);
    std::unique_ptr<TheoraVideoClip> clip;
    try {
        clip.reset(new TheoraVideoClip_Theora(source, outputMode, precached, usePower2Stride));
    } catch (...) {
        delete source;
        throw;
    }
    try {
        clip->load(source);
    } catch (_TheoraGenericException &error) {
        std::string text;
        error.writeOutput(text);
        logMessage("Unable to create video from data source: " + name + ": " + text);
        throw;
    }
    mClips.push_back(clip.get());
    {
        std::lock_guard<std::mutex> newClip(mNewClipMutex);
        ++mClipsCreated;
    }
    mNewClip.notify_all();
    return clip.release();
}

uint64_t TheoraVideoManager::getClipsCreated() {
    std::lock_guard<std::mutex> newClip(mNewClipMutex);
    return mClipsCreated;
}

void TheoraVideoManager::waitForNewClip(uint64_t seen, std::chrono::milliseconds idle) {
    std::unique_lock<std::mutex> newClip(mNewClipMutex);
    mNewClip.wait_for(newClip, idle, [&] { return mClipsCreated != seen; });
}

void TheoraVideoManager::destroyVideoClip(TheoraVideoClip *clip) {
    if (!clip)
        return;
    logMessage("Destroying video clip: " + clip->getName());
    TheoraMutexLock guard(*mWorkMutex);
    bool waited = false;
    while (clip->getAssignedWorker()) {
        if (!waited) {
            logMessage("Waiting for WorkerThread to finish decoding in order to destroy");
            waited = true;
        }
        threadSleep(1);
    }
    if (waited)
        logMessage("WorkerThread done, destroying..");
    auto listed = std::find(mClips.begin(), mClips.end(), clip);
    if (listed != mClips.end())
        mClips.erase(listed);
    delete clip;
    logMessage("Destroyed video.");
}

TheoraVideoClip *TheoraVideoManager::requestWork(TheoraWorkerThread *worker) {
    TheoraMutexLock guard(*mWorkMutex);
    TheoraVideoClip *best = nullptr;
    float bestPriority = 100000.0f;
    for (TheoraVideoClip *clip : mClips) {
        if (clip->isBusy())
            continue;
        float priority = clip->calculatePriority();
        // A tie goes to the later clip on an even draw; the engine's own generator, per thread, so the
        // worker's draws never shift the game's.
        if (priority < bestPriority || (priority == bestPriority && crtRand() % 2 == 0)) {
            best = clip;
            bestPriority = priority;
        }
    }
    if (best)
        best->setAssignedWorker(worker);
    return best;
}

void TheoraVideoManager::update(float timeIncrease) {
    for (TheoraVideoClip *clip : mClips) {
        clip->update(timeIncrease);
        clip->updateAudio();
    }
}

bool TheoraVideoManager::hasClipsAwaitingFrames() {
    return std::any_of(mClips.begin(), mClips.end(), [](TheoraVideoClip *clip) {
        return !clip->isEndOfFile() && clip->getNumReadyFrames() < clip->getNumPrecachedFrames();
    });
}

void TheoraVideoManager::logMessage(const std::string &text) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ::logMessage("%s", text.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void TheoraVideoManager::getVersion(int *major, int *minor, int *revision) {
    *major = 1;
    *minor = 0;
    *revision = -4;
}

std::string TheoraVideoManager::getVersionString() {
    int major, minor, revision;
    getVersion(&major, &minor, &revision);
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (revision < 0)
        text += " RC" + std::to_string(-revision);
    else if (revision > 0)
        text += "." + std::to_string(revision);
    return text;
}
