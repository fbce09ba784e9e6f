// The chain shooter's rules on chains that the suite lays on a straight path (point k at x = k, y 150,
// balls 20 wide, so neighbours touch 20 points apart): the speed, gaps closing and matching, where a shot
// enters the chain, runs with their slow and bomb balls, the placeholder's slot kept through a match, a
// reset asked for by an event, and the game read back from the device.

#include "tests/game/minigames/chainshooter/ChainShooterTestSupport.h"

#include "game/scene/ParticleEmitter.h"

namespace chaintest {
namespace {

constexpr const char *kDestroyedTrace = "fun &onDestroyed %type %kind %x %y {\n  print destroyed %type %kind %x %y\n}\n"
                                        "fun &onHit %type %kind %x %y {\n  print hit %type %kind %x %y\n}\n";

class ChainPlay : public ChainShooterTest {};

TEST_F(ChainPlay, TheSpeedFallsToTheNormalSpeedAndSlowSpeedsMoveWholePoints) {
    playStandard("  set #zuma_start_speed 40\n  set #zuma_normal_speed 1\n");
    const struct {
        float launched, speed;
    } schedule[] = {{0, 40}, {25, 20.5f}, {49, 1.78f}, {50, 1}, {80, 1}};
    for (const auto &s : schedule) {
        zuma->launched = s.launched;
        EXPECT_NEAR(zuma->scheduledSpeed(), s.speed, 1e-3f) << s.launched;
    }
    for (float after : {0.0f, -5.0f}) {
        setting("#zuma_normal_speed_after")->setNumber(after);
        zuma->launched = 0;
        EXPECT_EQ(zuma->scheduledSpeed(), 1.0f) << "no division by " << after;
    }

    // A quarter point a step moves one point every fourth step; slow motion one every fifth.
    setting("#zuma_normal_speed")->setNumber(0.25f);
    std::vector<int32_t> moves;
    for (int i = 0; i < 8; ++i)
        moves.push_back(zuma->chainMove());
    EXPECT_EQ(moves, (std::vector<int32_t>{0, 0, 0, 1, 0, 0, 0, 1}));

    // For as many steps as the slow timer holds, then at the normal speed again.
    setting("#zuma_normal_speed")->setNumber(1.0f);
    zuma->startOffset = 0; // no ball enters while the one ball stays near the start
    zuma->slowTimer = 10.0f;
    addBall(0, 5);
    std::vector<int32_t> places;
    for (int i = 0; i < 12; ++i) {
        tick();
        places.push_back(zuma->chain[0]->pathIndex);
    }
    EXPECT_EQ(places, (std::vector<int32_t>{5, 5, 5, 5, 6, 6, 6, 6, 6, 7, 8, 9}));
    EXPECT_EQ(zuma->slowTimer, 0.0f);
}

// The ball behind a gap rolls back to a neighbour of its kind, the balls beyond it following, and is
// matched where it touches: two of a kind stay, three go and set off the slow ball beside them.
TEST_F(ChainPlay, AGapOfOneKindClosesAtTheBackwardSpeedAndMatchesAtContact) {
    const struct {
        int32_t behindGap; // red balls before the gap
        size_t left;
        std::vector<std::string> trace;
    } cases[] = {
        {1, 3, {}},
        {2, 0,
         {"destroyed 1 0 120 150", "destroyed 1 0 140 150", "destroyed 1 0 160 150", "destroyed 3 -1 185 150"}},
    };
    for (const auto &c : cases) {
        playStandard("", kDestroyedTrace);
        for (int32_t i = 0; i < c.behindGap; ++i)
            addBall(0, 120 + 20 * i);
        ChainBall *rolling = addBall(0, 250);
        addBall(-1, 270, ChainBall::kSlow);
        tick();
        EXPECT_EQ(rolling->pathIndex, 245);
        EXPECT_EQ(zuma->chain.get(c.behindGap + 1)->pathIndex, 265) << "the slow ball follows";
        tick(16);
        EXPECT_EQ(rolling->closingGap, 1);
        tick();
        EXPECT_EQ(size_t(zuma->chain.count()), c.left) << c.behindGap;
        EXPECT_EQ(takeTrace(), c.trace);
        EXPECT_EQ(zuma->slowTimer, c.left ? 0.0f : 200.0f);
        dropScene();
    }
}

// Where a shot enters: beside the ball it hits, behind it when it came from the start's side, but never
// behind the first ball; the placeholder opens the slot, the shot glides in and is matched there.
TEST_F(ChainPlay, AShotEntersBesideTheBallItHits) {
    const struct {
        const char *what;
        std::vector<int32_t> chainKinds;
        float shotX;
        int32_t shotKind, slot, slotIndex;
        const char *hitTrace;
        std::vector<int32_t> kindsAfter;
    } cases[] = {
        {"behind the first ball's centre", {0}, 117, 2, 1, 121, "hit 1 0 120 150", {0, 2}},
        {"behind the second ball's centre", {0, 1}, 137, 2, 1, 130, "hit 1 1 140 150", {0, 2, 1}},
        {"ahead of the second ball's centre", {0, 1}, 143, 2, 2, 141, "hit 1 1 140 150", {0, 1, 2}},
        {"completing a run", {0, 0}, 143, 0, 2, 141, "hit 1 0 140 150", {}},
    };
    for (const auto &c : cases) {
        playStandard("", kDestroyedTrace);
        for (size_t i = 0; i < c.chainKinds.size(); ++i)
            addBall(c.chainKinds[i], 120 + 20 * int32_t(i));
        ChainBall *shot = new ChainBall(zuma, templateAt(zuma->kinds, c.shotKind), ChainBall::kOrdinary, c.shotKind);
        shot->setX(c.shotX);
        shot->setY(170.0f);
        zuma->flyingBall = shot;
        zuma->shotVelocityX = 0.0f;
        zuma->shotVelocityY = -8.0f;
        zuma->currentPlace->visible = 0;
        tick(2);
        ASSERT_TRUE(zuma->inserting) << c.what;
        EXPECT_EQ(zuma->insertIndex, c.slot) << c.what;
        EXPECT_EQ(zuma->chain.indexOf(zuma->placeholder), c.slot) << c.what;
        EXPECT_EQ(zuma->placeholder->pathIndex, c.slotIndex) << c.what;
        EXPECT_EQ(takeTrace(), std::vector<std::string>{c.hitTrace}) << c.what;
        // One step of glide, then the shot lands.
        tick(2);
        EXPECT_EQ(zuma->flyingBall, nullptr) << c.what;
        EXPECT_FALSE(zuma->inserting);
        EXPECT_EQ(zuma->chain.indexOf(zuma->placeholder), -1);
        std::vector<int32_t> kinds;
        for (int32_t i = 0; i < zuma->chain.count(); ++i)
            kinds.push_back(zuma->chain[i]->kind);
        EXPECT_EQ(kinds, c.kindsAfter) << c.what;
        EXPECT_EQ(size_t(zuma->dying.count()), c.chainKinds.size() + 1 - c.kindsAfter.size()) << c.what;
        EXPECT_EQ(zuma->currentPlace->visible, 1) << "the gun reloads";
        dropScene();
    }
}

// A bomb of radius 10 reaches at most ten balls on each side, and of those only the ones within ten of
// its widths and five points along the path.
TEST_F(ChainPlay, ABombBesideARunReachesItsRadiusInBallsAndInPoints) {
    const struct {
        int32_t spacingAfter;
        std::vector<int32_t> survivors; // chain indices before the match
    } cases[] = {
        {20, {0, 1, 2, 3, 4, 26, 27, 28, 29, 30}},
        {30, {0, 1, 2, 3, 4, 22, 23, 24, 25, 26, 27, 28, 29, 30}},
    };
    for (const auto &c : cases) {
        playStandard();
        std::vector<ChainBall *> balls;
        for (int32_t i = 0; i <= 30; ++i) {
            const int32_t at = i <= 15 ? 200 + 20 * i : 500 + c.spacingAfter * (i - 15);
            const bool inRun = i >= 12 && i <= 14;
            balls.push_back(i == 15 ? addBall(-1, at, ChainBall::kBomb) : addBall(inRun ? 0 : 1 + i % 2, at));
        }
        zuma->matchAt(13);
        std::vector<int32_t> survivors;
        for (int32_t i = 0; i <= 30; ++i) {
            if (zuma->chain.indexOf(balls[size_t(i)]) >= 0)
                survivors.push_back(i);
        }
        EXPECT_EQ(survivors, c.survivors) << c.spacingAfter;
        EXPECT_EQ(zuma->dying.count(), 31 - int32_t(c.survivors.size()));
        EXPECT_EQ(balls[15]->scaleY, 0.0f) << "the bomb's picture vanishes";
        dropScene();
    }

    // Bombs setting off bombs, far deeper than explosions nest, go off all the same.
    playStandard();
    for (int32_t i = 0; i < 400; ++i)
        addBall(-1, 200 + 4 * i, ChainBall::kBomb);
    zuma->matchAt(0);
    EXPECT_TRUE(zuma->chain.empty());
    EXPECT_EQ(zuma->dying.count(), 400);
}

// A match while a shot glides in moves the placeholder; the shot still lands in its own slot.
TEST_F(ChainPlay, AMatchDuringAnInsertionKeepsTheShotsSlot) {
    playStandard();
    addBall(0, 120);
    addBall(0, 140);
    addBall(0, 250);
    ChainBall *green = addBall(1, 270);
    ChainBall *placeholder = zuma->placeholder;
    placeholder->width = 20.0f;
    zuma->placeAt(placeholder, 290);
    zuma->chain.append(placeholder);
    ChainBall *blue = addBall(2, 310);
    ChainBall *shot = new ChainBall(zuma, templateAt(zuma->kinds, 2), ChainBall::kOrdinary, 2);
    zuma->flyingBall = shot;
    zuma->inserting = true;
    zuma->insertIndex = 4;
    zuma->flightSteps = zuma->flightTotal = 1000;
    zuma->currentPlace->visible = 0;
    tick(18);
    ASSERT_EQ(zuma->chain.count(), 3);
    EXPECT_EQ(zuma->insertIndex, 1);
    EXPECT_EQ(zuma->chain[1], placeholder);
    zuma->flightSteps = 0;
    tick();
    // A new ball may have entered in front meanwhile.
    EXPECT_EQ(zuma->chain.indexOf(shot), zuma->chain.indexOf(green) + 1);
    EXPECT_EQ(zuma->chain.indexOf(blue), zuma->chain.indexOf(shot) + 1);
    EXPECT_EQ(zuma->chain.indexOf(placeholder), -1);
    EXPECT_EQ(zuma->insertIndex, -1);
}

// A reset that an event asks for in the middle of a match waits for the next update.
TEST_F(ChainPlay, AResetFromAnEventWaitsForTheNextUpdate) {
    playStandard("  set #zuma_bullet_speed 60\n", "fun &onDestroyed %type %kind %x %y {\n  call &zuma_reset\n}\n");
    addBall(0, 120);
    addBall(0, 140);
    addBall(0, 250);
    tick(18);
    EXPECT_TRUE(zuma->chain.empty());
    EXPECT_EQ(zuma->dying.count(), 3) << "not reset yet";
    tick();
    EXPECT_TRUE(zuma->setUp) << "reset, then set up again from the same variables";
    EXPECT_TRUE(zuma->dying.empty());
    EXPECT_EQ(number(*setting("#zuma_bullet_speed")), 40.0f);
    EXPECT_EQ(number(*setting("#zuma_enable")), 0.0f);
}

TEST_F(ChainPlay, TheSceneDrawsTheChainTheDyingBallsAndTheShotAtTheRenderElement) {
    write("data/particles/sparks.particles", "H 1\nS 0\nT 0\nV 0\nW 0\nL 50\nE 1\nX 6\nF 0 0\nO B 1\n");
    ASSERT_TRUE(lftest::writePng(source() / "data/scenes/zuma/spark.png", 4, 4, std::vector<uint32_t>(16, kWhite)));
    std::string scene = standardScene(8) + "O fx:sparks.particles\nI spark.png\nE 1\nK 1\n";
    scene.replace(scene.find("K 150"), 5, "K 50").replace(scene.find("K 150"), 5, "K 50");
    play(scene, std::string("init {\n") + kStandardInit + "  set #zuma_destroying_particle $fx\n}\n");
    ASSERT_TRUE(zuma->setUp);
    addBall(0, 20);
    addBall(1, 40);
    for (int32_t at : {80, 88, 96})
        addBall(2, at);
    zuma->matchAt(3);
    ChainBall *shot = new ChainBall(zuma, templateAt(zuma->kinds, 2), ChainBall::kOrdinary, 2);
    shot->setX(60.0f);
    shot->setY(80.0f);
    zuma->flyingBall = shot;
    zuma->shotVelocityX = zuma->shotVelocityY = 0.0f;
    tick(3);

    host.clear(kBackground);
    zuma->draw(1.0f);
    const std::vector<uint32_t> pixels = frame();
    EXPECT_EQ(at(pixels, 2, 2), kBackground) << "the element render shows the game, not its own picture";
    EXPECT_EQ(at(pixels, 20, 50), kRed);
    EXPECT_EQ(at(pixels, 40, 50), kGreen);
    EXPECT_EQ(at(pixels, 60, 80), kBlue) << "the shot";
    EXPECT_EQ(at(pixels, 30, 50), kBackground);
    for (int x : {80, 88, 96}) {
        EXPECT_NE(at(pixels, x, 50), kBackground) << "a burst at " << x;
        EXPECT_NE(at(pixels, x, 50), kBlue) << "without its ball at " << x;
    }
}

} // namespace
} // namespace chaintest
