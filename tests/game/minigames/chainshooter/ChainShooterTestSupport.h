#pragma once
// A chain-shooter scene for the suites: "zuma", made by the world's factory, read from a scene file and a
// script that the suite writes (solid-colour pictures by libpng), started as the world starts its scenes,
// its pictures loaded, and driven by calling its update with the world's pointer and click flag set by the
// suite. The visible design area is 400 x 300; the random numbers start from seed 1.

#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/minigames/chainshooter/HoSceneZuma.h"
#include "game/scene/SceneFileLoader.h"
#include "tests/game/scene/SceneRuntimeSupport.h"
#include "tests/support/PngTestSupport.h"

namespace chaintest {

constexpr uint32_t kBackground = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kGrey = 0xFF808080u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

inline std::string element(const std::string &name, const char *picture, float x, float y, int size = 20) {
    return "O " + name + "\n" + (picture ? std::string("I ") + picture + "\n" : "") + "W " + std::to_string(size) +
           "\nH " + std::to_string(size) + "\nR 1\nK 1\nS 1\nK 1\nX 1\nK " + std::to_string(x) + "\nY 1\nK " + std::to_string(y) + "\n";
}

// The renderer, the gun below the path, the two places, ball templates in red, green, blue and grey (the
// last kind, never drawn), bomb and slow templates, and a straight path at y 150 from x 0 to 2000.
inline std::string standardScene(int ballSize = 20) {
    return element("render", "board.png", 0, 0) + element("gun", "board.png", 200, 280) +
           element("place_00", "board.png", 180, 290) + element("place_01", "board.png", 220, 290) +
           element("red", "red.png", -100, -100, ballSize) + element("green", "green.png", -100, -100, ballSize) +
           element("blue", "blue.png", -100, -100, ballSize) + element("grey", "grey.png", -100, -100, ballSize) +
           element("bomb", "grey.png", -100, -100, ballSize) + element("slow", "white.png", -100, -100, ballSize) +
           element("p0", nullptr, 0, 150) + element("p1", nullptr, 2000, 150);
}

// Path, kinds and settings as the scene's init block writes them; the chain stands still unless a suite
// sets a speed.
constexpr const char *kStandardInit = "  set #zuma_main_points_00 $p0\n  set #zuma_main_points_01 $p1\n"
                                      "  set $ball_00 $red\n  set $ball_01 $green\n  set $ball_02 $blue\n"
                                      "  set $ball_03 $grey\n  set #zuma_enable 1\n  set #zuma_start_speed 0\n"
                                      "  set #zuma_normal_speed 0\n";

class ChainShooterTest : public SceneRuntimeTest {
protected:
    void SetUp() override {
        SceneRuntimeTest::SetUp();
        saved_ = screenValues;
        screenValues.width = 400.0f;
        screenValues.height = 300.0f;
        screenValues.artScale = 1.0f;
        HoSceneZuma::speedAccumulator = 0.0f;
        crtSrand(1);
        for (auto [name, colour] : {std::pair{"board.png", kGrey}, {"red.png", kRed}, {"green.png", kGreen},
                                    {"blue.png", kBlue}, {"grey.png", kGrey}, {"white.png", kWhite}})
            ASSERT_TRUE(lftest::writePng(source() / "data/scenes/zuma" / name, 4, 4, std::vector<uint32_t>(16, colour)));
    }
    void TearDown() override {
        screenValues = saved_;
        SceneRuntimeTest::TearDown();
    }

    // The scene "zuma" of the scene file and script, started, its pictures loaded, updated once.
    HoSceneZuma *play(const std::string &sceneFile, const std::string &script) {
        writeScene("zuma", sceneFile, script);
        started();
        zuma = dynamic_cast<HoSceneZuma *>(world->createScene("data/scenes/zuma", "zuma", false, nullptr));
        EXPECT_NE(zuma, nullptr) << "the factory makes the chain shooter for the name";
        loadSceneScripts(&zuma->script);
        loadSceneContent(zuma);
        startScenes();
        zuma->loadElementImages();
        tick();
        return zuma;
    }
    HoSceneZuma *playStandard(const std::string &moreInit = "", const std::string &moreScript = "") {
        return play(standardScene(), std::string("init {\n") + kStandardInit + moreInit + "}\n" + moreScript);
    }

    // The scene out of the world, deleted.
    void dropScene() {
        world->scenes.removeAt(world->scenes.indexOf(zuma));
        delete zuma;
        zuma = nullptr;
    }

    // One update of the scene; the click flag holds for that step only.
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            zuma->update();
            world->clicks.clicked = 0;
        }
    }
    void click(float x, float y) {
        world->pointerX = x;
        world->pointerY = y;
        world->clicks.clicked = 1;
        tick();
    }
    ScriptValue *setting(const char *name) { return variableSlot(zuma, name); }

    // A ball of the kind (0 red, 1 green, 2 blue) put on the chain at the path index.
    ChainBall *addBall(int32_t kind, int32_t index, int32_t type = ChainBall::kOrdinary) {
        const char *templates[] = {"red", "green", "blue", "grey", "bomb", "slow"};
        const int32_t pick = type == ChainBall::kBomb ? 4 : type == ChainBall::kSlow ? 5 : kind;
        auto *ball = new ChainBall(zuma, zuma->findElement(templates[pick]), type, kind);
        zuma->placeAt(ball, index);
        zuma->chain.append(ball);
        return ball;
    }
    HoSceneZuma *zuma = nullptr;

private:
    ScreenValues saved_;
};

} // namespace chaintest
