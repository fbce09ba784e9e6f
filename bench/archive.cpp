// Reading a whole game archive: every entry of a 200 MB password-protected zip (thousands of stored
// pictures and deflated texts, made here by Info-ZIP zip -P) loaded through the resource layer, against
// Info-ZIP's own `unzip -P PASSWORD -p ARCHIVE > /dev/null` on the same file. Warm cache, median of 5
// runs each; our figure includes mounting. The mount alone is reported too.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <png.h>

#include "engine/resource/KResource.h"

extern char **environ;

namespace {

constexpr int kPictures = 2000;
constexpr int kPictureSide = 180; // RGB noise: about 97 KB a picture, stored as it is
constexpr int kTexts = 2500;
constexpr size_t kTextSize = 24 * 1024;
constexpr int kRuns = 5;

std::filesystem::path workFolder;
std::string archivePath;
std::vector<std::string> entryNames; // files only
size_t entryCount = 0;               // files and folders
std::vector<double> oursMs, unzipMs, mountMs;

// Encodes RGB pixels of a square picture; false when libpng reports an error.
bool encodePng(FILE *file, const unsigned char *pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, kPictureSide, kPictureSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kPictureSide; y++)
        png_write_row(png, pixels + static_cast<size_t>(y) * kPictureSide * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writeNoisePng(const std::filesystem::path &path, unsigned seed) {
    std::vector<unsigned char> pixels(kPictureSide * kPictureSide * 3);
    for (auto &byte : pixels) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = encodePng(file, pixels.data());
    return std::fclose(file) == 0 && written;
}

void writeText(const std::filesystem::path &path, unsigned seed) {
    std::string text;
    while (text.size() < kTextSize) {
        seed = seed * 1103515245u + 12345u;
        text += "scene " + std::to_string((seed >> 16) % 977) + ": the lantern keeper walks to the " +
                std::to_string((seed >> 8) % 113) + "th step and lights the lamp\n";
    }
    text.resize(kTextSize);
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

// Runs a program with standard output sent to /dev/null; its exit status, or -1.
int runQuietly(const std::vector<std::string> &argv, const std::filesystem::path &folder = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool makeArchive() {
    workFolder = std::filesystem::temp_directory_path() / ("lf-bench-archive-" + std::to_string(getpid()));
    std::filesystem::create_directories(workFolder / "data/pictures");
    std::filesystem::create_directories(workFolder / "data/texts");
    for (int i = 0; i < kPictures; i++) {
        if (!writeNoisePng(workFolder / "data/pictures" / ("picture" + std::to_string(i) + ".png"), i + 1))
            return false;
    }
    for (int i = 0; i < kTexts; i++)
        writeText(workFolder / "data/texts" / ("text" + std::to_string(i) + ".txt"), i + 1);
    archivePath = (workFolder / "data.pak").string();
    return runQuietly({"zip", "-q", "-r", "-n", ".png", "-P", kResourceArchivePassword, archivePath, "data"},
                      workFolder) == 0;
}

bool collectName(const char *name, bool isFolder, void *) {
    entryCount++;
    if (!isFolder)
        entryNames.push_back(name);
    return true;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Mounts the archive and loads every entry; the number of bytes loaded, or 0 on any failure.
uint64_t readEverythingOurselves() {
    if (KResource::addArchive(archivePath.c_str()) != 0)
        return 0;
    uint64_t total = 0;
    for (const std::string &name : entryNames) {
        unsigned char *data = nullptr;
        uint32_t size = 0;
        if (!KResource::loadResource(name.c_str(), &data, &size)) {
            KResource::removeAllArchives();
            return 0;
        }
        total += size;
        std::free(data);
    }
    KResource::removeAllArchives();
    return total;
}

void oursReadAll(benchmark::State &state) {
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        uint64_t bytes = readEverythingOurselves();
        double ms = millisecondsSince(start);
        if (bytes == 0)
            state.SkipWithError("an entry failed to load");
        state.SetIterationTime(ms / 1000);
        oursMs.push_back(ms);
        state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    }
}

void unzipReadAll(benchmark::State &state) {
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int status = runQuietly({"unzip", "-qq", "-P", kResourceArchivePassword, "-p", archivePath});
        double ms = millisecondsSince(start);
        if (status != 0)
            state.SkipWithError("unzip failed");
        state.SetIterationTime(ms / 1000);
        unzipMs.push_back(ms);
    }
}

void oursMount(benchmark::State &state) {
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int32_t result = KResource::addArchive(archivePath.c_str());
        double ms = millisecondsSince(start);
        KResource::removeAllArchives();
        if (result != 0)
            state.SkipWithError("mount failed");
        state.SetIterationTime(ms / 1000);
        mountMs.push_back(ms);
    }
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (!makeArchive()) {
        std::fprintf(stderr, "bench_archive: cannot make the archive in %s\n", workFolder.c_str());
        std::filesystem::remove_all(workFolder);
        return 1;
    }
    if (KResource::addArchive(archivePath.c_str()) == 0)
        static_cast<KResourceArchive *>(KResource::archives().head)->enumerateEntries(collectName, nullptr);
    KResource::removeAllArchives();
    std::printf("archive %s: %.1f MB, %zu files\n", archivePath.c_str(),
                static_cast<double>(std::filesystem::file_size(archivePath)) / 1e6, entryNames.size());

    // One untimed pass of each warms the page cache.
    readEverythingOurselves();
    runQuietly({"unzip", "-qq", "-P", kResourceArchivePassword, "-p", archivePath});

    struct Measure {
        const char *name;
        void (*function)(benchmark::State &);
    };
    const Measure measures[] = {{"archive/ours_read_all", oursReadAll},
                                {"archive/unzip_read_all", unzipReadAll},
                                {"archive/ours_mount", oursMount}};
    for (const Measure &measure : measures) {
        benchmark::RegisterBenchmark(measure.name, measure.function)
            ->Iterations(1)
            ->Repetitions(kRuns)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    // Plain text: colour escapes would run into the summary lines.
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(workFolder);

    double ours = median(oursMs), unzip = median(unzipMs);
    std::printf("archive read ours_ms=%.1f unzip_ms=%.1f ratio=%.2f\n", ours, unzip, unzip > 0 ? ours / unzip : 0.0);
    std::printf("archive mount entries=%zu ours_ms=%.2f\n", entryCount, median(mountMs));
    return 0;
}
