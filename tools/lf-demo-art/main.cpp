// lf-demo-art: draws the demo game's pictures.
//   lf-demo-art splash --font PREFIX --out DIR   writes DIR/splash/splash.png, DIR/data/splash/qvx.png,
//                                                DIR/data/splash/qvx_hd.png, DIR/data/splash/MorvaneLogoStatic.png
//   lf-demo-art world --out DIR --scale S        writes the pictures of the system scenes and the locations
//                                                under DIR/data/, S times their design size (1 HD, 0.5 SD)
//   lf-demo-art shore --out DIR --scale S        writes the shore's pictures (the background, the door closed
//                                                and open, the key, its highlight and its inventory icon, the
//                                                crab's steps, the foam) under DIR/data/, S times their size
//   lf-demo-art hall --out DIR --scale S         writes the hall's pictures (the background, the portrait and
//                                                its highlight, the desk's zone) likewise
//   lf-demo-art wick --out DIR --scale S         writes the wick board's pictures (the lamp chamber, the oil
//                                                glass, the drops, the soot, the spark, the burst, the nozzle,
//                                                the trim lever) likewise
//   lf-demo-art study --out DIR --scale S        writes the keeper's study's pictures, the hall's study door,
//                                                cupboard, lamp and logbook page, the gear's halves, the shore's
//                                                rocks, their icons, the HUD's hint, glitter and journal buttons
//                                                and marks, and the journal's page, likewise
//   lf-demo-art mirrors --out DIR --scale S      writes the signal mirrors' pictures (the cliff top with the
//                                                beads' groove, the lantern gun, the beads, the sparks) likewise
//   lf-demo-art lantern --out DIR --scale S      writes the lantern room's pictures (the room, the great
//                                                lantern, the salt on its panes, the lens, lamp and gear set in
//                                                it, the reflector both ways, the glow, the beam), the gallery's
//                                                ladder up and the lens's icon likewise
//   lf-demo-art paused --font PREFIX --out DIR --scale S
//                                                writes the paused menu's panel, DIR/data/system/paused_menu/
//                                                paused_panel.png, S times its design size
//   lf-demo-art password                         prints the password of the game's archives
//   lf-demo-art extras --out DIR --scale S       writes the menus' pictures (the plate, the button, the name
//                                                field) and the hall portrait's sooty glass likewise
//   lf-demo-art end --out DIR --scale S          writes the end scene's pictures (the lighthouse lit at
//                                                daybreak over the boats home, the panel) likewise
//   lf-demo-art wallpapers --out DIR             writes the wallpaper at the six screen sizes, as JPEG, into
//                                                DIR/Velt/wallpapers/
// PREFIX is a font made by lf-font (PREFIX.ktext and its pages PREFIX_0.png, ...). Every picture is painted
// here, from noise, soft shapes, shadows, light and that font. Exit status 0 on success, 1 with the reason on
// standard error.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/image/KImage.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"
#include "engine/text/KText.h"
#include "tools/ToolCommandLine.h"
#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoMaterials.h"
#include "tools/lf-demo-art/DemoPictures.h"
#include "tools/lf-demo-art/Scenery.h"
#include "tools/lf-demo-art/EndArt.h"
#include "tools/lf-demo-art/ExtrasArt.h"
#include "tools/lf-demo-art/LanternArt.h"
#include "tools/lf-demo-art/LocationArt.h"
#include "tools/lf-demo-art/WickArt.h"
#include "tools/lf-demo-art/StudyArt.h"
#include "tools/lf-demo-art/MirrorsArt.h"
#include "tools/lf-demo-art/WorldArt.h"

namespace {

namespace fs = std::filesystem;

using demoart::Canvas;
using demoart::Colour;

// A font made by lf-font: glyph records from its description and its page pictures decoded.
class FontSheet : public KText {
public:
    bool load(const std::string &prefix) {
        int32_t pageCount = 0;
        if (!readDescription((prefix + ".ktext").c_str(), &pageCount))
            return false;
        char name[kTextNameCapacity];
        std::snprintf(name, sizeof name, "%s_0.png", prefix.c_str());
        for (int32_t i = 0; i < pageCount && i < kTextPageCount; i++) {
            std::vector<uint8_t> bytes = readFile(name);
            ImageData image;
            if (bytes.empty() || !decodeImage(kImageFormatPng, bytes.data(), uint32_t(bytes.size()), &image))
                return false;
            sheets.push_back(image);
            if (!nextPageName(name))
                return false;
        }
        return !sheets.empty();
    }
    ~FontSheet() override {
        for (ImageData &image : sheets)
            freeImagePixels(&image);
    }

