#pragma once
// A headless HD game whose world has something on every layer it draws, each of one colour: the hall
// (red) with two zoom zones (a green desk, a magenta lamp), a green garden to go to, "hud" (a blue bar),
// "over_hud" (a yellow veil where the lamp stands), a "paused_menu" (a grey panel), the plain white
// picture, the tooltip plate, and the pointer sheet of 16 coloured cells. Frames are drawn into the window
// and read back.

#include <cmath>
#include <string>
#include <vector>

#include "game/HoGame.h"
#include "game/scene/SceneView.h"
#include "tests/game/scene/SceneDrawSupport.h"
#include "tests/game/world/WorldTestSupport.h"

namespace worldtest {

constexpr uint32_t kRed = 0xFF0000u, kGreen = 0x00FF00u, kBlue = 0x0000FFu, kYellow = 0xFFFF00u;
constexpr uint32_t kMagenta = 0xFF00FFu, kGrey = 0x808080u, kPlate = 0x00C0C0u, kBlack = 0u;

// The sheet's cell colours, row by row: every cell its own.
inline uint32_t sheetCellColour(int cell) {
    return uint32_t((cell + 1) * 15) << 16 | 0x40u;
}

class WorldDrawTest : public WorldGameTest {
protected:
    HoWorld *w = nullptr;
    HoScene *hall = nullptr;

    void TearDown() override {
        WorldGameTest::TearDown();
        platformSetVirtualDesktop(0, 0);
    }

    // Writes the content and starts the world on the hall, fully faded in.
    void startWorld(const std::string &pointerElements = "", const std::string &hallScript = "") {
        using scenedraw::solidElement;
        writeSceneList({"data/system/images/images", "data/system/pointers/pointers", "data/system/hud/hud",
                        "data/system/over_hud/over_hud", "data/system/paused_menu/paused_menu",
                        "data/scenes/hall/hall", "data/scenes/hall/zz_desk/zz_desk", "data/scenes/hall/zz_lamp/zz_lamp",
                        "data/scenes/garden/garden"});
        std::string images;
        const std::pair<const char *, uint32_t> plate[] = {
            {"white", 0xFFFFFF}, {"tooltip_back", kPlate}, {"tooltip_left", kPlate}, {"tooltip_right", kPlate}};
        for (const auto &[name, colour] : plate) {
            writePicture(std::string("data/system/images/") + name + ".png", 8, 8, 0xFF000000u | colour);
            images += std::string("O ") + name + "\nI " + name + ".png\n";
        }
        archives->write("data/system/images/images.scene", images);
        std::vector<uint32_t> sheet(256 * 256);
        for (size_t i = 0; i < sheet.size(); ++i)
            sheet[i] = 0xFF000000u | sheetCellColour(int(i / 256 / 64 * 4 + i % 256 / 64));
        std::filesystem::create_directories(archives->content() / "data/system/pointers");
        ASSERT_TRUE(picturetest::writeImage(archives->content() / "data/system/pointers/pointers.png", 256, 256, sheet));
        archives->write("data/system/pointers/pointers.scene", "O pointers\nI pointers.png\n" + pointerElements);
        writeSolidScene("data/system/hud/hud", solidElement("bar", "bar.png", 300, 1300, 200, 200), "bar", kBlue);
        writeSolidScene("data/system/over_hud/over_hud", solidElement("veil", "veil.png", 800, 400, 200, 200), "veil",
                        kYellow);
        writeSolidScene("data/system/paused_menu/paused_menu", solidElement("panel", "panel.png", 1024, 768, 400, 300),
                        "panel", kGrey);
        writeSolidScene("data/scenes/hall/hall", solidElement("back", "back.png", 1280, 768, 2560, 1536, 10), "back",
                        kRed);
        if (!hallScript.empty())
            archives->write("data/scenes/hall/hall.script", hallScript);
        writeSolidScene("data/scenes/garden/garden", solidElement("back", "back.png", 1280, 768, 2560, 1536, 10),
                        "back", kGreen);
        writeSolidScene("data/scenes/hall/zz_desk/zz_desk", solidElement("desk", "desk.png", 300, 400, 200, 200), "desk", kGreen);
        writeSolidScene("data/scenes/hall/zz_lamp/zz_lamp", solidElement("lamp", "lamp.png", 800, 400, 200, 200), "lamp",
                        kMagenta);
        // The HD layout shows the whole wide design area (1800 x 1080 pixels).
        ASSERT_TRUE(archives->packAndMount(true));
        lftest::useHdDesktop();
        game = lftest::startWindowedGame(true);
        game->createContext();
        w = game->context->world;
        hall = w->findScene("hall");
        ASSERT_NE(hall, nullptr);
        w->loadSceneImages(hall);
        w->activeScene = w->topScene = hall;
        w->change = SceneChange(); // no change pending: the hall fully shown
        w->change.fade = 1.0f;
    }

    void writeSolidScene(const std::string &path, const std::string &elements, const std::string &picture,
                         uint32_t colour) {
        const std::string folder = path.substr(0, path.rfind('/') + 1);
        writePicture(folder + picture + ".png", 8, 8, 0xFF000000u | colour);
        archives->write(path + ".scene", elements);
    }

    // Opens the zone fully (or partly) on the layer.
    void openZone(int layer, const char *identifier, float progress = 1.0f) {
        ZoomLayer &zoom = w->zoomLayers[layer];
        zoom.zone = w->findScene(identifier);
        ASSERT_NE(zoom.zone, nullptr) << identifier;
        zoom.progress = progress;
        zoom.alpha = 1.0f;
    }

    // One frame of the world's picture, read back.
    lftest::BackBuffer drawnFrame() {
        game->window->flipBackBuffer(false);
        game->window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
        w->draw();
        return lftest::readBackBuffer(game->window);
    }

    // The pixel where the reset view shows a design point.
    ScreenPoint pixelOf(float x, float y) const { return ViewMapping(game.get(), SceneView{}).toScreen({x, y}); }
    uint32_t colourAt(const lftest::BackBuffer &frame, float x, float y) const {
        const ScreenPoint pixel = pixelOf(x, y);
        const uint8_t *p = frame.at(int(pixel.x), int(pixel.y));
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    // Whether two colours differ by at most the tolerance in every channel.
    static bool near(uint32_t a, uint32_t b, int tolerance = 3) {
        for (int shift : {0, 8, 16}) {
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance)
                return false;
        }
        return true;
    }
    // The colour at the given share of its strength over black.
    static uint32_t scaled(uint32_t colour, float share) {
        uint32_t result = 0;
        for (int shift : {0, 8, 16})
            result |= uint32_t(std::lround(float(colour >> shift & 0xFF) * share)) << shift;
        return result;
    }
};

} // namespace worldtest
