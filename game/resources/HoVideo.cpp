#include "game/resources/HoVideo.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

#include "engine/graphics/KGraphic.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/util/ReadWholeFile.h"
#include "platform/PixelAllocator.h"
#include "platform/TestHooks.h"
#include "video/HoTheoraOstilDataSource.h"
#include "video/TheoraFrameQueue.h"
#include "video/TheoraGenericException.h"
#include "video/TheoraTimer.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoFrame.h"
#include "video/TheoraVideoManager.h"

namespace {

constexpr char kAlphaEnding[] = "_a.ogv";
constexpr int kOpaqueMode = 1;
constexpr int kAlphaMode = 2; // colour on the left, its grey mask on the right
// How long a scripted run waits at most for the worker to decode the frame due.
constexpr std::chrono::seconds kDueFrameWait{2};

} // namespace

TheoraVideoManager *HoVideo::videoManagerOf(HoResourceManager *manager) {
    return manager && manager->context ? manager->context->videos : nullptr;
}

void HoVideo::releaseObject() {
    delete picture;
    picture = nullptr;
    freePixels();
}

void HoVideo::load(HoResourceManager *manager) {
    if (clip)
        return;
    TheoraVideoManager *videos = videoManagerOf(manager);
    if (!videos) {
        reportOpenFailure(manager, "no video manager");
        return;
    }
    source = new HoTheoraOstilDataSource(filePath);
    if (source->open() != 0) {
        delete source;
        source = nullptr;
        reportOpenFailure(manager, "the file cannot be opened");
        return;
    }
    // The mode is chosen when the clip is made, before its worker can decode the first frame.
    alpha = std::strstr(name, kAlphaEnding) != nullptr;
    std::string failure;
    try {
        clip = videos->createVideoClip(source, alpha ? kAlphaMode : kOpaqueMode, 0, false);
    } catch (_TheoraGenericException &error) {
        error.writeOutput(failure);
    } catch (const std::exception &error) {
        failure = error.what();
    }
    // The clip owns the source from here on, and deletes it with itself also when it could not be made.
    source = nullptr;
    if (!clip) {
        reportOpenFailure(manager, failure.c_str());
        return;
    }
    pictureWidth_ = clip->getOutputWidth() / (alpha ? 2 : 1);
    pictureHeight_ = clip->getOutputHeight();
    allocatePixels();
    clip->pause();
    playing = false;
    openedIn_ = manager->context;
    openedOnFrame_ = manager->context->frameUnderWay;
    frameCopied_ = false;
}

void HoVideo::reportOpenFailure(HoResourceManager *manager, const char *reason) {
    // A later request tries again.
    fileTime = 0;
    if (manager && manager->context)
        manager->context->callMessageHook("Can't open video");
    logMessage("Game: cannot open video %s (%s), ERROR", filePath, reason);
}

void HoVideo::hold(HoResourceManager *manager) {
    acquire(manager);
    if (useCount == 1 && !clip && !dataFileExists(filePath))
        reportOpenFailure(manager, "the file cannot be found");
}

void HoVideo::unload(HoResourceManager *manager) {
    if (TheoraVideoManager *videos = videoManagerOf(manager); videos && clip) {
        if (playing)
            clip->pause();
        videos->destroyVideoClip(clip);
    }
    clip = nullptr;
    freePixels();
    playing = false;
}

void HoVideo::allocatePixels() {
    freePixels();
    const size_t count = size_t(std::max(pictureWidth_, 0)) * size_t(std::max(pictureHeight_, 0));
    pixels_ = count ? allocatePixelWords(count) : nullptr;
    pixelCount_ = pixels_ ? count : 0;
}

void HoVideo::freePixels() {
    freePixelWords(pixels_, pixelCount_);
    pixels_ = nullptr;
    pixelCount_ = 0;
    newFrame = false;
}

bool HoVideo::hasDueFrame() {
    if (clip->isPaused())
        return true;
    if (clip->getSeekFrame() != -1)
        return false;
    // Late frames that have later ones behind them are dropped here, as when the frame is taken.
    const TheoraVideoFrame *frame = clip->getNextFrame();
    if (frame && clip->getTimer()->getTime() <= frame->mTimeToDisplay + 1.0f / clip->getFPS())
        return true;
    // None due yet, or the first frames of a loop's next pass waiting for its wrap.
    if (!frame && clip->getFrameQueue()->getFirstAvailableFrame())
        return true;
    // Behind: the worker brings the frame due unless the file is read whole or the queue has no room.
    return clip->isEndOfFile() || clip->getNumReadyFrames() >= clip->getNumPrecachedFrames();
}

// Polls in real time: a sleep of the main thread would move the fixed clock on.
void HoVideo::waitForDueFrame() {
    const auto deadline = std::chrono::steady_clock::now() + kDueFrameWait;
    while (!hasDueFrame() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool HoVideo::openedThisFrame() const {
    return openedIn_ && openedOnFrame_ != 0 && openedIn_->frameUnderWay == openedOnFrame_;
}

void HoVideo::updateFrame() {
    if (clip && platformFixedClockEnabled()) {
        // The frame that opened the clip shows what it showed before, while the worker decodes the first
        // frames beside the rest of it: they are shown from the next frame on, always that one.
        if (openedThisFrame())
            return;
        waitForDueFrame();
    }
    TheoraVideoFrame *frame = clip ? clip->getNextFrame() : nullptr;
    if (!frame)
        return;
    currentFrame = float(frame->mFrameNumber + 1);
    if (const uint32_t *framePixels = frame->getBuffer()) {
        // Bounded by both buffers: a clip switched to another output mode holds frames of another size.
        const size_t count = std::min(pixelCount_, frame->getBufferSize());
        std::copy_n(framePixels, count, pixels_);
        newFrame = count > 0;
        frameCopied_ = frameCopied_ || newFrame;
    }
    clip->popFrame();
}

KGraphic *HoVideo::getFrameGraphic() {
    if (newFrame && picture)
        picture->createFromPixels(pixels_, pictureWidth_, pictureHeight_, true, alpha);
    newFrame = false;
    return picture;
}
