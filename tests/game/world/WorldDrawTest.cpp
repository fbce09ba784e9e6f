// The world's frame read back from the window: what each layer covers, the dimming below open zones,
// where "over_hud" stands among the layers, the HUD that a scene may hide, the black of a scene change's
// fade and a change fading through it step by step, and the paused menu that the window's deactivation
// brings.

#include <functional>

#include "engine/window/KWindowEvent.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptVariable.h"
#include "tests/game/world/WorldDrawSupport.h"

namespace worldtest {
namespace {

void setVariable(HoScene *scene, const char *name, float value) {
    findOrCreateVariable(&scene->script, name, nullptr)->value->setNumber(value);
}

TEST_F(WorldDrawTest, LayersStackInTheirOrderOverTheDimmingOfOpenZones) {
    startWorld();
    const ScreenPoint open{1000, 1000}; // only the hall lies here
    struct Case {
        const char *what;
        std::function<void()> arrange;
        ScreenPoint at;
        uint32_t expected;
    } cases[] = {
        {"the hall alone", [] {}, open, kRed},
        {"a fully open zone dims what lies below by 0.75", [&] { openZone(1, "hall_zz_desk"); }, open,
         scaled(kRed, 0.25f)},
        {"and shows over it", [&] { openZone(1, "hall_zz_desk"); }, {300, 400}, kGreen},
        {"a half-open zone dims by half as much", [&] { openZone(0, "hall_zz_desk", 0.5f); }, open,
         scaled(kRed, 0.625f)},
        {"a zone without background fade leaves the hall as it is",
         [&] {
             openZone(1, "hall_zz_desk");
             setVariable(w->findScene("hall_zz_desk"), "#background_fade", 0.0f);
         },
         open, kRed},
        {"over_hud covers a zone on layer 2", [&] { openZone(2, "hall_zz_lamp"); }, {800, 400}, kYellow},
        {"below_layers 1 puts layer 2 over over_hud",
         [&] {
             openZone(2, "hall_zz_lamp");
             setVariable(w->overHudScene, "#below_layers", 1.0f);
         },
         {800, 400}, kMagenta},
        {"the hud shows over the hall", [] {}, {300, 1300}, kBlue},
        {"but not in a scene without the hud", [&] { setVariable(hall, "#no_hud", 1.0f); }, {300, 1300}, kRed},
        {"a scene change half faded in is half black", [&] { w->change.fade = 0.5f; }, open, scaled(kRed, 0.5f)},
        {"and black before it fades in", [&] { w->change.fade = 0.0f; }, open, kBlack},
        {"without the white picture nothing is dimmed",
         [&] {
             w->hud.white = nullptr;
             w->change.fade = 0.0f;
             openZone(1, "hall_zz_desk");
         },
         open, kRed},
    };
    HoTexture *white = w->hud.white;
    for (const Case &c : cases) {
        for (ZoomLayer &layer : w->zoomLayers)
            layer = ZoomLayer();
        setVariable(w->findScene("hall_zz_desk"), "#background_fade", 1.0f);
        setVariable(w->overHudScene, "#below_layers", 0.0f);
        setVariable(hall, "#no_hud", 0.0f);
        w->hud.white = white;
        w->change.fade = 1.0f;
        c.arrange();
        const uint32_t shown = colourAt(drawnFrame(), c.at.x, c.at.y);
        EXPECT_TRUE(near(shown, c.expected)) << c.what << ": " << std::hex << shown << " not " << c.expected;
    }
}

TEST_F(WorldDrawTest, AChangeOfSceneFadesThroughBlackStepByStep) {
    startWorld();
    HoScene *garden = w->findScene("garden");
    ASSERT_NE(garden, nullptr);
    setVariable(hall, "#close_time", 0.5f);
    w->changeScene(garden, nullptr);
    // The hall darkens by 0.02 a step to black over its 0.5 s ("#close_time"), then the garden comes out of
    // the black as fast over its own default 0.5 s: the pictures of the steps, each told once.
    std::vector<uint32_t> seen, expected;
    for (int step = 1; step <= 110; ++step) {
        w->frame();
        const uint32_t shown = colourAt(drawnFrame(), 1000, 1000);
        if (seen.empty() || shown != seen.back())
            seen.push_back(shown);
    }
    for (int level = 49; level >= 1; --level)
        expected.push_back(scaled(kRed, 0.02f * float(level)));
    for (int level = 0; level <= 50; ++level)
        expected.push_back(scaled(kGreen, 0.02f * float(level)));
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_TRUE(near(seen[i], expected[i])) << i << ": " << std::hex << seen[i] << " not " << expected[i];
}

TEST_F(WorldDrawTest, DeactivationShowsThePausedMenuOverTheLastFrameUntilActivation) {
    startWorld();
    auto frame = [&] {
        game->window->flipBackBuffer(false);
        game->context->frame();
        return lftest::readBackBuffer(game->window);
    };
    auto event = [&](int32_t type) {
        KWindowEvent windowEvent;
        windowEvent.type = type;
        game->handleWindowEvent(windowEvent);
    };
    EXPECT_TRUE(near(colourAt(frame(), 1000, 1000), kRed));
    event(kEventDeactivate);
    EXPECT_EQ(game->context->active, 0);
    for (int i = 0; i < 2; ++i) {
        // Drawn once: the frames after it keep the same picture, not darker.
        const lftest::BackBuffer paused = frame();
        EXPECT_TRUE(near(colourAt(paused, 1000, 1000), scaled(kRed, 0.25f))) << i;
        EXPECT_TRUE(near(colourAt(paused, 1024, 768), kGrey)) << "the menu at the centre, frame " << i;
    }
    event(kEventActivate);
    const lftest::BackBuffer resumed = frame();
    EXPECT_TRUE(near(colourAt(resumed, 1000, 1000), kRed));
    EXPECT_TRUE(near(colourAt(resumed, 1024, 768), kRed));
}

} // namespace
} // namespace worldtest