    float measure(const char *text, float scale) const {
        float width = 0.0f;
        for (const char *p = text; *p; p++) {
            const int32_t index = findGlyph(uint8_t(*p));
            if (index >= 0)
                width += getRecords()[index].advance * scale;
        }
        return width;
    }

    // Text with its top-left corner at (x, y), each glyph cell sampled at the nearest texel.
    void draw(Canvas &canvas, const char *text, float x, float y, float scale, Colour colour) const {
        for (const char *p = text; *p; p++) {
            const int32_t index = findGlyph(uint8_t(*p));
            if (index < 0)
                continue;
            const GlyphRecord &glyph = getRecords()[index];
            if (glyph.page >= 0 && size_t(glyph.page) < sheets.size())
                drawGlyph(canvas, sheets[size_t(glyph.page)], glyph, x + glyph.offsetX * scale, y, scale, colour);
            x += glyph.advance * scale;
        }
    }

private:
    static std::vector<uint8_t> readFile(const char *name) {
        std::ifstream in(name, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static void drawGlyph(Canvas &canvas, const ImageData &sheet, const GlyphRecord &glyph, float x, float y,
                          float scale, Colour colour) {
        const int cellWidth = glyph.srcRight - glyph.srcLeft + 1;
        const int cellHeight = glyph.srcBottom - glyph.srcTop + 1;
        const int outWidth = int(cellWidth * scale + 0.5f), outHeight = int(cellHeight * scale + 0.5f);
        const auto *words = reinterpret_cast<const uint32_t *>(sheet.pixels);
        for (int oy = 0; oy < outHeight; oy++)
            for (int ox = 0; ox < outWidth; ox++) {
                const int sx = glyph.srcLeft + std::min(cellWidth - 1, int(ox / scale));
                const int sy = glyph.srcTop + std::min(cellHeight - 1, int(oy / scale));
                if (sx < 0 || sy < 0 || sx >= int(sheet.width) || sy >= int(sheet.height))
                    continue;
                const float alpha = float(words[size_t(sy) * sheet.width + sx] >> 24) / 255.0f;
                canvas.blend(int(x) + ox, int(y) + oy, colour, alpha);
            }
    }

    std::vector<ImageData> sheets;
};

constexpr char kUsage[] = "usage: lf-demo-art splash --font PREFIX --out DIR\n"
                          "       lf-demo-art world --out DIR --scale S\n"
                          "       lf-demo-art shore --out DIR --scale S\n"
                          "       lf-demo-art hall --out DIR --scale S\n"
                          "       lf-demo-art wick --out DIR --scale S\n"
                          "       lf-demo-art study --out DIR --scale S\n"
                          "       lf-demo-art mirrors --out DIR --scale S\n"
                          "       lf-demo-art lantern --out DIR --scale S\n"
                          "       lf-demo-art paused --font PREFIX --out DIR --scale S\n"
                          "       lf-demo-art password\n"
                          "       lf-demo-art extras --out DIR --scale S\n"
                          "       lf-demo-art end --out DIR --scale S\n"
                          "       lf-demo-art wallpapers --out DIR\n"
                          "The engine's log goes to standard error with LANTERNFALL_LOG=stderr.\n";

// The engine's own lines reach the terminal only when asked for (LANTERNFALL_LOG=stderr).
int fail(const std::string &reason) {
    std::fprintf(stderr, "lf-demo-art: %s\n", reason.c_str());
    return 1;
}

void drawCentred(Canvas &canvas, const FontSheet &font, const char *text, float y, float scale, Colour colour) {
    font.draw(canvas, text, (canvas.width - font.measure(text, scale)) * 0.5f, y, scale, colour);
}

// The start-up pictures are drawn at the wide screen's shape (5:3, 1800 x 1080 at HD), so that each fills
// the screen it is fitted to.
constexpr int kSplashWidth = 1800, kSplashHeight = 1080;

// Stars over the top of a night sky, fewer toward its foot.
void paintStars(Canvas &canvas, float bottom, float size, uint32_t seed) {
    for (int star = 0; star < 220; ++star) {
        seed = seed * 1664525u + 1013904223u;
        const float x = float(seed >> 8 & 0xFFFF) / 65536.0f * float(canvas.width);
        seed = seed * 1664525u + 1013904223u;
        const float t = float(seed >> 8 & 0xFFFF) / 65536.0f;
        canvas.disc(x, t * t * bottom, size * (0.6f + t), size, {236, 236, 255}, 0.9f - 0.7f * t);
    }
}

// The game's title on the night sky over the sea, with the lighthouse's beam sweeping behind the words, a
// thin amber rule under it.
Canvas drawTitle(const FontSheet &font) {
    Canvas canvas(kSplashWidth, kSplashHeight);
    const float w = float(kSplashWidth), h = float(kSplashHeight);
    canvas.polygon(demoart::rectangle(0, 0, w, h * 0.78f), demoart::linear({12, 28, 70}, {40, 54, 100}, 0, 0, 0, h * 0.78f));
    canvas.polygon(demoart::rectangle(0, h * 0.78f, w, h), [&](float x, float y) {
        const float t = (y - h * 0.78f) / (h * 0.22f);
        return demoart::scaled(demoart::mix(demoart::Colour{26, 40, 72}, demoart::Colour{6, 12, 26}, t),
                               0.85f + 0.3f * demoart::fbm(x / (60 + 200 * t), y / (3 + 8 * t), 3, 8u));
    });
    paintStars(canvas, h * 0.7f, 1.4f, 7u);
    canvas.polygon(std::vector<demoart::Point>{{w * 0.92f, h * 0.62f}, {0, h * 0.2f}, {0, h * 0.5f}}, {255, 230, 160}, 0.12f, 40.0f);
    canvas.light(w * 0.5f, h * 0.45f, w * 0.5f, {80, 110, 200}, 0.35f);
    const demoart::Colour amber{250, 196, 96};
    drawCentred(canvas, font, "Brightmoor Ambercrest", 340, 1.35f, amber);
    drawCentred(canvas, font, "Lanternfall", 470, 1.75f, amber);
    canvas.polygon(demoart::rectangle(w * 0.5f - 330, 668, w * 0.5f + 330, 674), amber, 1.0f, 1.5f);
    drawCentred(canvas, font, "The Keeper's Lantern", 720, 0.8f, {200, 210, 230});
    return canvas;
}

// The lighthouse at dusk on its headland: the night at the top warming to amber at the horizon, the sea,
// the rocks it stands on, and its lantern burning with its light on the water. Drawn at any size of the
// wide screen's shape from one design of 1800 x 1080.
Canvas drawLighthouse(int width, int height) {
    Canvas canvas(width, height);
    const demoart::Scaled d{float(width) / 1800.0f};
    const float horizon = 700;
    canvas.polygon(demoart::rectangle(0, 0, float(width), d(horizon + 2)), [&](float, float y) {
        const float t = y / d(horizon);
        return demoart::mix(demoart::mix(demoart::Colour{30, 16, 54}, demoart::Colour{110, 50, 90}, std::min(1.0f, t * 1.4f)),
                            demoart::Colour{240, 146, 66}, std::max(0.0f, t * 1.6f - 0.6f));
    });
    paintStars(canvas, d(380), d(1.6f), 11u);
    canvas.light(d(420), d(horizon), d(700), {255, 170, 90}, 0.5f);
    canvas.polygon(demoart::rectangle(0, d(horizon), float(width), float(height)), [&](float x, float y) {
        const float t = (y - d(horizon)) / (float(height) - d(horizon));
        const float swell = demoart::fbm(x / d(80 + 300 * t), y / d(3 + 12 * t), 3, 21u);
        return demoart::scaled(demoart::mix(demoart::Colour{96, 66, 100}, demoart::Colour{14, 22, 44}, std::min(1.0f, t * 1.5f)),
                               0.85f + 0.3f * swell);
    });
    canvas.polygon(demoart::roughened(d({{0, horizon + 1}, {0, 640}, {160, 630}, {330, 668}, {470, horizon + 1}}), d(4), d(14), 3u),
                   {74, 44, 84}, 1.0f, d(2));
    // The headland and the rocks the tower stands on.
    demoart::paintRock(canvas, d({{980, 1080}, {1060, 860}, {1160, 790}, {1240, 760}, {1380, 770}, {1480, 830}, {1600, 900}, {1800, 940},
                                  {1800, 1080}}),
                       {120, 96, 100}, {34, 26, 36}, d.s, 5u);
    demoart::paintRock(canvas, d({{1300, 1080}, {1380, 980}, {1520, 960}, {1650, 1010}, {1720, 1080}}), {90, 70, 80}, {24, 18, 26}, d.s, 6u);
    demoart::paintLighthouse(canvas, {d(1300), d(380), d(790), d(38), d(56), 6, true, 0.85f, 9u});
    // The beam reaching out to the left over the sea, and its light on the water.
    canvas.polygon(d({{1300, 314}, {0, 120}, {0, 420}}), {255, 226, 150}, 0.16f, d(30));
    canvas.polygon(d({{1300, 314}, {-100, 250}, {-100, 350}}), {255, 236, 180}, 0.1f, d(16));
    uint32_t seed = 17u;
    for (int glint = 0; glint < 70; ++glint) {
        seed = seed * 1664525u + 1013904223u;
        const float depth = float(seed >> 8 & 0xFFFF) / 65536.0f;
        seed = seed * 1664525u + 1013904223u;
        const float x = 250 + float(seed >> 8 & 0xFFFF) / 65536.0f * 720, y = horizon + 8 + 320 * depth * depth;
        canvas.line(d(x), d(y), d(x + 10 + 30 * depth), d(y), d(1.5f + depth), demoart::mix({150, 110, 120}, {240, 196, 150}, 1.0f - depth));
    }
    return canvas;
}

// The maker's logo: the name under a ring on cream paper, darker toward its edges.
Canvas drawMakerLogo(const FontSheet &font) {
    Canvas canvas(kSplashWidth, kSplashHeight);
    const float w = float(kSplashWidth), h = float(kSplashHeight);
    canvas.polygon(demoart::rectangle(0, 0, w, h), [](float x, float y) {
        const float fibres = demoart::fbm(x / 140.0f, y / 90.0f, 4, 31u);
        return demoart::mix(demoart::Colour{240, 232, 214}, demoart::Colour{220, 206, 180}, fibres * 0.6f);
    });
    canvas.shadow(demoart::rectangle(-200, -200, w + 200, 60), 220, 0.25f);
    canvas.shadow(demoart::rectangle(-200, h - 60, w + 200, h + 200), 220, 0.25f);
    const demoart::Colour wine{120, 20, 30};
    canvas.ring(w * 0.5f, 400, 150, 18, wine);
    canvas.ring(w * 0.5f, 400, 124, 3, wine);
    canvas.disc(w * 0.5f, 400, 52, 2, wine, 1.0f);
    drawCentred(canvas, font, "Morvane", 610, 1.6f, wine);
    return canvas;
}

// The paused menu's panel: the word "Paused" on parchment in a brass frame, 800 x 300 design pixels.
Canvas drawPausedPanel(const FontSheet &font, float scale) {
    auto d = [scale](float design) { return int(std::lround(design * scale)); };
    Canvas canvas(d(800), d(300));
    canvas.fill(0, 0, canvas.width, canvas.height, {214, 168, 72});
    canvas.fill(d(14), d(14), canvas.width - d(14), canvas.height - d(14), {236, 222, 186});
    drawCentred(canvas, font, "Paused", float(d(110)), 1.2f * scale, {28, 22, 20});
    return canvas;
}

struct Option {
    const char *name;
    std::string *value;
};

// Reads the "--name value" pairs after the command word; the problem with them, or empty.
std::string readOptions(int argc, char **argv, std::initializer_list<Option> options) {
    for (int i = 2; i < argc; i += 2) {
        const Option *option = nullptr;
        for (const Option &known : options) {
            if (std::strcmp(argv[i], known.name) == 0)
                option = &known;
        }
        if (!option)
            return std::string("unknown option ") + argv[i];
        if (i + 1 >= argc)
            return std::string("missing value after ") + argv[i];
        *option->value = argv[i + 1];
    }
    return "";
}

int makeSplash(int argc, char **argv) {
    std::string fontPrefix, out;
    const std::string problem = readOptions(argc, argv, {{"--font", &fontPrefix}, {"--out", &out}});
    if (!problem.empty())
        return tool::usageError("lf-demo-art", problem, kUsage);
    if (fontPrefix.empty() || out.empty())
        return tool::usageError("lf-demo-art", "splash takes --font PREFIX and --out DIR", kUsage);
    FontSheet font;
    if (!font.load(fs::absolute(fontPrefix).string()))
        return fail("cannot read the font " + fontPrefix);
    const fs::path folder(out);
    if (!writePng(drawTitle(font), folder / "splash/splash.png") ||
        !writePng(drawLighthouse(1280, 768), folder / "data/splash/qvx.png") ||
        !writePng(drawLighthouse(kSplashWidth, kSplashHeight), folder / "data/splash/qvx_hd.png") ||
        !writePng(drawMakerLogo(font), folder / "data/splash/MorvaneLogoStatic.png"))
        return fail("cannot write the pictures into " + out);
    return 0;
}

// A scale of the design size given on the command line: above 0, at most 4; 0 when it is not one.
float scaleOption(const std::string &text) {
    const float scale = text.empty() ? 0.0f : std::strtof(text.c_str(), nullptr);
    return scale > 0.0f && scale <= 4.0f ? scale : 0.0f;
}

int makePausedPanel(int argc, char **argv) {
    std::string fontPrefix, out, scaleText;
    const std::string problem =
        readOptions(argc, argv, {{"--font", &fontPrefix}, {"--out", &out}, {"--scale", &scaleText}});
    if (!problem.empty())
        return tool::usageError("lf-demo-art", problem, kUsage);
    const float scale = scaleOption(scaleText);
    if (fontPrefix.empty() || out.empty() || scale == 0.0f)
        return tool::usageError("lf-demo-art", "paused takes --font PREFIX, --out DIR and --scale S (above 0, at most 4)",
                                kUsage);
    FontSheet font;
    if (!font.load(fs::absolute(fontPrefix).string()))
        return fail("cannot read the font " + fontPrefix);
    const fs::path panel = fs::path(out) / "data/system/paused_menu/paused_panel.png";
    if (!writePng(drawPausedPanel(font, scale), panel))
        return fail("cannot write " + panel.string());
    return 0;
}

using ScaledDrawing = bool (*)(const fs::path &out, float scale, std::string &error);

// A subcommand that draws its pictures under --out at --scale times their design size.
int makeScaled(int argc, char **argv, ScaledDrawing draw) {
    std::string out, scaleText;
    const std::string problem = readOptions(argc, argv, {{"--out", &out}, {"--scale", &scaleText}});
    if (!problem.empty())
        return tool::usageError("lf-demo-art", problem, kUsage);
    const float scale = scaleOption(scaleText);
    if (out.empty() || scale == 0.0f)
        return tool::usageError("lf-demo-art",
                                std::string(argv[1]) + " takes --out DIR and --scale S (above 0, at most 4)", kUsage);
    std::string error;
    if (!draw(fs::path(out), scale, error))
        return fail(error);
    return 0;
}

int makeWallpapers(int argc, char **argv) {
    std::string out;
    const std::string problem = readOptions(argc, argv, {{"--out", &out}});
    if (!problem.empty() || out.empty())
        return tool::usageError("lf-demo-art", problem.empty() ? "wallpapers takes --out DIR" : problem, kUsage);
    std::string error;
    return demoart::drawWallpapers(fs::path(out), error) ? 0 : fail(error);
}

} // namespace

int main(int argc, char **argv) {
    if (tool::asksForHelp(argc, argv))
        return tool::printUsage(kUsage);
    initSystem();
    int status = 1;
    if (argc == 2 && std::strcmp(argv[1], "password") == 0) {
        std::printf("%s\n", kResourceArchivePassword);
        status = 0;
    } else if (argc >= 2 && std::strcmp(argv[1], "splash") == 0) {
        status = makeSplash(argc, argv);
    } else if (argc >= 2 && std::strcmp(argv[1], "world") == 0) {
        status = makeScaled(argc, argv, demoart::drawWorldPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "shore") == 0) {
        status = makeScaled(argc, argv, demoart::drawShorePictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "hall") == 0) {
        status = makeScaled(argc, argv, demoart::drawHallPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "wick") == 0) {
        status = makeScaled(argc, argv, demoart::drawWickPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "study") == 0) {
        status = makeScaled(argc, argv, demoart::drawStudyPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "mirrors") == 0) {
        status = makeScaled(argc, argv, demoart::drawMirrorsPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "lantern") == 0) {
        status = makeScaled(argc, argv, demoart::drawLanternPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "paused") == 0) {
        status = makePausedPanel(argc, argv);
    } else if (argc >= 2 && std::strcmp(argv[1], "extras") == 0) {
        status = makeScaled(argc, argv, demoart::drawMenuPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "end") == 0) {
        status = makeScaled(argc, argv, demoart::drawEndPictures);
    } else if (argc >= 2 && std::strcmp(argv[1], "wallpapers") == 0) {
        status = makeWallpapers(argc, argv);
    } else {
        status = tool::usageError("lf-demo-art", tool::unknownWord(argc, argv), kUsage);
    }
    KResource::cleanup();
    return status;
}
