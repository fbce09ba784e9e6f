// Display nodes cloned from templates of scene files: the subtree's layout and order, differences pushed
// down by the setters, the fade and the active flag, drawing read back from the device, and the node's own
// emitter with the world's pools.

#include "tests/game/minigames/NodeTestSupport.h"

#include <limits>
#include <memory>

#include "game/scene/ParticleEmitter.h"
#include "game/scene/WaveQuad.h"

namespace nodetest {
namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;

class DisplayNodes : public NodeScenes {};

TEST_F(DisplayNodes, BindingCopiesTheTemplateAndPlacesItsSubtreeByTheCentres) {
    solidPicture("red.png", 4, 4, kRed);
    HoScene *scene = arena("O ball\nI red.png\nW 20\nH 10\nU 0.25\nV 0.75\nX 1\nK 500\nY 1\nK 300\n"
                           "R 1\nK 1\nS 1\nK 1\nZ 1\nK 3\n"
                           "O right\nP ball\nI red.png\nX 1\nK 10\nY 1\nK 0\nZ 1\nK 2\nR 1\nK 1\nS 1\nK 1\n"
                           "O left\nP ball\nI red.png\nX 1\nK -10\nY 1\nK -5\nZ 1\nK 1\n"
                           "O twin\nP ball\nX 1\nK 0\nY 1\nK 0\nZ 1\nK 1\n"
                           "O spark\nP right\nX 1\nK 10\nY 1\nK 10\n");
    // Children stand relative to their parents, y pointing up, as the scene update places them. The
    // template is turned and scaled after that, so the centres stay where the file puts them.
    SceneElement *ball = scene->findElement("ball");
    ball->angle.setNumber(10.0f);
    ball->sx.setNumber(1.5f);
    ball->sy.setNumber(2.0f);
    DisplayNode node(scene, nullptr, ball);
    EXPECT_EQ(node.width, 20.0f);
    EXPECT_EQ(node.height, 10.0f);
    EXPECT_EQ(node.pivotX, 0.25f);
    EXPECT_EQ(node.pivotY, 0.75f);
    EXPECT_EQ(node.scaleX, 1.5f);
    EXPECT_EQ(node.scaleY, 2.0f);
    EXPECT_EQ(node.angle, 10.0f);
    EXPECT_EQ(node.z, 3.0f);
    EXPECT_EQ(node.x, 0.0f) << "the position is the node's own";
    node.setX(100.0f);
    node.setY(100.0f);

    // Ascending z, the equal keys in the scene's order; the grandchild follows its parent.
    struct Expected {
        const char *name;
        float x, y;
    } expected[] = {{"left", 90, 105}, {"twin", 100, 100}, {"right", 110, 100}};
    ASSERT_EQ(node.children.count(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        const DisplayNode *child = node.children[i];
        EXPECT_STREQ(child->element->name, expected[i].name);
        EXPECT_EQ(child->parent, &node);
        EXPECT_FLOAT_EQ(child->x, expected[i].x) << expected[i].name;
        EXPECT_FLOAT_EQ(child->y, expected[i].y) << expected[i].name;
    }
    const DisplayNode *right = node.children[2];
    ASSERT_EQ(right->children.count(), 1);
    EXPECT_FLOAT_EQ(right->children[0]->x, 120.0f);
    EXPECT_FLOAT_EQ(right->children[0]->y, 90.0f);
    EXPECT_EQ(node.children[0]->children.count(), 0);
}

TEST_F(DisplayNodes, AParentCycleStopsTheCopyWithOneWarning) {
    solidPicture("red.png", 4, 4, kRed);
    HoScene *scene = arena("O a\nP b\nI red.png\nO b\nP a\nI red.png\nO selfish\nI red.png\n");
    SceneElement *selfish = scene->findElement("selfish");
    selfish->parent = selfish; // as set_parent makes it
    const struct {
        const char *name;
        int32_t children, grandchildren;
    } cases[] = {{"a", 1, 0}, {"selfish", 0, 0}};
    for (const auto &c : cases) {
        clearLogContents();
        DisplayNode node(scene, nullptr, scene->findElement(c.name));
        ASSERT_EQ(node.children.count(), c.children) << c.name;
        if (c.children) {
            EXPECT_EQ(node.children[0]->children.count(), c.grandchildren);
        }
        EXPECT_EQ(restest::logCount("its own ancestor through its parent links"), 1) << c.name;
        EXPECT_TRUE(restest::logHas(std::string("element ") + c.name + " of scene arena")) << getLogContents();
    }
}

TEST_F(DisplayNodes, SettersPushTheSameDifferenceToTheSubtree) {
    DisplayNode root(nullptr, nullptr, nullptr);
    auto *near = new DisplayNode(nullptr, nullptr, nullptr);
    auto *small = new DisplayNode(nullptr, nullptr, nullptr);
    auto *grandchild = new DisplayNode(nullptr, nullptr, nullptr);
    near->setX(10.0f);
    near->setAngle(5.0f);
    grandchild->setX(20.0f);
    small->setScaleY(0.2f);
    near->addChild(grandchild);
    root.addChild(near);
    root.addChild(small);

    EXPECT_EQ(root.setX(50.0f), 50.0f);
    EXPECT_EQ(near->x, 60.0f);
    EXPECT_EQ(grandchild->x, 70.0f);
    EXPECT_EQ(root.setAngle(30.0f), 30.0f);
    EXPECT_EQ(near->angle, 35.0f);
    EXPECT_EQ(near->x, 60.0f) << "a child is not swung about its parent";
    EXPECT_EQ(grandchild->angle, 30.0f);
    EXPECT_EQ(root.setScaleY(0.5f), 0.5f);
    EXPECT_EQ(near->scaleY, 0.5f);
    EXPECT_EQ(small->scaleY, 0.0f) << "0.2 - 0.5 is clamped in the child";
    EXPECT_EQ(root.setScaleX(-1.0f), 0.0f);
    EXPECT_EQ(root.setScaleX(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ(near->scaleX, 0.0f);
    EXPECT_EQ(root.setY(-1e30f), -1e30f) << "positions are not clamped";

    // The array keeps its storage when the children go.
    const int32_t capacity = root.children.capacity();
    root.deleteChildren();
    EXPECT_EQ(root.children.count(), 0);
    EXPECT_EQ(root.children.capacity(), capacity);
}

TEST_F(DisplayNodes, AFadeRunsItsStepsUnclampedAndActiveReachesEveryDescendant) {
    DisplayNode root(nullptr, nullptr, nullptr);
    auto *child = new DisplayNode(nullptr, nullptr, nullptr);
    auto *grandchild = new DisplayNode(nullptr, nullptr, nullptr);
    child->addChild(grandchild);
    root.addChild(child);
    root.fadeSteps = 10;
    root.fadeDelta = -0.1f;
    for (int32_t i = 0; i < 10; ++i)
        root.update();
    EXPECT_NEAR(root.alpha, 0.0f, 1e-5f);
    EXPECT_EQ(root.fadeSteps, 0);
    const float faded = root.alpha;
    for (int32_t i = 0; i < 5; ++i)
        root.update();
    EXPECT_EQ(root.alpha, faded);

    root.fadeSteps = 3;
    root.fadeDelta = 0.5f;
    for (int32_t i = 0; i < 3; ++i)
        root.update();
    EXPECT_NEAR(root.alpha, 1.5f, 1e-5f) << "no clamp at 1";

    for (uint8_t flag : {uint8_t(0), uint8_t(1)}) {
        root.setActive(flag);
        EXPECT_EQ(child->active, flag);
        EXPECT_EQ(grandchild->active, flag);
    }
}

// The node runs its own frame by the element's animation rule: the element's own update is the measure,
// frame by frame, and so is the moment its animating flag is cleared.
TEST_F(DisplayNodes, TheFrameFollowsTheElementsOwnAnimationRule) {
    solidPicture("red.png", 4, 4, kRed);
    HoScene *scene = arena("O spin\nI red.png\n");
    SceneElement *spin = scene->findElement("spin");
    const struct {
        int32_t start, end;
        float step;
    } cases[] = {{5, 0, 2.0f}, {-3, 2, 2.0f}, {0, 4, 1.5f}, {-1, -4, 0.5f}};
    for (const auto &c : cases) {
        spin->startAnimation(c.start, c.end, c.step, false, nullptr);
        DisplayNode node(scene, nullptr, spin);
        node.frame = float(c.start);
        for (int32_t step = 0; step < 8; ++step) {
            scene->update();
            const uint8_t ownFlag = spin->animating;
            spin->animating = 1;
            node.update();
            EXPECT_EQ(node.frame, spin->currentFrame) << c.start << ".." << c.end << " step " << step;
            EXPECT_EQ(spin->animating, ownFlag) << c.start << ".." << c.end << " step " << step;
        }
        const float stopped = node.frame;
        node.setActive(0);
        node.update();
        EXPECT_EQ(node.frame, stopped) << "an inactive node keeps its frame";
    }
}

TEST_F(DisplayNodes, APictureStandsAtItsPivotTurnedByTheTables) {
    solidPicture("red.png", 4, 4, kRed);
    HoScene *scene = arena("O tile\nI red.png\nW 20\nH 10\nR 1\nK 1\nS 1\nK 1\n");
    SceneElement *tile = scene->findElement("tile");
    struct Point {
        int x, y;
    };
    const struct {
        float pivot, angle;
        std::vector<Point> inside, outside;
    } cases[] = {
        {0.5f, 0.0f, {{31, 26}, {49, 34}}, {{29, 30}, {51, 30}, {40, 24}, {40, 36}}},
        {0.5f, 90.0f, {{36, 21}, {44, 39}}, {{33, 30}, {47, 30}, {40, 18}, {40, 42}}},
        {0.0f, 0.0f, {{41, 31}, {59, 39}}, {{39, 35}, {61, 35}, {50, 29}}},
        {0.0f, 90.0f, {{41, 11}, {49, 29}}, {{39, 20}, {51, 20}, {45, 31}}},
    };
    for (const auto &c : cases) {
        tile->pivotX.setNumber(c.pivot);
        tile->pivotY.setNumber(c.pivot);
        DisplayNode node(scene, nullptr, tile);
        node.setX(40.0f);
        node.setY(30.0f);
        node.setAngle(c.angle);
        const std::vector<uint32_t> pixels = drawn(node);
        for (const Point &p : c.inside)
            EXPECT_EQ(at(pixels, p.x, p.y), kRed) << "pivot " << c.pivot << " angle " << c.angle << " at " << p.x
                                                  << "," << p.y;
        for (const Point &p : c.outside)
            EXPECT_EQ(at(pixels, p.x, p.y), kBackground) << "pivot " << c.pivot << " angle " << c.angle << " at "
                                                         << p.x << "," << p.y;
    }
}

// A waving template waves on the node: its quad is drawn in the element's strips, not whole.
TEST_F(DisplayNodes, AWavingTemplateIsDrawnInItsStrips) {
    std::vector<uint32_t> bands(64 * 16);
    for (size_t i = 0; i < bands.size(); ++i)
        bands[i] = (i % 64) / 16 % 2 ? kGreen : kRed;
    ASSERT_TRUE(lftest::writePng(source() / "data/scenes/arena/bands.png", 64, 16, bands));
    HoScene *scene = arena("O flag\nI bands.png\nW 64\nH 16\nR 1\nK 1\nS 1\nK 1\nT 4 1.5 10\n");
    SceneElement *flag = scene->findElement("flag");
    scene->frameCounter = 40;
    DisplayNode node(scene, nullptr, flag);
    node.setX(64.0f);
    node.setY(40.0f);
    node.alpha = 0.5f;
    const std::vector<uint32_t> waving = drawn(node, 0.8f);
    host.clear(kBackground);
    drawWaveQuad(*flag, node.quad(), *flag->renderable, flag->renderable->update(0), 0.4f);
    started().flushBatch();
    EXPECT_EQ(waving, frame());
    flag->waveStrips1 = 1;
    EXPECT_NE(drawn(node, 0.8f), waving) << "the strips moved the bands";
}

TEST_F(DisplayNodes, AlphaVisibilityAndCulling) {
    solidPicture("red.png", 4, 4, kRed);
    solidPicture("green.png", 4, 4, kGreen);
    HoScene *scene = arena("O tile\nI red.png\nW 20\nH 20\nR 1\nK 1\nS 1\nK 1\n"
                           "O chip\nI green.png\nW 10\nH 10\nR 1\nK 1\nS 1\nK 1\n");
    DisplayNode node(scene, nullptr, scene->findElement("tile"));
    auto *chip = new DisplayNode(scene, nullptr, scene->findElement("chip"));
    node.addChild(chip);
    node.setX(30.0f);
    node.setY(30.0f);
    chip->setX(80.0f);

    // The node's own alpha multiplies its picture only; the children take the alpha that was passed.
    node.alpha = 0.5f;
    std::vector<uint32_t> pixels = drawn(node, 0.5f);
    EXPECT_NEAR(int(at(pixels, 30, 30) >> 16 & 0xFF), 64, 2);
    EXPECT_NEAR(int(at(pixels, 80, 30) >> 8 & 0xFF), 128, 2);

    // An invisible parent hides its visible children.
    node.visible = 0;
    pixels = drawn(node);
    EXPECT_EQ(at(pixels, 30, 30), kBackground);
    EXPECT_EQ(at(pixels, 80, 30), kBackground);

    // Off the screen nothing reaches the batch: no picture is even bound.
    node.visible = 1;
    node.setX(-500.0f);
    started().flushBatch();
    node.children[0]->visible = 0;
    node.draw(1.0f);
    EXPECT_EQ(currentContext->boundPicture, nullptr);
}

// Particle templates: a definition whose particles are born at the emitter's place and stand still.
constexpr const char *kStillSparks = "H 1\nS 0\nT 0\nV 0\nW 0\nL 50\nE 1\nX 6\nF 0 0\n";

TEST_F(DisplayNodes, TheTemplateOfAParticleNodeIsPutBackExactlyAfterEveryStep) {
    solidPicture("spark.png", 4, 4, kRed);
    write("data/particles/sparks.particles", kStillSparks);
    HoScene *scene = arena("O fx:sparks.particles\nI spark.png\nE 1\nK 1\nX 1\nK 300\nY 1\nK 200\n");
    SceneElement *fx = scene->findElement("fx");
    fx->y.clear(); // a slot that is no number comes back as it was
    DisplayNode node(scene, nullptr, fx);
    ASSERT_EQ(node.hasEmitter, 1);
    ASSERT_NE(node.emitter, nullptr);
    EXPECT_EQ(node.emitter->loop, 1);
    node.setX(40.0f);
    node.setY(30.0f);
    const ScriptValue *slots[] = {&fx->x, &fx->y, &fx->absX, &fx->absY, &fx->cx, &fx->cy};
    std::vector<ScriptValue> before;
    for (const ScriptValue *slot : slots)
        before.push_back(*slot);
    for (int32_t step = 0; step < 30; ++step) {
        node.update();
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(slots[i]->type, before[i].type) << "slot " << i << " step " << step;
            EXPECT_EQ(slots[i]->pointer, before[i].pointer) << "slot " << i << " step " << step;
        }
    }
    EXPECT_GT(node.emitter->particles.count(), 0);

    // Inactive, the emitter is stepped in the mode that stops births.
    node.setActive(0);
    const int32_t alive = node.emitter->particles.count();
    node.update();
    EXPECT_LE(node.emitter->particles.count(), alive);
    EXPECT_EQ(node.emitter->emissionCounter, 0);
}

TEST_F(DisplayNodes, ParticlesFixedAtBirthStandAtTheNodeOthersFollowTheTemplate) {
    solidPicture("spark.png", 4, 4, 0xFFFFFFFFu);
    write("data/particles/fixed.particles", std::string(kStillSparks) + "O B 1\n");
    write("data/particles/loose.particles", kStillSparks);
    HoScene *scene = arena("O fixed:fixed.particles\nI spark.png\nE 1\nK 1\nX 1\nK 300\nY 1\nK 200\n"
                           "O loose:loose.particles\nI spark.png\nE 1\nK 1\nX 1\nK 300\nY 1\nK 200\n");
    for (bool fixedAtBirth : {true, false}) {
        DisplayNode node(scene, nullptr, scene->findElement(fixedAtBirth ? "fixed" : "loose"));
        node.setX(40.0f);
        node.setY(30.0f);
        for (int32_t step = 0; step < 3; ++step)
            node.update();
        ASSERT_GT(node.emitter->particles.count(), 0);
        const ParticleLook look = node.emitter->lookOf(*node.emitter->particles[0], 1.0f);
        EXPECT_FLOAT_EQ(look.place.absX, fixedAtBirth ? 40.0f : 300.0f);
        EXPECT_FLOAT_EQ(look.place.absY, fixedAtBirth ? 30.0f : 200.0f);
        const std::vector<uint32_t> pixels = drawn(node);
        EXPECT_EQ(at(pixels, 40, 30) != kBackground, fixedAtBirth);
    }
}

TEST_F(DisplayNodes, EmittersComeFromTheWorldsPoolsAndGoBackThere) {
    solidPicture("spark.png", 4, 4, kRed);
    // Two particles at most, each living three ticks: the emitter runs dry.
    write("data/particles/burst.particles", "Z 2\nC 1\nE 0\nL 0.03\n");
    HoScene *scene = arena("O fx:burst.particles\nI spark.png\nE 1\nK 1\n");
    SceneElement *fx = scene->findElement("fx");
    RenderRecordPools &pools = world->renderPools;
    {
        DisplayNode node(scene, nullptr, fx);
        ParticleEmitter *emitter = node.emitter;
        ASSERT_EQ(emitter->pools, &pools);
        for (int32_t step = 0; step < 10 && node.emitter; ++step)
            node.update();
        EXPECT_EQ(node.emitter, nullptr) << "a dry emitter is given back";
        EXPECT_EQ(node.hasEmitter, 1);
        started().flushBatch();
        node.draw(1.0f);
        EXPECT_EQ(currentContext->boundPicture, nullptr) << "a dry particle node draws nothing";
        ParticleEmitter *next = pools.acquireEmitter();
        EXPECT_EQ(next, emitter);
        pools.recycleEmitter(next);
    }
    auto recordsOf = [](const auto &pool) {
        int32_t used = 0;
        for (int32_t i = 0; i < pool.blockCount(); ++i)
            used += pool.blockUsed(i);
        return used;
    };
    const int32_t emitters = recordsOf(pools.emitters), particles = recordsOf(pools.particles);
    for (int32_t round = 0; round < 1000; ++round) {
        auto node = std::make_unique<DisplayNode>(scene, nullptr, fx);
        node->update();
        node->update();
        node->bindElement(fx); // the emitter of the earlier binding goes back
        node->update();
    }
    EXPECT_EQ(recordsOf(pools.emitters), emitters);
    EXPECT_EQ(recordsOf(pools.particles), particles);
}

} // namespace
} // namespace nodetest
