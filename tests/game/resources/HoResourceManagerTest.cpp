// The resource manager's rules: a found resource comes back unchanged, names land in their buckets, the
// file-time rule of mode 1, loads and unloads at the edges of the use count, and two classes asking
// for one name.

#include "tests/game/resources/ResourcesTestSupport.h"

namespace restest {
namespace {

class Manager : public ::testing::Test, public GameContent {};

TEST_F(Manager, AFoundResourceComesBackUnchanged) {
    write("data/sounds/volumes.cfg", "a.ogg=0.5\n");
    HoSound *first = resources().getSound("data/sounds/a.ogg", true);
    HoSound *second = resources().getSound("data/sounds/a.ogg", true);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->useCount, 1) << "the second request does not hold it again";
    EXPECT_EQ(resources().find("data/sounds/a.ogg"), first);
    EXPECT_EQ(resources().find("data/sounds/A.ogg"), nullptr) << "names compare exactly";

    HoTexture *empty = resources().getTexture("");
    EXPECT_EQ(resources().bucketHead(0), empty) << "the empty name hashes to 0";
    EXPECT_EQ(resources().getTexture(nullptr), empty);
}

TEST_F(Manager, ResourcesAreListedInCreationOrderWithTheirClasses) {
    HoContext &ctx = context();
    resources().getTexture("data/t.png");
    resources().getFont("data/texts/font_1.ktext");
    HoAtlasTexture *atlas = resources().getAtlasTexture("data/a.png");
    std::vector<std::pair<std::string, int>> listed;
    for (HoResource *r = resources().firstResource(); r; r = r->loadOrderNext)
        listed.emplace_back(r->name, r->type);
    const std::vector<std::pair<std::string, int>> expected = {
        {"data/sounds/volumes.cfg", kResourceConfiguration}, {"data/game.cfg", kResourceConfiguration},
        {"data/t.png", kResourceTexture},                    {"data/texts/font_1.ktext", kResourceFont},
        {"data/a.png", kResourceAtlasTexture}};
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(resources().resourceCount(), 5);
    EXPECT_EQ(ctx.interned.findInterned("data/t.png"), resources().find("data/t.png")->name)
        << "names are interned in the context's table";
    EXPECT_EQ(resources().getTexture("data/a.png"), atlas) << "an atlas texture serves as a texture";
}

TEST_F(Manager, WithoutFileInformationAModeOneResourceIsNeverLoaded) {
    HoTexture *missing = resources().getTexture("data/missing.png");
    missing->acquire(&resources());
    EXPECT_EQ(missing->fileTime, 0);
    EXPECT_EQ(missing->picture, nullptr);
    EXPECT_FALSE(logHas("missing.png")) << "the load is not even tried";
    missing->release(&resources());
}

TEST_F(Manager, TheFirstHolderLoadsAndTheLastOneUnloads) {
    write("data/list.cfg", "one\ntwo\n");
    HoConfiguration *list = resources().getConfiguration("data/list.cfg");
    EXPECT_EQ(list->useCount, 1);
    EXPECT_EQ(list->entries.count(), 2);
    const int64_t loadedAt = list->fileTime;
    EXPECT_NE(loadedAt, 0);
    list->acquire(&resources());
    list->release(&resources());
    EXPECT_EQ(list->entries.count(), 2) << "still held";
    list->release(&resources());
    EXPECT_EQ(list->useCount, 0);
    EXPECT_EQ(list->entries.count(), 0);
    EXPECT_EQ(list->fileTime, 0) << "forced stale";
    list->acquire(&resources());
    EXPECT_EQ(list->entries.count(), 2);
    EXPECT_EQ(list->fileTime, loadedAt);
}

TEST_F(Manager, TwoClassesAskingForOneNameGetARecordEach) {
    HoSound *sound = resources().getSound("data/both", false);
    HoTexture *texture = resources().getTexture("data/both");
    EXPECT_NE(static_cast<HoResource *>(sound), static_cast<HoResource *>(texture));
    EXPECT_EQ(texture->type, kResourceTexture);
    EXPECT_TRUE(logHas("Game: data/both is asked for as two kinds of resource, WARNING"));
    EXPECT_EQ(resources().getTexture("data/both"), texture);
    EXPECT_EQ(resources().getSound("data/both", false), sound);
    EXPECT_EQ(logCount("two kinds of resource"), 1);
    HoTexture *page = resources().getTexture("data/atlas/common_01.png");
    EXPECT_EQ(resources().getAtlasTexture("data/atlas/common_01.png")->type, kResourceAtlasTexture)
        << "a plain texture never serves as an atlas texture";
    EXPECT_EQ(resources().getTexture("data/atlas/common_01.png"), page);
}

TEST_F(Manager, AParticleSystemIsMadeWithItsDefaultsAndReadOnce) {
    write("data/particles/spark.particles", "L 2 3\nO B 1\n");
    HoParticleSystem *spark = resources().getParticleSystem("spark.particles");
    EXPECT_EQ(spark->type, kResourceParticleSystem);
    EXPECT_STREQ(spark->filePath, "data/particles/spark.particles");
    EXPECT_EQ(spark->useCount, 1);
    EXPECT_EQ(spark->lifeMax, 300);
    EXPECT_TRUE(spark->placedAtBirth());
    // A later request returns the record without reading the changed file.
    write("data/particles/spark.particles", "L 9\n");
    EXPECT_EQ(resources().getParticleSystem("spark.particles"), spark);
    EXPECT_EQ(spark->useCount, 1);
    EXPECT_EQ(spark->lifeMax, 300);
    // A missing file leaves the defaults.
    HoParticleSystem *missing = resources().getParticleSystem("missing.particles");
    EXPECT_EQ(missing->lifeMax, 100);
    EXPECT_EQ(missing->intervalMin, 10);
}

TEST_F(Manager, OverLongNamesStayEmpty) {
    const std::string name = "data/" + std::string(5000, 'n') + ".cfg";
    HoConfiguration *cfg = resources().getConfiguration(name.c_str());
    EXPECT_EQ(cfg->entries.count(), 0);
    EXPECT_EQ(resources().find(name.c_str()), cfg);
    EXPECT_TRUE(logHas("too long"));
}

} // namespace
} // namespace restest
