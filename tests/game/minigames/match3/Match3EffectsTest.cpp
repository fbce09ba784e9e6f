// The board's effects, run under the sanitizers: motions and scalings, the board shake and its
// lengthening, bombs and thunderbolts, and resets asked for while effects and events are running.

#include "tests/game/minigames/match3/Match3TestSupport.h"

#include "game/scene/HoParticleSystem.h"
#include "game/scene/ParticleEmitter.h"

namespace match3test {
namespace {

using Effect = HoScenesMatch3::Effect;

const std::vector<std::string> kSmallLayout = {"RGBY", "GBYR", "BYRG"};
const std::string kCalm = "set #mg_match3Properties.hintTime 100000";

class Match3Effects : public Match3Test {
protected:
    // Steps until the figure's effects are over; the steps taken.
    int runOut(Match3Figure *figure, int limit = 500) {
        int steps = 0;
        while (!figure->effects.empty() && steps < limit) {
            tick();
            ++steps;
        }
        return steps;
    }
    int destroying() const {
        int count = 0;
        for (int row = 0; row < board->rows; ++row)
            for (int column = 0; column < board->cols; ++column)
                count += figureAt(column, row) && figureAt(column, row)->destroying;
        return count;
    }
};

TEST_F(Match3Effects, MotionsAndScalingsEndWhereTheySay) {
    build({kSmallLayout, {}, {kCalm}});
    tick(2);
    Match3Figure *figure = figureAt(0, 0);
    board->pushFigureEffect(figure, new HoScenesMatch3::EffectMove(board, figure, 75.0f, 50.0f, 20.0f));
    tick();
    EXPECT_EQ(figure->x, 75.0f) << "closer than 1.5 x speed: there in one step";
    runOut(figure);
    EXPECT_EQ(figure->x, 50.0f) << "and back to its cell's centre";

    board->pushFigureEffect(figure, new HoScenesMatch3::EffectImplode(board, figure, 0.05f));
    EXPECT_EQ(runOut(figure), 19);
    EXPECT_LE(figure->scaleX, 0.1f);
    EXPECT_GT(figure->scaleX, 0.0f) << "shrinking stops at 0.1 or below, not at 0";
    board->pushFigureEffect(figure, new HoScenesMatch3::EffectExpand(board, figure, 1.2f, 0.05f));
    runOut(figure);
    EXPECT_FLOAT_EQ(figure->scaleY, 1.2f);
    board->pushFigureEffect(figure, new HoScenesMatch3::EffectExpand(board, figure, 1.0f, -0.05f));
    runOut(figure);
    EXPECT_FLOAT_EQ(figure->scaleY, 1.0f);

    // A newer motion supersedes the older one: the figure goes where the last one says.
    board->pushFigureEffect(figure, new HoScenesMatch3::EffectMove(board, figure, 50.0f, 300.0f, 20.0f));
    board->pushFigureEffect(figure, new HoScenesMatch3::EffectShake(board, figure, 2, 10.0f));
    board->pushFigureEffect(figure, new HoScenesMatch3::EffectExpand(board, figure, 1.5f, 0.1f));
    EXPECT_TRUE(figure->effects.first()->done);
    runOut(figure);
    EXPECT_EQ(figure->y, 50.0f);
    EXPECT_EQ(figure->x, 50.0f);
}

TEST_F(Match3Effects, ASecondSpecialDuringAShakeLengthensIt) {
    build({kSmallLayout, {}, {kCalm}});
    tick(2);
    run("call match3_changeFigure 1 16 0 1");
    tick();
    ASSERT_NE(board->runningShake, nullptr);
    EXPECT_EQ(board->runningShake->steps, 25u);
    EXPECT_EQ(figureAt(0, 1)->type, 16);
    EXPECT_EQ(figureAt(0, 1)->templateIndex, float(kindIndex('g')));
    run("call match3_changeFigure 1 16 1 1\ncall match3_changeFigure 1 99 2 1\ncall match3_changeFigure 1 16");
    tick();
    EXPECT_EQ(board->runningShake->steps, 75u) << "one shake, 50 steps longer";
    EXPECT_EQ(board->sceneEffects.count(), 1);
    EXPECT_EQ(figureAt(2, 1)->type, 0) << "no kind of colour 1 and type 99";
    bool moved = false;
    int steps = 0;
    while (board->runningShake && steps < 200) {
        tick();
        moved = moved || boardElement->x.asNumber() != 200.0f;
        ++steps;
    }
    EXPECT_TRUE(moved);
    EXPECT_GE(steps, 70);
    EXPECT_LE(steps, 80);
    EXPECT_EQ(boardElement->x.asNumber(), 200.0f);
    EXPECT_EQ(boardElement->y.asNumber(), 150.0f);
    EXPECT_EQ(countOf(takeTrace(), "onDestroyed"), 2) << "a change is the old figure's end";
}

TEST_F(Match3Effects, ABombCatchesWhatFallsIntoItsBlast) {
    build({{"FRGBF", "FGBRF", "FRGBF", "FBRGF", "FGXRF"}, {}, {kCalm, "set #mg_match3Properties.effectExplosion 13"}});
    tick(2);
    Match3Figure *bomb = figureAt(2, 4);
    board->destroyFigure(bomb, false, 0);
    tick();
    EXPECT_EQ(board->destroyedCount, 6) << "the bomb and its five neighbours on the board";
    EXPECT_EQ(bomb->overlay.element, pictures[size_t(kindIndex('e'))]);
    EXPECT_EQ(bomb->drawLevel, 2);
    tick(100);
    EXPECT_EQ(board->destroyedCount, 15) << "everything that fell in within the 100 steps";
    settle();
    EXPECT_EQ(layout(), (std::vector<std::string>{"F...F", "F...F", "F...F", "F...F", "F...F"}));
}

TEST_F(Match3Effects, BeamsStopAtWallsAndPassArmouredFigures) {
    const BoardPlan plan{{"GB.YG", "BYGBY", "YBTAG", "GYBYB", "BGYGY"}, {"..#.."}, {kCalm}};
    const struct {
        const char *thunderbolt; // the beam picture's kind, or none
        float beamHeight;
        int destroyed;
    } cases[] = {{"15", 100.0f, 7}, {nullptr, 100.0f, 1}, {"15", 0.0f, 7}};
    for (const auto &c : cases) {
        BoardPlan built = plan;
        if (c.thunderbolt)
            built.extra.push_back(std::string("set #mg_match3Properties.effectThunderbolt ") + c.thunderbolt);
        run("call match3_reset");
        build(built);
        pictures[size_t(kindIndex('b'))]->baseHeight = c.beamHeight;
        tick(2);
        Match3Figure *thunderbolt = figureAt(2, 2);
        board->destroyFigure(thunderbolt, false, 0);
        EXPECT_EQ(board->destroyedCount, c.destroyed);
        EXPECT_EQ(destroying(), c.destroyed);
        EXPECT_FALSE(figureAt(3, 2)->destroying) << "armoured";
        if (c.destroyed > 1) {
            for (const auto &[column, row] : {std::pair{2, 1}, std::pair{4, 2}, std::pair{2, 4}, std::pair{0, 2}})
                EXPECT_TRUE(figureAt(column, row)->destroying) << column << "," << row;
            auto *beams = static_cast<HoScenesMatch3::EffectThunderbolt *>(board->sceneEffects.first());
            ASSERT_EQ(beams->typeCode, Effect::kThunderbolt);
            EXPECT_EQ(beams->beamLength[0], 100.0f) << "up to the wall";
            EXPECT_EQ(beams->beamLength[1], 200.0f) << "right, through the armoured figure";
            EXPECT_EQ(beams->beamScale[2], c.beamHeight > 0.0f ? 2.0f : 0.0f);
            EXPECT_TRUE(board->thunderboltFigure->picture.active);
        }
        tick(25); // 200 ms of world time, drawn frame by frame
        EXPECT_TRUE(board->sceneEffects.empty());
        if (board->thunderboltFigure) {
            EXPECT_FALSE(board->thunderboltFigure->picture.active);
        }
        settle();
        EXPECT_TRUE(thunderbolt->free) << "the thunderbolt figure is gone too";
        EXPECT_EQ(layout()[2][3], 'A');
    }
}

TEST_F(Match3Effects, AResetFromAnEventWaitsForTheNextUpdate) {
    const char *resets[] = {"call match3_reset", "call match3_reset &props"};
    for (const char *reset : resets) {
        run("call match3_reset");
        BoardPlan plan{kSmallLayout, {}, {kCalm}};
        plan.withEvents = false;
        build(plan, std::string("fun onDestroyed %t %i %x %y %c %r {\n  ") + reset +
                        "\n  call match3_changeFigure 1 16 3 2\n}\n");
        tick(2);
        board->destroyFigure(figureAt(1, 1), false, 0);
        board->destroyFigure(figureAt(2, 1), false, 0);
        int steps = 0;
        while (board->destroyedCount > 0 && steps < 100) {
            tick();
            ++steps;
        }
        EXPECT_LT(steps, 30) << reset;
        tick(2);
        EXPECT_TRUE(board->propertiesRead);
        EXPECT_EQ(layout(), kSmallLayout) << "the board starts anew from its table";
        EXPECT_TRUE(board->sceneEffects.empty());
    }
}

TEST_F(Match3Effects, EventsAnsweringTheirOwnEffectsEndEachUpdate) {
    // A figure changed again by its own "onDestroyed", and a hint asked for by "onResetFigures" on a board
    // that still has no move: one change per update, one reshuffle.
    const struct {
        std::vector<std::string> layout;
        const char *hintTime;
        std::string script;
        const char *start;
        int updates;
        const char *event;
        int expected;
    } cases[] = {
        {kSmallLayout, "100000",
         "fun onDestroyed %t %i %x %y %c %r {\n  print onDestroyed\n  call match3_changeFigure 1 16 %c %r\n}\n",
         "call match3_changeFigure 1 16 0 1", 4,
         "onDestroyed", 4},
        {{"RGB", "GBR", "BRG"}, "1", "fun onResetFigures {\n  print onResetFigures\n  call match3_hintPosition #a #b #c\n}\n",
         "set #a 0", 1, "onResetFigures", 9},
    };
    for (const auto &c : cases) {
        run("call match3_reset");
        BoardPlan plan{c.layout, {}, {std::string("set #mg_match3Properties.hintTime ") + c.hintTime}};
        plan.withEvents = false;
        build(plan, c.script);
        tick(2);
        takeTrace();
        run(c.start);
        tick(c.updates);
        EXPECT_EQ(countOf(takeTrace(), c.event), c.expected) << c.event;
    }
}

TEST_F(Match3Effects, AResetDuringAShakePutsTheBoardBackAtRest) {
    build({kSmallLayout, {}, {kCalm}});
    tick(2);
    run("call match3_changeFigure 0 16 0 0");
    tick(2);
    ASSERT_NE(board->runningShake, nullptr);
    while (boardElement->x.asNumber() == 200.0f && boardElement->y.asNumber() == 150.0f)
        tick(); // a step that leaves the board away from rest
    run("call match3_reset");
    EXPECT_EQ(board->runningShake, nullptr);
    EXPECT_TRUE(board->sceneEffects.empty());
    EXPECT_EQ(boardElement->x.asNumber(), 200.0f);
    EXPECT_EQ(boardElement->y.asNumber(), 150.0f);
    tick();
    EXPECT_EQ(layout(), kSmallLayout);
}

TEST_F(Match3Effects, LayerEmittersComeFromTheWorldsHolderAndGoBack) {
    // Sparks over every red figure: no delay, a second of emission, a particle a tick living a second.
    HoParticleSystem sparks;
    sparks.read("Q 0 0 1\nE 0\nC 1\nL 1\n");
    SceneElement *sparkElement = addElement(board, "sparks");
    sparkElement->renderable = world.renderPools.newSceneImage();
    sparkElement->particleSystem = &sparks;
    sparkElement->mediaSwitch.setNumber(1.0f);
    sparkElement->baseWidth = sparkElement->baseHeight = 100.0f;
    build({kSmallLayout, {}, {kCalm, "set &kind0{s}.foreground $sparks"}});
    tick();
    Match3Figure *red = figureAt(0, 0);
    ParticleEmitter *emitter = red->foreground.emitter;
    ASSERT_NE(emitter, nullptr);
    EXPECT_EQ(emitter->pools, &world.renderPools);
    EXPECT_GT(emitter->particles.count(), 0) << "pre-emitted";

    const int32_t counter = emitter->emissionCounter;
    const uint32_t steps = board->stepCounter;
    board->applySceneProperties();
    EXPECT_EQ(board->stepCounter, steps + 1) << "the pass's one update is the board's own";
    EXPECT_EQ(emitter->emissionCounter, counter) << "held while the scene applies its properties";
    tick();
    EXPECT_EQ(emitter->emissionCounter, counter + 1);
    EXPECT_EQ(sparkElement->x.asNumber(), 0.0f) << "the element goes back after each step";

    board->destroyFigure(red, false, 0);
    settle();
    EXPECT_TRUE(red->free);
    EXPECT_EQ(red->foreground.emitter, nullptr);
    ParticleEmitter *next = world.renderPools.acquireEmitter();
    EXPECT_EQ(next, emitter) << "the released figure's emitter went back to the holder";
    world.renderPools.recycleEmitter(next);
}

} // namespace
} // namespace match3test
