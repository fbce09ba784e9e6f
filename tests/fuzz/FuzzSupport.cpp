#include "tests/fuzz/FuzzSupport.h"

#include <cstring>
#include <fstream>

#include "engine/system/KSystem.h"

namespace fuzz {

namespace {

[[noreturn]] void stop(const std::string &reason) {
    std::fprintf(stderr, "fuzz seeds: %s\n", reason.c_str());
    std::exit(1);
}

} // namespace

SeedFolder::SeedFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
}

void SeedFolder::add(const std::string &name, const Bytes &bytes) {
    lftest::writeFileBytes(folder_ / name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

void SeedFolder::add(const std::string &name, const std::string &text) {
    lftest::writeFileText(folder_ / name, text);
}

void SeedFolder::addFile(const std::string &name, const std::filesystem::path &file) {
    std::error_code error;
    if (!std::filesystem::copy_file(file, folder_ / name, std::filesystem::copy_options::overwrite_existing, error))
        stop("cannot copy " + file.string() + ": " + error.message());
}

void SeedFolder::run(const std::vector<std::string> &argv) {
    if (lftest::runProgram(argv) != 0) {
        std::string line;
        for (const std::string &word : argv)
            line += " " + word;
        stop("failed:" + line);
    }
}

void SeedFolder::magick(const std::string &name, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/convert");
    // A last argument such as "png24:" is the output format, written before the output's path.
    if (arguments.back().back() == ':')
        arguments.back() += scratch(name).string();
    else
        arguments.push_back(scratch(name).string());
    run(arguments);
    addFile(name, scratch(name));
}

std::string inputText(const uint8_t *data, size_t size) {
    return std::string(reinterpret_cast<const char *>(data), size);
}

const std::filesystem::path &processFolder() {
    static lftest::TempDir folder;
    return folder.path();
}

std::string inputFile(const uint8_t *data, size_t size, const std::string &suffix) {
    const std::string path = (processFolder() / ("input" + suffix)).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), std::streamsize(size));
    return path;
}

} // namespace fuzz

// Runs before libFuzzer reads its flags: headless devices and a private application-data folder for
// every target, and the seed mode.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("XDG_DATA_HOME", fuzz::processFolder().c_str(), 1);
    unsetenv("LANTERNFALL_LOG");
    initSystem();
    for (int i = 1; i + 1 < *argc; i++) {
        if (std::strcmp((*argv)[i], "--make-seeds") == 0) {
            {
                // Closed before the exit, which skips local destructors, so its scratch folder goes.
                fuzz::SeedFolder seeds((*argv)[i + 1]);
                fuzzSeeds(seeds);
            }
            std::exit(0);
        }
    }
    return 0;
}
