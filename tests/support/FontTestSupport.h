#pragma once
// Fonts for the tests, made by lf-font from DejaVu Sans: engine fonts with PNG pages, and the game's
// numbered fonts with their pages turned into TGA by lf-image, as the game reads them.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace lftest {

inline const char *dejaVuSans() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; }

// Runs lf-font; true when it succeeded. The font is PREFIX.ktext with pages PREFIX_0.png, ...
inline bool makeFont(const std::string &prefix, int size, const std::string &ranges = "", int outline = 0) {
    std::vector<std::string> argv = {toolPath("lf-font"), "--font", dejaVuSans(), "--size", std::to_string(size),
                                     "--out", prefix};
    if (!ranges.empty())
        argv.insert(argv.end(), {"--ranges", ranges});
    if (outline > 0)
        argv.insert(argv.end(), {"--outline", std::to_string(outline)});
    return runProgram(argv) == 0;
}

// The game's font `number` under `root`: "data/texts/font_N.ktext" and its pages "data/texts/font_N_0.tga", ...
inline bool makeGameFont(const std::filesystem::path &root, int number, int size, const std::string &ranges = "") {
    namespace fs = std::filesystem;
    const fs::path texts = root / "data/texts";
    const fs::path work = root.parent_path() / ("font-work-" + std::to_string(number));
    fs::create_directories(texts);
    fs::create_directories(work);
    const std::string name = "font_" + std::to_string(number);
    if (!makeFont((work / name).string(), size, ranges))
        return false;
    fs::copy_file(work / (name + ".ktext"), texts / (name + ".ktext"), fs::copy_options::overwrite_existing);
    for (int page = 0; fs::exists(work / (name + "_" + std::to_string(page) + ".png")); page++) {
        const std::string stem = name + "_" + std::to_string(page);
        if (runProgram({toolPath("lf-image"), "convert", (work / (stem + ".png")).string(),
                        (texts / (stem + ".tga")).string()}) != 0)
            return false;
    }
    fs::remove_all(work);
    return true;
}

} // namespace lftest
