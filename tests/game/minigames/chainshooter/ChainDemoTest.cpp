// The demo's signal mirrors, read from the demo's own scene file, script and particles, played as the
// walk-through plays them under three seeds: the chain rolls in, three clicks a second apart at the stretch
// of groove just past the signal box each set a bead into the chain, and the mirrors are aligned.

#include "tests/game/minigames/chainshooter/ChainShooterTestSupport.h"

#include <fstream>
#include <sstream>

#include "game/world/HoWorld.h"

namespace chaintest {
namespace {

const std::string kDemo = std::string(LF_SOURCE_DIR) + "/demo/content/data/";

std::string demoText(const std::string &name) {
    std::ifstream in(kDemo + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ChainDemo : public ChainShooterTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override {
        ChainShooterTest::SetUp();
        // The demo's whole design area is visible, as in the game.
        screenValues.width = 2560.0f;
        screenValues.height = 1536.0f;
        crtSrand(GetParam());
        for (const char *particles : {"glint.particles", "burst.particles"})
            write(std::string("data/particles/") + particles, demoText(std::string("particles/") + particles));
        // Its pictures stand in as plain grey ones: the game's rules read only the elements' sizes.
        const std::string scene = demoText("scenes/gallery/zuma/zuma.scene");
        std::istringstream lines(scene);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("I ", 0) == 0) {
                ASSERT_TRUE(lftest::writePng(source() / "data/scenes/zuma" / line.substr(2), 4, 4,
                                             std::vector<uint32_t>(16, kGrey)));
            }
        }
        gallery = addScene("gallery", "data/scenes/gallery");
        play(scene, demoText("scenes/gallery/zuma/zuma.script"));
    }
    // A world step over every scene; the click flag holds for that step only.
    void stepWorld(int count = 1) {
        for (int i = 0; i < count; ++i) {
            step();
            world->clicks.clicked = 0;
        }
    }

    HoScene *gallery = nullptr;
};

TEST_P(ChainDemo, ThreeShotsAtTheStretchPastTheSignalBoxAlignTheMirrors) {
    ASSERT_TRUE(zuma->setUp);
    EXPECT_EQ(templateCount(zuma->kinds), 6) << "five bead kinds and the unused last";
    EXPECT_EQ(templateCount(zuma->alternates), 3) << "two glinting beads and the unused last";
    EXPECT_NE(zuma->bombTemplate, nullptr);
    EXPECT_NE(zuma->slowTemplate, nullptr);
    EXPECT_GT(zuma->path.pointCount(), 2800);
    EXPECT_EQ(number(*setting("#zuma_enable")), 0.0f) << "still until the player enters";

    zuma->fireEnter();
    stepWorld(300);
    EXPECT_EQ(number(*setting("#zuma_enable")), 1.0f);
    ASSERT_GT(zuma->chain.count(), 10) << "the chain has rolled in";

    // The point of the groove where the walk-through aims, a bead's width past where the beads come in.
    world->pointerX = 500.0f;
    world->pointerY = 302.0f;
    for (int shot = 0; shot < 3; ++shot) {
        world->clicks.clicked = 1;
        stepWorld(100);
    }
    const std::vector<std::string> expected = {"state mirrors shot 1", "state mirrors hit 1",
                                               "state mirrors shot 2", "state mirrors hit 2",
                                               "state mirrors shot 3", "state mirrors hit 3",
                                               "state mirrors aligned"};
    EXPECT_EQ(takeTrace(), expected);
    EXPECT_EQ(number(*setting("#zuma_enable")), 0.0f) << "the chain stops";
    EXPECT_EQ(number(*variableSlot(gallery, "#mirrors_aligned")), 1.0f);
    const int32_t frozen = zuma->chain[0]->pathIndex;
    stepWorld(50);
    EXPECT_EQ(zuma->chain[0]->pathIndex, frozen);
    for (const std::string &message : messages)
        ADD_FAILURE() << message;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ChainDemo, ::testing::Values(1u, 77u, 4242u));

} // namespace
} // namespace chaintest
