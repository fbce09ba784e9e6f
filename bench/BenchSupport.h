#pragma once
// Shared by the benchmark programs: the median time of a piece of work over several runs, in ms, and the
// floor that the text readers set: a text split into lines and blank-separated tokens; and the wait for the
// software device's set-up and its rasteriser.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "game/util/TextReader.h"
#include "game/util/TokenReader.h"
#include "platform/D3D9.h"
#include "platform/DeviceHooks.h"

namespace benchsupport {

// The time of one run of the work, in ms, added to the list.
template <typename Work>
void timeOnce(Work &work, std::vector<double> &times) {
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(work());
    auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
}

inline double median(std::vector<double> &times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <typename Work>
double medianMilliseconds(int runs, Work work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        timeOnce(work, times);
    return median(times);
}

// The medians of two pieces of work run in turn, so that a change in the machine's load between them
// weighs on both alike. With `untimedBefore`, each timed run follows that many untimed runs of the same
// work, so that neither is timed with the caches full of the other's data.
template <typename First, typename Second>
std::pair<double, double> alternatingMedianMilliseconds(int runs, First first, Second second, int untimedBefore = 0) {
    std::vector<double> firstTimes, secondTimes;
    for (int run = 0; run < runs; ++run) {
        for (int untimed = 0; untimed < untimedBefore; ++untimed)
            benchmark::DoNotOptimize(first());
        timeOnce(first, firstTimes);
        for (int untimed = 0; untimed < untimedBefore; ++untimed)
            benchmark::DoNotOptimize(second());
        timeOnce(second, secondTimes);
    }
    return {median(firstTimes), median(secondTimes)};
}

// The work done `times` times in a row as one piece of work, for work too short to be timed alone; the
// sum of what each gave.
template <typename Work>
auto repeated(int times, Work work) {
    return [times, work] {
        long done = 0;
        for (int i = 0; i < times; ++i)
            done += long(work());
        return done;
    };
}

// The floor of a crash-safe save: the bytes written to "<path>.tmp" with plain POSIX write, fsync,
// close, rename over the path, and the folder's fsync. True when every step succeeded.
inline bool replaceFilePlain(const std::string &path, const std::string &folder, const std::string &bytes) {
    const std::string temporary = path + ".tmp";
    int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = descriptor >= 0 && write(descriptor, bytes.data(), bytes.size()) == ssize_t(bytes.size()) &&
              fsync(descriptor) == 0;
    ok = descriptor >= 0 && close(descriptor) == 0 && ok && rename(temporary.c_str(), path.c_str()) == 0;
    int folderDescriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = ok && folderDescriptor >= 0 && fsync(folderDescriptor) == 0;
    if (folderDescriptor >= 0)
        close(folderDescriptor);
    return ok;
}

// The floor of a load: the file read whole with one read into the buffer; the bytes read.
inline size_t readFilePlain(const std::string &path, std::string &buffer) {
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return 0;
    ssize_t read = ::read(descriptor, buffer.data(), buffer.size());
    close(descriptor);
    return read > 0 ? size_t(read) : 0;
}

// Splits the text into lines and their blank-separated tokens with the framework's readers alone; the
// number of tokens.
inline int countTokens(const char *text) {
    TextReader reader;
    reader.attach(text);
    TokenReader tokens(' ');
    int count = 0;
    while (reader.readLine()) {
        tokens.attach(reader.line());
        while (tokens.next())
            ++count;
    }
    return count;
}

// Drawing on the software Direct3D 9 device with one rasteriser thread, headless, and loose files read
// from disk.
inline void useHeadlessSoftwareDevice() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    deviceHooksSetThreadCount(1);
    setRendererType(3);
    if (!KResource::fileSystemArchive)
        KResource::fileSystemArchive = new KResourceArchiveDirect();
}

// Locks the back buffer, which waits for the rasteriser: the frame's pixels are made, and the next frame
// starts afresh.
inline void waitForRasteriser(IDirect3DDevice9 *device) {
    IDirect3DSurface9 *back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DLOCKED_RECT locked;
    back->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    benchmark::DoNotOptimize(locked.pBits);
    back->UnlockRect();
    back->Release();
}

} // namespace benchsupport
