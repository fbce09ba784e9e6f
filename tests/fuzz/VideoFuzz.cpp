// Ogg Theora clips made through the video manager over the game's data source (a file): a clip is
// refused by its load with the library's exception, logged with the file's name, or it plays (decoded,
// shown, sought, rewound, looped and switched to the alpha layout) within the frame size it declared.
// Either way nothing is left behind, and the manager's work lock is free: another thread can make a good
// clip afterwards.

#include <ogg/ogg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/system/KSystemLog.h"
#include "tests/fuzz/FuzzSupport.h"
#include "video/HoTheoraOstilDataSource.h"
#include "video/TheoraGenericException.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoFrame.h"
#include "video/TheoraVideoManager.h"

using namespace fuzz;

namespace {

constexpr int kOpaqueMode = 1;
constexpr int kAlphaMode = 2;
constexpr int kPrecachedFrames = 4;
constexpr int kLargestFrameSide = 8192;
constexpr int64_t kLargestFrameArea = int64_t(1) << 24;
// Each phase of playing converts at most this many pixels (and takes at most kStepsPerPhase steps), so a
// header declaring a huge frame over a few bytes of data still plays in bounded time.
constexpr int64_t kPixelsPerPhase = int64_t(1) << 22;
constexpr int kStepsPerPhase = 48;
constexpr float kGameStep = 0.04f;

// The manager without its decoding thread: this thread decodes as the worker would, so that a run
// is the same every time.
class FuzzVideoManager : public TheoraVideoManager {
public:
    FuzzVideoManager() : TheoraVideoManager(1) { destroyWorkerThreads(); }
};

FuzzVideoManager &videoManager() {
    static auto *manager = new FuzzVideoManager;
    return *manager;
}

std::vector<std::string> candleClip(const std::filesystem::path &out, const std::vector<std::string> &more) {
    std::vector<std::string> argv = {lftest::toolPath("lf-video"), "--scene", "candle", "--out", out.string(),
                                     "--fps", "10", "--seconds", "0.4"};
    argv.insert(argv.end(), more.begin(), more.end());
    return argv;
}

// A small clip by lf-video that every run can load: the clip of the work-lock check.
const std::string &goodClip() {
    static const std::string path = [] {
        const std::filesystem::path clip = processFolder() / "good.ogv";
        FUZZ_CHECK(lftest::runProgram(candleClip(clip, {"--size", "32x32"})) == 0);
        return clip.string();
    }();
    return path;
}

void ffmpegClip(SeedFolder &seeds, const std::string &name, const std::vector<std::string> &arguments) {
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(seeds.scratch(name).string());
    seeds.run(argv);
    seeds.addFile(name, seeds.scratch(name));
}

// testsrc2 pictures by ffmpeg's libtheora encoder.
void pictureClip(SeedFolder &seeds, const std::string &name, const std::string &size, const std::string &pixelFormat,
                 const std::vector<std::string> &more = {}) {
    std::vector<std::string> arguments = {"-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=25", "-frames:v", "4",
                                          "-pix_fmt", pixelFormat, "-c:v", "libtheora"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    ffmpegClip(seeds, name, arguments);
}

// Sets the checksum of every whole Ogg page, so that a mutation reaches the stream's parsers rather than
// being dropped by the page reader's checksum test. Any file may carry right checksums over any bytes.
void setPageChecksums(std::vector<unsigned char> &bytes) {
    constexpr size_t kFixedHeader = 27;
    size_t at = 0;
    while (at + kFixedHeader <= bytes.size()) {
        if (std::memcmp(&bytes[at], "OggS", 4) != 0) {
            at++;
            continue;
        }
        const size_t headerLength = kFixedHeader + bytes[at + 26];
        if (at + headerLength > bytes.size())
            return;
        size_t bodyLength = 0;
        for (size_t i = kFixedHeader; i < headerLength; i++)
            bodyLength += bytes[at + i];
        if (at + headerLength + bodyLength > bytes.size())
            return;
        ogg_page page{&bytes[at], long(headerLength), &bytes[at + headerLength], long(bodyLength)};
        ogg_page_checksum_set(&page);
        at += headerLength + bodyLength;
    }
}

TheoraVideoClip *createClip(const std::string &path) {
    auto *source = new HoTheoraOstilDataSource(path.c_str());
    FUZZ_CHECK(source->open() == 0);
    return videoManager().createVideoClip(source, kOpaqueMode, kPrecachedFrames, false);
}

// A thread of its own that makes and destroys a good clip when asked, as the game's loading would: the
// work lock is free when that is done in time. One thread for the run, since starting a thread for every
// input would cost more than the input.
class WorkLockProbe {
public:
    WorkLockProbe() { std::thread([this] { serve(); }).detach(); }

    bool goodClipMade() {
        std::unique_lock<std::mutex> lock(mutex_);
        asked_ = true;
        done_ = false;
        changed_.notify_all();
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; }) && made_;
    }

private:
    void serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return asked_; });
            asked_ = false;
            lock.unlock();
            TheoraVideoClip *clip = createClip(goodClip());
            videoManager().destroyVideoClip(clip);
            lock.lock();
            made_ = clip != nullptr;
            done_ = true;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool asked_ = false, done_ = false, made_ = false;
};

