// What the machine itself costs a frame, whatever the game does: the figures that the walk-through's frame
// times (bench_demo_frames) stand on. Two measures, run pinned as that benchmark is, e.g.
// `taskset -c 0,1 build/release/bench/bench_machine_floor`:
//  - memory: the time to write a picture's worth of memory (8 MiB) that the process has just mapped, that
//    it wrote a moment ago, and that it wrote and then left alone for 1, 3 and 10 seconds, and to read it
//    warm and after 10 idle seconds; in ms per MiB.
//    On a virtual machine whose host takes back the memory a guest leaves idle, the first and the idle
//    cases cost many times the warm one: a frame that makes or first draws a large picture pays for it.
//  - steady work: as many "frames" as the walk-through has, each the same fixed computation of about a
//    millisecond on memory kept warm, back to back; their p50, p99, max and count over 16 ms are what the
//    machine adds to a frame that does nothing unusual (time taken by the host or other processes).
// It prints the lines
//   machine_floor memory (ms per MiB) first_write=X remapped_write=X warm_write=X idle1s_write=X idle3s_write=X
//     idle10s_write=X warm_read=X idle10s_read=X
//   machine_floor steady frames=N p50_ms=X p99_ms=X max_ms=X over_16ms=N

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMiB = size_t(1) << 20;
constexpr size_t kPictureBytes = 8 * kMiB; // about one 1920 x 1080 picture of 32-bit pixels
constexpr int kFreshSamples = 5;
constexpr int kFrames = 9183;            // the walk-through's frames
constexpr size_t kWorkBytes = 256 * 1024; // stays in the processor's caches
constexpr double kFrameBudgetMs = 16.0;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Writes every byte, as a picture's first upload or a clear does; the sum read back keeps the stores.
double writeMsPerMiB(unsigned char *memory, size_t bytes, int value) {
    const auto start = Clock::now();
    std::memset(memory, value, bytes);
    const double ms = msSince(start);
    volatile unsigned char keep = memory[bytes / 2];
    (void)keep;
    return ms / double(bytes / kMiB);
}

unsigned char *mapFresh(size_t bytes) {
    void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : static_cast<unsigned char *>(memory);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    if (values.empty())
        return 0.0;
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

// Reads every eighth byte, more than one a cache line, as sampling a picture does.
double readMsPerMiB(const unsigned char *memory, size_t bytes) {
    const auto start = Clock::now();
    unsigned sum = 0;
    for (size_t at = 0; at < bytes; at += 8)
        sum += memory[at];
    const double ms = msSince(start);
    volatile unsigned keep = sum;
    (void)keep;
    return ms / double(bytes / kMiB);
}

bool measureMemory() {
    std::vector<double> fresh;
    for (int i = 0; i < kFreshSamples; i++) {
        unsigned char *memory = mapFresh(kPictureBytes);
        if (!memory)
            return false;
        fresh.push_back(writeMsPerMiB(memory, kPictureBytes, i + 1));
        munmap(memory, kPictureBytes);
    }
    unsigned char *memory = mapFresh(kPictureBytes);
    if (!memory)
        return false;
    writeMsPerMiB(memory, kPictureBytes, 1);
    const double warm = writeMsPerMiB(memory, kPictureBytes, 2);
    const double warmRead = readMsPerMiB(memory, kPictureBytes);
    const int idleSeconds[3] = {1, 3, 10};
    double idle[3];
    for (int i = 0; i < 3; i++) {
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds[i]));
        idle[i] = writeMsPerMiB(memory, kPictureBytes, 3 + i);
    }
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds[2]));
    const double idleRead = readMsPerMiB(memory, kPictureBytes);
    munmap(memory, kPictureBytes);
    // The first mapping is memory the process never had; the later ones take back what it just gave.
    std::printf("machine_floor memory (ms per MiB) first_write=%.3f remapped_write=%.3f warm_write=%.3f "
                "idle1s_write=%.3f idle3s_write=%.3f idle10s_write=%.3f warm_read=%.3f idle10s_read=%.3f\n",
                fresh.front(), median({fresh.begin() + 1, fresh.end()}), warm, idle[0], idle[1], idle[2], warmRead,
                idleRead);
    return true;
}

// A fixed computation over warm memory; its result is returned so that it is not left out.
uint64_t work(const std::vector<uint64_t> &words, int rounds) {
    uint64_t sum = 0;
    for (int round = 0; round < rounds; round++)
        for (uint64_t word : words)
            sum = sum * 31 + (word ^ uint64_t(round));
    return sum;
}

void measureSteadyWork() {
    std::vector<uint64_t> words(kWorkBytes / sizeof(uint64_t), 0x9e3779b97f4a7c15ull);
    // Rounds that take about a millisecond here, found from a tenth of a second's worth.
    int rounds = 1;
    for (;;) {
        const auto start = Clock::now();
        volatile uint64_t keep = work(words, rounds);
        (void)keep;
        if (msSince(start) >= 1.0)
            break;
        rounds *= 2;
    }
    std::vector<double> frames;
    frames.reserve(kFrames);
    uint64_t total = 0;
    for (int i = 0; i < kFrames; i++) {
        const auto start = Clock::now();
        total += work(words, rounds);
        frames.push_back(msSince(start));
    }
    const auto over = std::count_if(frames.begin(), frames.end(), [](double ms) { return ms > kFrameBudgetMs; });
    std::printf("machine_floor steady frames=%d p50_ms=%.2f p99_ms=%.2f max_ms=%.2f over_16ms=%ld "
                "(checksum %llu)\n",
                kFrames, median(frames), percentile(frames, 0.99),
                *std::max_element(frames.begin(), frames.end()), long(over), (unsigned long long)(total & 0xff));
}

} // namespace

int main() {
    if (!measureMemory()) {
        std::fprintf(stderr, "machine_floor: no memory to map\n");
        return 1;
    }
    measureSteadyWork();
    return 0;
}
