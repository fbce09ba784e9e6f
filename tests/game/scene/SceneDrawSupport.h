#pragma once
// Scenes drawn into the window of a headless game in its wide HD layout (1800 x 1080 pixels, 0.703125
// pixels per design unit), so that the scene's view goes through the game's view and the window's clip
// rectangle, and read back from the window's device. Pictures are written with libpng.

#include <string>
#include <vector>

#include "game/HoGame.h"
#include "tests/game/scene/SceneRuntimeSupport.h"
#include "tests/support/HoGameTestSupport.h"
#include "tests/support/PngTestSupport.h"

namespace scenedraw {

// A scene file's solid element: picture (none when empty), centre, size and depth in design units.
inline std::string solidElement(const std::string &name, const std::string &picture, float x, float y, float w, float h,
                                float z = 0.0f) {
    auto number = [](float v) { return std::to_string(v); };
    return "O " + name + (picture.empty() ? "" : "\nI " + picture) + "\nW " + number(w) + "\nH " + number(h) +
           "\nX 1\nK " + number(x) + "\nY 1\nK " + number(y) + "\nZ 1\nK " + number(z) + "\nR 1\nK 1\nS 1\nK 1\n";
}

// Game content whose game has its window: headless, on the fixed clock, with the HD desktop.
class HeadlessGameContent : public ::testing::Test, public restest::GameContent {
protected:
    void SetUp() override {
        lftest::useHeadlessGame(temp);
        // The system's start-up pointed the data path at the program's folder.
        std::snprintf(dataPath, sizeof dataPath, "%s", source().c_str());
        lftest::useHdDesktop();
        ASSERT_TRUE(game.initStateFolder());
        game.options.set(kOptionFullscreen, 0.0f);
        game.options.set(kOptionHdGraphics, 1.0f);
        game.createWindow();
        ASSERT_NE(game.window, nullptr);
        game.window->setClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        clearLogContents();
    }
    void TearDown() override {
        dropContext();
        defaultTextEncoding = savedEncoding_;
        textGlyphPages = savedGlyphPages_;
        platformSetVirtualDesktop(0, 0);
        lftest::endHeadlessGame();
    }

    // 0xAARRGGBB pixels written by libpng.
    void writePicture(const std::string &name, int w, int h, const std::vector<uint32_t> &pixels) {
        ASSERT_TRUE(lftest::writePng(source() / name, w, h, pixels)) << name;
    }
    void writeSolid(const std::string &name, int w, int h, uint32_t colour) {
        writePicture(name, w, h, std::vector<uint32_t>(size_t(w) * h, colour));
    }

private:
    int32_t savedEncoding_ = defaultTextEncoding;
    bool savedGlyphPages_ = textGlyphPages;
};

class SceneDrawTest : public SceneRuntimeOver<HeadlessGameContent> {
protected:
    static constexpr float kScale = 0.703125f; // pixels per design unit

    // A cleared frame, the scene drawn into it, and what the window shows.
    lftest::BackBuffer drawn(HoScene *scene, float alpha = 1.0f) {
        game.window->flipBackBuffer(false);
        game.window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
        scene->draw(alpha);
        return lftest::readBackBuffer(game.window);
    }
    // The colour at a design point, as 0xRRGGBB.
    static uint32_t colourAt(const lftest::BackBuffer &frame, float designX, float designY) {
        const uint8_t *p = frame.at(int(designX * kScale), int(designY * kScale));
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    // The middle of the pixels of the colour (0xRRGGBB), in pixels (the device's pixel centres lie on whole
    // numbers).
    static ScreenPoint middleOf(const lftest::BackBuffer &frame, uint32_t colour) {
        double sumX = 0.0, sumY = 0.0;
        int count = 0;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                const uint8_t *p = frame.at(x, y);
                if ((uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) == colour) {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
            }
        }
        EXPECT_GT(count, 0) << std::hex << colour;
        return count ? ScreenPoint{float(sumX / count), float(sumY / count)} : ScreenPoint{};
    }
    // A started scene of the scene file (and script) after one update, its pictures loaded.
    HoScene *startedScene(const char *name, const std::string &sceneFile, const std::string &script = "",
                          bool hiddenObjects = false) {
        writeScene(name, sceneFile, script);
        HoScene *scene = loadRunningScene(name);
        scene->isHo = hiddenObjects ? 1 : 0;
        started();
        startScenes();
        scene->loadElementImages();
        scene->update();
        return scene;
    }
    static std::string solid(const std::string &name, const std::string &picture, float x, float y, float w, float h,
                             float z = 0.0f) {
        return solidElement(name, picture, x, y, w, h, z);
    }
};

} // namespace scenedraw
