// The player's options file: every option read stays in its range, and what is saved reads back the same.

#include <cmath>

#include "engine/system/KSystem.h"
#include "game/HoGame.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

HoGame &game() {
    static HoGame *game = [] {
        auto *made = new HoGame(lanternfallSettings());
        std::snprintf(made->statePath, sizeof made->statePath, "%s", processFolder().c_str());
        std::filesystem::create_directories(processFolder() / "Velt");
        return made;
    }();
    return *game;
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    HoGame &options = game();
    options.saveOptions();
    seeds.addFile("defaults.cfg", options.optionsFilePath());
    options.parseOptions("fullscreen=0\nmusic=0.2\nsfx=1\nvoice=0.015\nhd_graphics=0\n");
    options.saveOptions();
    seeds.addFile("changed.cfg", options.optionsFilePath());
    seeds.add("odd.cfg", std::string("music=-3\r\nsfx=1e40\rvoice=nan\nfullscreen=99999999999999999999\n=\nx"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    HoGame &options = game();
    options.options = GameOptions();
    options.parseOptions(inputText(data, size).c_str());
    const GameOptions read = options.options;
    for (int32_t i = 0; i < kGameOptionCount; i++) {
        const float value = read.get(GameOptionIndex(i));
        FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
    }
    options.saveOptions();
    options.options = GameOptions();
    options.readOptions();
    // Volumes are written with three decimals.
    for (int32_t i = 0; i < kGameOptionCount; i++)
        FUZZ_CHECK(std::fabs(options.options.get(GameOptionIndex(i)) - read.get(GameOptionIndex(i))) <= 0.0006f);
    return 0;
}
