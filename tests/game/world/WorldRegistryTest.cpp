// The scene registry and factory on scene lists written by the suite: parents by folder, identifiers, the
// classes and kind flags, the kinds' entries in their parents' named values, the system scenes, and what
// a list may hold that is no scene.

#include "tests/game/world/WorldTestSupport.h"

#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/minigames/chainshooter/HoSceneZuma.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/util/InternTable.h"

namespace worldtest {
namespace {

constexpr unsigned kSystem = 1, kGameplay = 2, kCommon = 4, kCutscene = 8, kTopLevel = 16, kZoom = 32, kMiniGame = 64,
                   kHo = 128;

enum Class { kPlain, kMatch3, kZuma, kBubbles };

struct Expected {
    const char *identifier;
    const char *parent; // identifier, or "" for none
    unsigned kinds;
    Class sceneClass;
    bool namedInParent;
    unsigned forcedAfterCreation = 0; // flags set after the scene's named values were
};

unsigned kindsOf(const HoScene &scene) {
    const std::pair<uint8_t, unsigned> flags[] = {
        {scene.isSystem, kSystem},     {scene.isGameplay, kGameplay}, {scene.isGameplayCommon, kCommon},
        {scene.isCutscene, kCutscene}, {scene.isTopLevel, kTopLevel}, {scene.isZoomZone, kZoom},
        {scene.isMiniGame, kMiniGame}, {scene.isHo, kHo}};
    unsigned kinds = 0;
    for (const auto &[flag, kind] : flags)
        kinds |= flag ? kind : 0u;
    return kinds;
}

Class classOf(HoScene *scene) {
    if (dynamic_cast<HoScenesMatch3 *>(scene))
        return kMatch3;
    if (dynamic_cast<HoSceneZuma *>(scene))
        return kZuma;
    if (dynamic_cast<HoSceneBubbleShooter *>(scene))
        return kBubbles;
    return kPlain;
}

class WorldRegistry : public WorldGameTest {
protected:
    const ScriptValue *namedValue(HoScene *scene, const char *name) {
        const char *interned = game->context->interned.findInterned(name);
        for (int32_t i = 0; interned && i < scene->namedValues.count(); ++i) {
            if (scene->namedValues[i]->name == interned)
                return &scene->namedValues[i]->value;
        }
        return nullptr;
    }

