// Speed of one frame of the world's picture in the game's window at 1800x1080 on the software device with
// one rasteriser thread: a generated world whose location has a full-screen background and 150 pictures
// with alpha (ten with a text), a zoom zone fully open on layer 1 over its dimming with 40 pictures, the HUD
// with 20, and the pointer over an element with a tooltip. One frame is one HoWorld::draw through the
// context's batch into the device, then the device's present. The baseline replays the device calls of one
// such frame, recorded by a stand-in for the device, straight into the device: the pure raster cost of the
// frame. The comparison line is printed last.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "bench/GameFrame.h"
#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/support/FontTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kSceneElements = 150;
constexpr int kZoneElements = 40;
constexpr int kHudElements = 20;
constexpr int kTexts = 10;
constexpr int kPictures = 8;
constexpr int kRuns = 9;

std::string number(float v) {
    return std::to_string(v);
}

// An element of one of the pictures at the point, 96 x 96 design units, turned a little every third time.
std::string pictureElement(const std::string &name, int index, float x, float y) {
    std::string text = "O " + name + "\nI item_" + std::to_string(index % kPictures) + ".png\nW 96\nH 96\nX 1\nK " +
                       number(x) + "\nY 1\nK " + number(y) + "\nZ 1\nK " + number(float(index % 40)) +
                       "\nR 1\nK 1\nS 1\nK 1\n";
    if (index % 3 == 0)
        text += "A 1\nK " + number(float(index * 11 % 360)) + "\n";
    return text;
}

// A scene of a grid of pictures inside the rectangle, optionally over a background picture.
std::string gridScene(const char *prefix, int count, float left, float top, float right, float bottom,
                      const char *background) {
    std::string text;
    if (background)
        text += "O BACKGROUND\nI " + std::string(background) + "\nW 2560\nH 1536\nX 1\nK 1280\nY 1\nK 768\nZ 1\nK 1000\n"
                "R 1\nK 1\nS 1\nK 1\n";
    const int columns = 10;
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        const float x = left + (right - left) * (float(i % columns) + 0.5f) / float(columns);
        const float y = top + (bottom - top) * (float(i / columns) + 0.5f) / float(rows);
        text += pictureElement(prefix + std::to_string(i), i, x, y);
    }
    return text;
}

using benchsupport::disc;
using benchsupport::writePng;

void writeText(const std::filesystem::path &path, const std::string &text) {
    std::filesystem::create_directories(path.parent_path());
    lftest::writeFileText(path, text);
}

void writeContent(const std::filesystem::path &root) {
    writeText(root / "data/scenes.cfg", "scene=data/system/images/images\nscene=data/system/hud/hud\n"
                                                    "scene=data/system/pointers/pointers\nscene=data/scenes/hall/hall\n"
                                                    "scene=data/scenes/hall/zz_desk/zz_desk\n");
    const std::filesystem::path images = root / "data/system/images", hud = root / "data/system/hud";
    const std::filesystem::path pointers = root / "data/system/pointers", hall = root / "data/scenes/hall";
    std::string imageScene;
    for (const char *name : {"white", "tooltip_back", "tooltip_left", "tooltip_right"}) {
        writePng(images / (std::string(name) + ".png"), 16, 16, std::vector<uint32_t>(256, 0xFFFFFFFFu));
        imageScene += "O " + std::string(name) + "\nI " + name + ".png\n";
    }
    writeText(images / "images.scene", imageScene);
    writePng(pointers / "pointers.png", 256, 256, disc(256, 0xF0E0C0));
    writeText(pointers / "pointers.scene", "O pointers\nI pointers.png\n");

    std::vector<uint32_t> background(512 * 384);
    for (size_t i = 0; i < background.size(); ++i)
        background[i] = 0xFF000000u | uint32_t(i % 512 / 2) << 16 | uint32_t(i / 512 * 2 / 3) << 8 | 0x40;
    writePng(hall / "background.png", 512, 384, background);
    for (const std::filesystem::path &folder : {hall, hall / "zz_desk", hud}) {
        for (int k = 0; k < kPictures; ++k)
            writePng(folder / ("item_" + std::to_string(k) + ".png"), 96, 96,
                     disc(96, uint32_t(0x203040 + k * 0x151207) & 0xFFFFFFu));
    }
    writeText(hall / "hall.scene", gridScene("item_", kSceneElements, 0, 0, 2560, 1536, "background.png"));
    writeText(hall / "zz_desk/zz_desk.scene", gridScene("desk_", kZoneElements, 700, 300, 1860, 1200, nullptr));
    writeText(hud / "hud.scene", gridScene("hud_", kHudElements, 300, 1380, 2260, 1520, nullptr));
    writeText(root / "data/texts/Localization.xml",
                          "<Workbook><Worksheet><Table><Row><Cell><Data>tip</Data></Cell>"
                          "<Cell><Data>A brass lantern, cold</Data></Cell></Row></Table></Worksheet></Workbook>");
    if (!lftest::makeGameFont(root, 1, 32, "32-126")) {
        std::fprintf(stderr, "lf-font failed\n");
        std::exit(1);
    }
}

struct Frame {
    benchsupport::GameFrame window{writeContent};
    HoWorld *world = window.context->world;

    Frame() {
        HoScene *hall = world->findScene("hall");
        if (!hall || !world->findScene("hall_zz_desk")) {
            std::fprintf(stderr, "the world has no hall with its desk\n");
            std::exit(1);
        }
        world->loadSceneImages(hall);
        world->activeScene = world->topScene = hall;
        world->change.fade = 1.0f;
        ZoomLayer &layer = world->zoomLayers[1];
        layer.zone = world->findScene("hall_zz_desk");
        layer.progress = layer.alpha = 1.0f;
        for (int i = 0; i < kSceneElements; i += kSceneElements / kTexts)
            hall->findElement(("item_" + std::to_string(i)).c_str())->text.setPointer(kScriptText, "Lantern");
        SceneElement *lantern = hall->findElement("item_7");
        lantern->tooltipKey = window.context->interned.internOrFind("tip");
        world->clicks.hover.look = lantern;
        world->pointerX = 1200.0f;
        world->pointerY = 700.0f;
        world->tooltip.fadeInTicks = 100;
    }

    int ours() { return window.frame([this] { world->draw(); }); }
    int raster() { return window.replay(); }
    void record() {
        window.record([this] { world->draw(); });
    }
};

} // namespace

int main(int argc, char **argv) {
    Frame world;
    const auto [oursMs, rasterMs] = benchsupport::compareWithReplay(argc, argv, world, "WorldFrame", kRuns);
    std::printf("recorded draws=%zu tooltip=%s\n", world.window.recorder->drawCount(), world.world->tooltip.text.c_str());
    std::printf("world frame elements=%d ours_ms=%.2f raster_ms=%.2f ratio=%.2f\n",
                kSceneElements + kZoneElements + kHudElements, oursMs, rasterMs, oursMs / rasterMs);
    return 0;
}
