// test-labels: threaded
// The game-load thread and the main thread asking the resource manager for the same resources at once:
// one record per name, use counts that add up, every configuration read whole.

#include "tests/game/resources/ResourcesTestSupport.h"

#include <thread>

namespace restest {
namespace {

class ManagerThreads : public ::testing::Test, public GameContent {};

TEST_F(ManagerThreads, TwoThreadsGetCreateAndLoadTheSameResources) {
    constexpr int kNames = 60;
    for (int i = 0; i < kNames; ++i)
        write("data/cfg" + std::to_string(i) + ".cfg", "index=" + std::to_string(i) + "\nname=cfg\n");
    ASSERT_TRUE(packAndMount());
    HoResourceManager &rm = resources();
    const int32_t before = rm.resourceCount();

    auto work = [&rm](int seed) {
        for (int round = 0; round < 3; ++round) {
            for (int k = 0; k < kNames; ++k) {
                const int i = (k * 7 + seed) % kNames;
                const std::string cfg = "data/cfg" + std::to_string(i) + ".cfg";
                HoConfiguration *configuration = rm.getConfiguration(cfg.c_str());
                configuration->acquire(&rm);
                rm.ensureLoaded(configuration);
                configuration->release(&rm);
                HoTexture *texture = rm.getTexture(("data/t" + std::to_string(i) + ".png").c_str());
                texture->acquire(&rm);
                texture->release(&rm);
            }
        }
    };
    std::thread loader(work, 3);
    work(11);
    loader.join();

    EXPECT_EQ(rm.resourceCount(), before + 2 * kNames);
    for (int i = 0; i < kNames; ++i) {
        HoConfiguration *configuration = rm.getConfiguration(("data/cfg" + std::to_string(i) + ".cfg").c_str());
        EXPECT_EQ(configuration->useCount, 1) << i;
        ASSERT_NE(configuration->find("index"), nullptr) << i;
        EXPECT_EQ(configuration->find("index")->integer, i);
        EXPECT_EQ(configuration->entries.count(), 2) << i;
        EXPECT_EQ(rm.getTexture(("data/t" + std::to_string(i) + ".png").c_str())->useCount, 0) << i;
    }
}

} // namespace
} // namespace restest