    void expectScenes(const std::vector<Expected> &expected) {
        HoWorld &w = world();
        ASSERT_EQ(w.scenes.count(), int32_t(expected.size()) + 1) << "\"game\" and the listed scenes";
        EXPECT_EQ(w.scenes[0], w.globalScene);
        EXPECT_EQ(kindsOf(*w.globalScene), unsigned(kSystem));
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected &e = expected[i];
            HoScene *scene = w.scenes[int32_t(i) + 1];
            EXPECT_STREQ(scene->identifier, e.identifier);
            EXPECT_EQ(w.findScene(e.identifier), scene) << e.identifier;
            EXPECT_STREQ(scene->parent ? scene->parent->identifier : "", e.parent) << e.identifier;
            EXPECT_EQ(kindsOf(*scene), e.kinds) << e.identifier;
            EXPECT_EQ(classOf(scene), e.sceneClass) << e.identifier;
            const ScriptValue *inParent = scene->parent ? namedValue(scene->parent, scene->name) : nullptr;
            EXPECT_EQ(inParent != nullptr, e.namedInParent) << e.identifier;
            if (inParent) {
                EXPECT_EQ(inParent->pointer, scene) << e.identifier;
            }
            const std::pair<const char *, unsigned> flags[] = {
                {"is_system", kSystem}, {"is_gameplay", kGameplay}, {"is_zoom_zone", kZoom},
                {"is_mini_game", kMiniGame}, {"is_ho", kHo}};
            for (const auto &[name, kind] : flags) {
                const ScriptValue *value = namedValue(scene, name);
                ASSERT_NE(value, nullptr) << e.identifier << " " << name;
                const bool set = (e.kinds & ~e.forcedAfterCreation & kind) != 0;
                EXPECT_EQ(value->number, set ? 1.0f : 0.0f) << e.identifier << " " << name;
            }
        }
    }
};

TEST_F(WorldRegistry, ParentsIdentifiersKindsAndClassesFollowTheList) {
    writeSceneList({"data/scenes/hall/hall", "data/scenes/hall/zz_desk/zz_desk", "data/scenes/hall/mg_clock/mg_clock",
                    "data/scenes/hall/ho/ho", "data/scenes/hall/ho_attic/ho_attic", "data/scenes/hall/mhoX/mhoX",
                    "data/scenes/hall/hobby/hobby",
                    // In the hall's own folder, not below it: a new location.
                    "data/scenes/hall/zz_lamp", "data/scenes/garden/garden",
                    "data/scenes/garden/a/b/c/alt_ho_match3/alt_ho_match3", "data/common_gameplay/inventory/inventory",
                    "data/cutscenes/intro/intro", "data/elsewhere/zuma/zuma", "data/system/bubbleshooter/bubbleshooter",
                    "data/extras/particles/particles", "data/system/hud/hud", "no folder at all",
                    "data/system/pointers/pointers", "", "data/scenes/beyond/beyond"});
    start();
    expectScenes({
        {"hall", "", kGameplay | kTopLevel, kPlain, false},
        {"hall_zz_desk", "hall", kGameplay | kZoom, kPlain, true},
        {"hall_mg_clock", "hall", kGameplay | kMiniGame, kPlain, true},
        {"hall_ho", "hall", kGameplay | kHo, kPlain, true},
        {"hall_ho_attic", "hall", kGameplay | kHo, kPlain, true},
        {"hall_mhoX", "hall", kGameplay | kHo | kZoom, kPlain, true},
        {"hall_hobby", "hall", kGameplay, kPlain, false},
        {"zz_lamp", "", kGameplay | kTopLevel, kPlain, false},
        {"garden", "", kGameplay | kTopLevel, kPlain, false},
        {"garden_alt_ho_match3", "garden", kGameplay, kMatch3, false},
        {"inventory", "", kCommon, kPlain, false},
        {"intro", "", kGameplay | kCutscene | kTopLevel, kPlain, false},
        {"zuma", "", 0, kZuma, false},
        {"bubbleshooter", "", kSystem, kBubbles, false},
        {"particles", "", kSystem, kPlain, false, kSystem},
        {"hud", "", kSystem, kPlain, false},
        {"pointers", "", kSystem, kPlain, false},
    });
    HoWorld &w = world();
    EXPECT_EQ(w.hudScene, w.findScene("hud"));
    EXPECT_EQ(w.particlesScene, w.findScene("particles"));
    EXPECT_EQ(w.pointersScene, w.findScene("pointers"));
    for (HoScene *missing : {w.imagesScene, w.overHudScene, w.systemMessagesScene, w.journalScene})
        EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(w.findScene("beyond"), nullptr) << "an entry without text ends the list";

    // A text that was never interned finds nothing and stays uninterned.
    const char *stranger = "a name no scene and no script ever used";
    EXPECT_EQ(w.findScene(stranger), nullptr);
    EXPECT_EQ(game->context->interned.findInterned(stranger), nullptr);
    EXPECT_EQ(w.findScene(nullptr), nullptr);
}

TEST_F(WorldRegistry, TheKindsFollowThePathsOfTheGameSettings) {
    archives->write("data/game.cfg", "scenes.paths.system=data/core/\nscenes.paths.gameplay=data/rooms/\n"
                                     "scenes.paths.gameplay_common=data/shared/\nscenes.paths.cutscenes=data/films/\n");
    writeSceneList({"data/core/hud/hud", "data/rooms/hall/hall", "data/rooms/hall/zz_desk/zz_desk",
                    "data/scenes/shore/shore", "data/shared/bag/bag", "data/films/end/end", "data/system/images/images"});
    start();
    expectScenes({
        {"hud", "", kSystem, kPlain, false},
        {"hall", "", kGameplay | kTopLevel, kPlain, false},
        {"hall_zz_desk", "hall", kGameplay | kZoom, kPlain, true},
        {"shore", "", 0, kPlain, false},
        {"bag", "", kCommon, kPlain, false},
        {"end", "", kGameplay | kCutscene | kTopLevel, kPlain, false},
        {"images", "", 0, kPlain, false},
    });
}

TEST_F(WorldRegistry, ALongListWithDeepFoldersAndLongNamesStartsWithEveryScene) {
    std::vector<std::string> entries;
    for (int i = 0; i < 2000; ++i)
        entries.push_back("data/scenes/room" + std::to_string(i) + "/room" + std::to_string(i));
    std::string deep = "data/scenes/room0";
    for (int depth = 0; depth < 40; ++depth)
        deep += "/d" + std::to_string(depth);
    entries.push_back(deep + "/zz_deep");
    entries.push_back("data/scenes/long/" + std::string(300, 'n'));
    entries.push_back("data/scenes/room1/room1"); // a name given twice: the first is found
    writeSceneList(entries);
    start();
    HoWorld &w = world();
    EXPECT_EQ(w.scenes.count(), 1 + int32_t(entries.size()));
    EXPECT_EQ(w.findScene("room1999")->parent, nullptr);
    EXPECT_EQ(w.findScene("room1"), w.scenes[2]);
    EXPECT_EQ(w.findScene("long"), nullptr);
    EXPECT_NE(w.findScene(std::string(300, 'n').c_str()), nullptr) << "names have no fixed size";
}

} // namespace
} // namespace worldtest
