// Video decoding speed against ffmpeg. Two 10-second 1280x720 clips are made by ffmpeg's Theora
// encoder: "clean" (a test pattern) and "noisy" (the same with film grain, which makes every frame
// expensive to decode). Ours: every frame decoded and converted to 0xAARRGGBB by a clip on this
// thread, read from a loose file through the resource layer, the clock held at 0 so no frame is late;
// then the same clean clip through the manager's worker thread, this thread taking each frame as it
// comes (timed from the first). The peer: ffmpeg on one thread decoding to BGRA, its own "rtime".
// Each is run 5 times; the lines at the end give the medians and their ratio. Given a film (the demo's
// cut-scene) as its argument, it times that too, and gives its decode time per frame against the 20 ms
// budget of a frame at 50 frames a second.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "video/HoTheoraOstilDataSource.h"
#include "video/TheoraFrameQueue.h"
#include "video/TheoraThread.h"
#include "video/TheoraVideoClip.h"
#include "video/TheoraVideoClip_Theora.h"
#include "video/TheoraVideoManager.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
constexpr int kFrames = 250;

[[noreturn]] void fail(const std::string &why) {
    std::fprintf(stderr, "bench_video: %s\n", why.c_str());
    std::exit(1);
}

// Runs a shell command; its standard output and error.
std::string runCommand(const std::string &command) {
    std::string output;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        fail("cannot run " + command);
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    if (pclose(pipe) != 0)
        fail("failed: " + command + "\n" + output);
    return output;
}

void makeClip(const fs::path &path, const std::string &filters) {
    runCommand("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1280x720:rate=25" + filters +
               " -t 10 -pix_fmt yuv420p -c:v libtheora -q:v 7 '" + path.string() + "'");
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// ffmpeg's real time for decoding the clip to BGRA on one thread.
double ffmpegMilliseconds(const fs::path &clip) {
    std::string output = runCommand("ffmpeg -nostdin -threads 1 -benchmark -i '" + clip.string() +
                                    "' -pix_fmt bgra -f rawvideo -y /dev/null");
    size_t at = output.find("rtime=");
    if (at == std::string::npos)
        fail("no rtime in ffmpeg's output");
    return std::atof(output.c_str() + at + 6) * 1000.0;
}

HoTheoraOstilDataSource *openSource(const std::string &name) {
    auto *source = new HoTheoraOstilDataSource(name.c_str());
    if (source->open() != 0)
        fail("cannot open " + name);
    return source;
}

// Every frame decoded and converted on this thread; the time and the number of frames.
double decodeOnThisThread(const std::string &name, int *frames) {
    Clock::time_point start = Clock::now();
    HoTheoraOstilDataSource *source = openSource(name);
    TheoraVideoClip_Theora clip(source, 1, 4, false);
    clip.load(source);
    *frames = 0;
    while (!clip.isDone()) {
        clip.decodeNextFrame();
        while (clip.getFrameQueue()->getFirstAvailableFrame()) {
            ++*frames;
            clip.popFrame();
        }
    }
    return millisecondsSince(start);
}

// The manager's worker decodes; this thread takes each frame as it comes, timed from the first.
double decodeOnTheWorker(TheoraVideoManager &manager, const std::string &name, int *frames) {
    TheoraVideoClip *clip = manager.createVideoClip(openSource(name));
    *frames = 0;
    Clock::time_point start;
    while (*frames < kFrames && !clip->isDone()) {
        if (!clip->getFrameQueue()->getFirstAvailableFrame()) {
            threadSleep(0);
            continue;
        }
        if (*frames == 0)
            start = Clock::now();
        ++*frames;
        clip->popFrame();
    }
    double elapsed = millisecondsSince(start);
    manager.destroyVideoClip(clip);
    return elapsed;
}

void printLine(const char *what, const char *clip, bool withFrames, int frames, const std::vector<double> &ours,
               const std::vector<double> &peer) {
    double a = median(ours), b = median(peer);
    std::string framesPart = withFrames ? " frames=" + std::to_string(frames) : "";
    std::printf("video %s clip=%s%s ours_ms=%.1f ffmpeg_ms=%.1f ratio=%.3f\n", what, clip, framesPart.c_str(), a, b,
                b > 0 ? a / b : 0.0);
}

} // namespace

int main(int argc, char **argv) {
    const char *film = argc > 1 ? argv[1] : nullptr;
    fs::path folder = fs::temp_directory_path() / ("lf_bench_video_" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::snprintf(dataPath, sizeof dataPath, "%s", folder.c_str());
    if (!KResource::fileSystemArchive)
        KResource::fileSystemArchive = new KResourceArchiveDirect();
    std::fprintf(stderr, "bench_video: making the clips\n");
    makeClip(folder / "clean.ogv", "");
    makeClip(folder / "noisy.ogv", ",noise=alls=12:allf=t");
    if (film)
        fs::copy_file(film, folder / "film.ogv");

    struct Result {
        std::vector<double> ours, peer;
        int frames = 0;
    } clean, noisy, worker, filmResult;
    TheoraVideoManager manager(1);
    manager.setDefaultNumPrecachedFrames(4);
    for (int run = 0; run < kRuns; run++) {
        for (auto [name, result] : {std::pair{"clean.ogv", &clean}, std::pair{"noisy.ogv", &noisy}}) {
            result->ours.push_back(decodeOnThisThread(name, &result->frames));
            result->peer.push_back(ffmpegMilliseconds(folder / name));
        }
        if (film) {
            filmResult.ours.push_back(decodeOnThisThread("film.ogv", &filmResult.frames));
            filmResult.peer.push_back(ffmpegMilliseconds(folder / "film.ogv"));
        }
        worker.ours.push_back(decodeOnTheWorker(manager, "clean.ogv", &worker.frames));
        worker.peer.push_back(clean.peer.back());
        std::fprintf(stderr, "bench_video: run %d: clean %.1f/%.1f noisy %.1f/%.1f worker %.1f ms\n", run + 1,
                     clean.ours.back(), clean.peer.back(), noisy.ours.back(), noisy.peer.back(),
                     worker.ours.back());
    }
    fs::remove_all(folder);
    printLine("decode", "clean", true, clean.frames, clean.ours, clean.peer);
    printLine("decode", "noisy", true, noisy.frames, noisy.ours, noisy.peer);
    printLine("worker", "clean", false, worker.frames, worker.ours, worker.peer);
    if (film && filmResult.frames > 0) {
        printLine("decode", "film", true, filmResult.frames, filmResult.ours, filmResult.peer);
        std::printf("video film ms_per_frame=%.2f budget_ms=20\n", median(filmResult.ours) / filmResult.frames);
    }
    return 0;
}
