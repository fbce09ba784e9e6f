// The chain-shooter scene: its set-up and what keeps it waiting, its settings held by their slots, the
// gun, the swap and the reload, the script's events and its reset, and the game drawn through the
// element "render".

#include "tests/game/minigames/chainshooter/ChainShooterTestSupport.h"

#include <cmath>
#include <limits>

#include "game/scene/ParticleEmitter.h"
#include "game/script/ScriptArray.h"

namespace chaintest {
namespace {

class ChainShooterScene : public ChainShooterTest {};

TEST_F(ChainShooterScene, SettingsHoldTheirDefaultsAndAResetWritesThemAgain) {
    playStandard();
    ASSERT_TRUE(zuma->setUp);
    EXPECT_EQ(zuma->path.pointCount(), 1990);
    EXPECT_EQ(zuma->renderElement(), zuma->findElement("render"));
    EXPECT_EQ(zuma->currentPlace->renderable, zuma->findElement("red")->renderable);
    EXPECT_EQ(zuma->nextPlace->renderable, zuma->findElement("green")->renderable);
    EXPECT_NE(zuma->bombTemplate, nullptr);
    EXPECT_NE(zuma->slowTemplate, nullptr);

    // The script's value is read at once; zuma_reset writes every default again.
    setting("#zuma_bullet_speed")->setNumber(60.0f);
    click(200.0f, 0.0f);
    ASSERT_NE(zuma->flyingBall, nullptr);
    EXPECT_FLOAT_EQ(std::hypot(zuma->shotVelocityX, zuma->shotVelocityY), 60.0f);
    callScriptFunction(findFunction(&zuma->script, "zuma_reset"), false, nullptr);
    EXPECT_FALSE(zuma->setUp);
    EXPECT_EQ(zuma->flyingBall, nullptr);
    const struct {
        const char *name;
        float value;
    } defaults[] = {{"#zuma_enable", 0}, {"#zuma_special_chance", 3}, {"#zuma_bomb_radius", 10},
                    {"#zuma_slow_duration", 200}, {"#zuma_bomb_chanse", 3}, {"#zuma_slow_chanse", 3},
                    {"#zuma_start_speed", 40}, {"#zuma_normal_speed_after", 50}, {"#zuma_normal_speed", 1},
                    {"#zuma_backward_speed", 5}, {"#zuma_bullet_speed", 40}};
    for (const auto &d : defaults)
        EXPECT_EQ(number(*setting(d.name)), d.value) << d.name;
    EXPECT_NE(findVariable(&zuma->script, "#zuma_special_particle"), nullptr);
    EXPECT_NE(findVariable(&zuma->script, "#zuma_destroying_particle"), nullptr);

    // Set up again from the same variables; the chain stays frozen while "#zuma_enable" is 0.
    tick();
    ASSERT_TRUE(zuma->setUp);
    tick(20);
    EXPECT_TRUE(zuma->chain.empty());
    setting("#zuma_enable")->setNumber(1.0f);
    tick();
    ASSERT_EQ(zuma->chain.count(), 1);
    EXPECT_EQ(zuma->chain[0]->pathIndex, 100 + 40) << "entered at the start offset, moved at the start speed";
}

TEST_F(ChainShooterScene, TheGunTurnsTowardThePointerAndTheShotLeavesIt) {
    playStandard("", "fun &onGunFired %type %kind %x %y {\n  print fired %type %kind %x %y\n}\n");
    const struct {
        float x, y, angle;
    } pointers[] = {{200, 400, 0}, {300, 280, 90}, {200, 100, 180}, {100, 280, -90}};
    for (const auto &p : pointers) {
        world->pointerX = p.x;
        world->pointerY = p.y;
        tick();
        EXPECT_NEAR(zuma->gun->angle.asNumber(), p.angle, 1e-3f) << p.x << "," << p.y;
    }
    click(300.0f, 280.0f);
    ASSERT_NE(zuma->flyingBall, nullptr);
    EXPECT_EQ(zuma->currentPlace->visible, 0);
    EXPECT_NEAR(zuma->shotVelocityX, 40.0f, 1e-3f);
    EXPECT_NEAR(zuma->shotVelocityY, 0.0f, 1e-3f);
    EXPECT_EQ(takeTrace(), std::vector<std::string>{"fired 1 0 200 280"});

    // No swap while the shot flies; the shot is lost a radius beyond the right edge, and the gun reloads.
    world->context->input.buttonPressed[kSecondaryButton] = 1;
    tick();
    world->context->input.buttonPressed[kSecondaryButton] = 0;
    EXPECT_EQ(zuma->currentKind, 0);
    float lastX = 0.0f;
    for (int i = 0; i < 20 && zuma->flyingBall; ++i) {
        lastX = zuma->flyingBall->x;
        tick();
    }
    EXPECT_EQ(zuma->flyingBall, nullptr);
    EXPECT_GT(lastX, 400.0f + 10.0f);
    EXPECT_EQ(zuma->currentPlace->visible, 1);
    EXPECT_EQ(zuma->currentKind, 1) << "the next ball moves up";
    EXPECT_EQ(zuma->currentPlace->renderable, zuma->findElement("green")->renderable);

    // With nothing flying the swap exchanges the two balls.
    const int32_t next = zuma->nextKind;
    world->context->input.buttonPressed[kSecondaryButton] = 1;
    tick();
    world->context->input.buttonPressed[kSecondaryButton] = 0;
    EXPECT_EQ(zuma->currentKind, next);
    EXPECT_EQ(zuma->nextKind, 1);
}

// Two kinds: the reload has only index 0 to draw and takes it again rather than hanging; one alternate:
// every alternate ball is of index 0.
TEST_F(ChainShooterScene, TwoKindsAndOneAlternateNeitherHangNorDivideByZero) {
    play(standardScene(), std::string("init {\n") + kStandardInit +
                              "  set $nested_00 $plain\n  set $nested_01 $special\n  set $plain_00 $red\n"
                              "  set $plain_01 $green\n  set $special_00 $blue\n  set $ball $nested\n"
                              "  set #zuma_special_chance 100\n  set #zuma_start_speed 30\n}\n");
    ASSERT_TRUE(zuma->setUp);
    ASSERT_EQ(templateCount(zuma->kinds), 2);
    ASSERT_EQ(templateCount(zuma->alternates), 1);
    for (int shot = 0; shot < 4; ++shot) {
        click(400.0f, 280.0f);
        tick(8);
        EXPECT_EQ(zuma->flyingBall, nullptr) << shot;
        EXPECT_EQ(zuma->nextKind, 0) << shot;
    }
    ASSERT_GT(zuma->chain.count(), 2);
    for (int32_t i = 0; i < zuma->chain.count() - 1; ++i) {
        EXPECT_EQ(zuma->chain[i]->ballType, ChainBall::kAlternate) << i;
        EXPECT_EQ(zuma->chain[i]->kind, 0) << i;
        EXPECT_EQ(zuma->chain[i]->element, zuma->findElement("blue")) << i;
    }
}

// What the scene lacks keeps it waiting without a crash; a path too short for the entry point is named
// once in the log.
TEST_F(ChainShooterScene, MissingOrBrokenInputKeepsTheSetUpWaiting) {
    const std::string scene = standardScene() + element("near", nullptr, 60, 150);
    const std::string points = "init {\n  set #zuma_main_points_00 $p0\n  set #zuma_main_points_01 $p1\n";
    const std::string init = points + "  set $ball_00 $red\n  set $ball_01 $green\n";
    auto without = [&](const char *name) {
        std::string text = scene;
        return text.replace(text.find(std::string("O ") + name + "\n"), 2, "O x");
    };
    const struct {
        const char *what;
        std::string sceneFile, script;
        bool ready;
        const char *warning; // the one warning, naming the scene and the path's length
    } cases[] = {
        {"everything", scene, init + "}\n", true, nullptr},
        {"no render", without("render"), init + "}\n", false, nullptr},
        {"no gun", without("gun"), init + "}\n", false, nullptr},
        {"no place", without("place_01"), init + "}\n", false, nullptr},
        {"one kind", scene, points + "  set $ball_00 $red\n}\n", false, nullptr},
        {"kinds that are no elements", scene, init + "  set $ball_00 5\n  set $ball_01 text\n}\n", true, nullptr},
        {"no points", scene, "init {\n  set $ball_00 $red\n  set $ball_01 $green\n}\n", false, nullptr},
        {"a point and no element", scene, init + "  set #zuma_main_points_01 7\n}\n", false, nullptr},
        {"coincident points", scene, init + "  set #zuma_main_points_01 $p0\n}\n", false, "has 0 points"},
        {"a path shorter than the entry point", scene, init + "  set #zuma_main_points_01 $near\n}\n", false, "has 60 points"},
    };
    for (const auto &c : cases) {
        clearLogContents();
        play(c.sceneFile, c.script);
        tick(3);
        EXPECT_EQ(zuma->setUp, c.ready) << c.what;
        EXPECT_EQ(restest::logCount("Game: the path of scene zuma has"), c.warning ? 1 : 0) << c.what;
        if (c.warning) {
            EXPECT_TRUE(restest::logHas(std::string("Game: the path of scene zuma ") + c.warning +
                                        ", too few for balls entering at point 100; the chain shooter waits for a "
                                        "longer one, WARNING"))
                << getLogContents();
        }
        if (c.ready) {
            // Balls without pictures roll and are shot at all the same.
            setting("#zuma_enable")->setNumber(1.0f);
            click(200.0f, 0.0f);
            tick(30);
            EXPECT_GT(zuma->chain.count(), 0) << c.what;
        }
        dropScene();
    }

    // Ten thousand control points going to and fro.
    play(scene, "init {\n  set $ball_00 $red\n  set $ball_01 $green\n}\n");
    PtrArray<ScriptValue> *controls = makeArrayValue(setting("#zuma_main_points"), world->scriptPools);
    for (int32_t i = 0; i < 10000; ++i)
        storeArrayEntry(controls, i, &zuma->findElement(i % 2 ? "near" : "p0")->selfSlot);
    tick();
    ASSERT_TRUE(zuma->setUp);
    EXPECT_GT(zuma->path.pointCount(), 500000);
    setting("#zuma_enable")->setNumber(1.0f);
    tick(50);
    EXPECT_GT(zuma->chain.count(), 1);
}

// Settings that hold no usable number stand for their defaults; extreme numbers keep every ball on the
// path.
TEST_F(ChainShooterScene, SettingsOfTextNotANumberNegativeOrHugeKeepTheGameSound) {
    const char *settings[] = {"#zuma_special_chance", "#zuma_bomb_radius",      "#zuma_slow_duration",
                           "#zuma_bomb_chanse",    "#zuma_slow_chanse",      "#zuma_start_speed",
                           "#zuma_normal_speed_after", "#zuma_normal_speed", "#zuma_backward_speed",
                           "#zuma_bullet_speed"};
    const float values[] = {std::numeric_limits<float>::quiet_NaN(), -5.0f, 1e30f, 0.0f};
    for (int value = -1; value < int(std::size(values)); ++value) {
        playStandard();
        for (const char *name : settings) {
            if (value < 0)
                setting(name)->setPointer(kScriptText, "fast");
            else
                setting(name)->setNumber(values[value]);
        }
        for (int step = 0; step < 300; ++step) {
            if (step % 25 == 0)
                click(float(step % 400), 150.0f);
            else
                tick();
            for (int32_t i = 0; i < zuma->chain.count(); ++i) {
                ASSERT_GE(zuma->chain[i]->pathIndex, 0) << value;
                ASSERT_LT(zuma->chain[i]->pathIndex, zuma->path.pointCount()) << value;
            }
        }
        dropScene();
    }
}

} // namespace
} // namespace chaintest
