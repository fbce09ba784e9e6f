#pragma once
// Shared by the fuzz targets. Every <Name>Fuzz.cpp of this folder is one libFuzzer program: it defines
// LLVMFuzzerTestOneInput, which hands the input to one loader and checks the loader's contract, and
// fuzzSeeds, which writes the target's seed corpus with the real encoders. Started as
// "fuzz_<Name> --make-seeds FOLDER" a target writes its seeds and exits; the build does that for every
// target. Inputs that once broke a loader are made here too, so the regression pass keeps them fixed.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// The folder a target's seeds are written to, one file per seed, and a scratch folder for encoders.
class SeedFolder {
public:
    explicit SeedFolder(std::filesystem::path folder);

    void add(const std::string &name, const Bytes &bytes);
    void add(const std::string &name, const std::string &text);
    // Copies a file an encoder wrote; a missing file stops the build.
    void addFile(const std::string &name, const std::filesystem::path &file);
    // Runs an encoder (no shell); a failure stops the build with its command line.
    void run(const std::vector<std::string> &argv);
    // ImageMagick's convert with the arguments, writing scratch()/name, which becomes a seed. A last
    // argument ending in ':' (such as "png24:") is the output format.
    void magick(const std::string &name, std::vector<std::string> arguments);

    std::filesystem::path scratch(const std::string &name) const { return scratch_ / name; }

private:
    std::filesystem::path folder_;
    lftest::TempDir scratchDir_;
    std::filesystem::path scratch_ = scratchDir_.path();
};

// The input as text ending in a NUL, for loaders that read C strings.
std::string inputText(const uint8_t *data, size_t size);

// Writes the input to a file of this process (named with `suffix`) for loaders that open a path, and
// gives its path.
std::string inputFile(const uint8_t *data, size_t size, const std::string &suffix = "");

// A private folder of this process, removed at exit.
const std::filesystem::path &processFolder();

} // namespace fuzz

// A broken contract is a finding: the message names it and the process aborts.
#define FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            std::fprintf(stderr, "fuzz contract broken at %s:%d: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                                      \
        }                                                                                                      \
    } while (0)

// Written by each target.
void fuzzSeeds(fuzz::SeedFolder &seeds);