void checkWorkLockIsFree() {
    static auto *probe = new WorkLockProbe;
    FUZZ_CHECK(probe->goodClipMade());
}

int64_t framePixels(TheoraVideoClip &clip) {
    const int64_t width = clip.getOutputWidth() / (clip.getOutputMode() == kAlphaMode ? 2 : 1);
    return width * clip.getOutputHeight();
}

void checkLoadedClip(TheoraVideoClip &clip) {
    FUZZ_CHECK(clip.getOutputWidth() >= 1 && clip.getOutputWidth() <= kLargestFrameSide);
    FUZZ_CHECK(clip.getOutputHeight() >= 1 && clip.getOutputHeight() <= kLargestFrameSide);
    FUZZ_CHECK(int64_t(clip.getOutputWidth()) * clip.getOutputHeight() <= kLargestFrameArea);
    FUZZ_CHECK(clip.getWidthMargin() >= 0 && clip.getWidthMargin() <= clip.getOutputWidth());
    FUZZ_CHECK(std::isfinite(clip.getFPS()) && clip.getFPS() > 0);
    FUZZ_CHECK(clip.getNumFrames() == -1 || clip.getNumFrames() >= 1);
    FUZZ_CHECK(clip.getNumPrecachedFrames() <= kPrecachedFrames);
}

// Steps as the worker and the game take them, in turn: a pending seek and the next frame decoded; the
// clock moved on and the frame due shown, whole for the output mode.
void playSteps(TheoraVideoClip &clip, int steps) {
    for (int step = 0; step < steps; step++) {
        if (clip.getSeekFrame() >= 0)
            clip.doSeek();
        clip.decodeNextFrame();
        videoManager().update(kGameStep);
        if (TheoraVideoFrame *frame = clip.getNextFrame()) {
            FUZZ_CHECK(int64_t(frame->getBufferSize()) == std::max<int64_t>(framePixels(clip), 1));
            clip.popFrame();
        }
    }
}

void play(TheoraVideoClip &clip) {
    const int steps = int(std::clamp<int64_t>(kPixelsPerPhase / framePixels(clip), 2, kStepsPerPhase));
    clip.play();
    playSteps(clip, steps);
    clip.seek(clip.getNumFrames() > 0 ? clip.getNumFrames() / 2 : 3);
    playSteps(clip, steps);
    clip.rewind();
    FUZZ_CHECK(clip.getNumReadyFrames() == 0 && clip.getSeekFrame() == -1 && !clip.isDone());
    clip.setAutoRestart(true);
    playSteps(clip, steps);
    clip.setOutputMode(kAlphaMode);
    FUZZ_CHECK(clip.getOutputMode() == kAlphaMode);
    playSteps(clip, 2);
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    seeds.run(candleClip(seeds.scratch("candle.ogv"), {"--size", "32x32"}));
    seeds.addFile("candle.ogv", seeds.scratch("candle.ogv"));
    seeds.run(candleClip(seeds.scratch("candle_a.ogv"), {"--size", "16x32", "--alpha"}));
    seeds.addFile("candle_a.ogv", seeds.scratch("candle_a.ogv"));
    // The other chroma layouts, a picture smaller than its coded frame, a key frame every other frame.
    pictureClip(seeds, "422.ogv", "32x16", "yuv422p");
    pictureClip(seeds, "444.ogv", "16x16", "yuv444p");
    pictureClip(seeds, "margins.ogv", "30x18", "yuv420p", {"-g", "2"});
    // A sound track before the picture, which the clip passes over.
    ffmpegClip(seeds, "sound.ogv",
               {"-f", "lavfi", "-i", "sine=frequency=440:duration=0.1", "-f", "lavfi", "-i",
                "testsrc2=size=16x16:rate=25", "-map", "0:a", "-map", "1:v", "-frames:v", "2", "-pix_fmt", "yuv420p",
                "-c:v", "libtheora", "-c:a", "libvorbis"});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    setPageChecksums(bytes);
    const std::string path = inputFile(bytes.data(), bytes.size(), ".ogv");
    clearLogContents();
    TheoraVideoClip *clip = nullptr;
    try {
        clip = createClip(path);
    } catch (_TheoraGenericException &error) {
        std::string text;
        error.writeOutput(text);
        FUZZ_CHECK(getLogContents().find("Unable to create video from data source: " + path + ": " + text) !=
                   std::string::npos);
    } catch (...) {
        FUZZ_CHECK(!"only the library's exception leaves a refused load");
    }
    if (clip) {
        checkLoadedClip(*clip);
        play(*clip);
        videoManager().destroyVideoClip(clip);
    }
    checkWorkLockIsFree();
    return 0;
}
