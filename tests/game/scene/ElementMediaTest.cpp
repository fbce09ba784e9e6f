// What an element shows besides its picture, set up from its name and scene-file data, and the balanced
// loading and unloading of its textures, hit mask, particle system and font.

#include "game/scene/ElementMedia.h"

#include <filesystem>

#include "game/resources/HoFont.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/RenderRecordPools.h"
#include "tests/game/scene/HitMaskFiles.h"
#include "tests/game/scene/SceneTestSupport.h"
#include "tests/support/FontTestSupport.h"

namespace {

class ElementMediaTest : public SceneFilesTest {
protected:
    void writeHitFile(const std::string &name, const std::vector<char> &bytes) {
        writeBytes(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    }
    void setUpAll(HoScene *scene) {
        for (int32_t i = 0; i < scene->allElements.members.count(); ++i)
            setupElementMedia(scene->allElements.members[i]);
    }
    // Calls the operation on every element of the scene.
    void forEach(HoScene *scene, void (*operation)(SceneElement *)) {
        for (int32_t i = 0; i < scene->allElements.members.count(); ++i)
            operation(scene->allElements.members[i]);
    }
    int16_t uses(const char *texture) { return context().resources->getTexture(texture)->useCount; }
};

TEST_F(ElementMediaTest, PolygonsAreOrderedAndClosedAndNamesSetTheKindFlags) {
    write("data/scenes/hall/hall.scene", "O door\nq 3\nQ 6\n"
                                         "u 10\nv -5\nu -10\nv 5\nu 0\nv -5\nu 10\nv 5\nu -10\nv -5\nu 0\nv 5\n"
                                         "Q 3\nu 0\nv 0\nu 6\nv 0\nu 0\nv -3\n"
                                         "O label\nt UI_title\nO caption\nt title\n"
                                         "O _hud_bar\nO _ho_hud_list\nO diary:journal\n");
    HoScene *hall = loadScene("hall");
    setUpAll(hall);
    SceneElement *door = hall->findElement("door");
    // Six points in angular order from the first (y was negated on reading), closed; the third entry
    // was never opened.
    std::vector<std::pair<float, float>> points;
    for (int32_t i = 0; i <= door->polygons[0].pointCount; ++i)
        points.push_back({door->polygons[0].points[i].x, door->polygons[0].points[i].y});
    EXPECT_EQ(points, (std::vector<std::pair<float, float>>{
                          {10, 5}, {10, -5}, {0, -5}, {-10, -5}, {-10, 5}, {0, 5}, {10, 5}}));
    EXPECT_EQ(door->polygons[1].points[3].x, 0.0f); // the triangle keeps its order and is closed
    EXPECT_EQ(door->polygons[1].points[3].y, 0.0f);
    EXPECT_FLOAT_EQ(door->centreOffsetX, (0 + 6 + 0) / 9.0f);
    EXPECT_FLOAT_EQ(door->centreOffsetY, 3.0f / 9.0f);

    EXPECT_EQ(hall->findElement("label")->textKeyFromUiTable, 1);
    EXPECT_EQ(hall->findElement("caption")->textKeyFromUiTable, 0);
    EXPECT_EQ(hall->findElement("_hud_bar")->isHud, 1);
    EXPECT_EQ(hall->findElement("_ho_hud_list")->isHoHud, 1);
    EXPECT_EQ(hall->findElement("_ho_hud_list")->isHud, 0);
    EXPECT_EQ(hall->findElement("diary")->isJournal, 1);
}

TEST_F(ElementMediaTest, AParticlesElementTakesItsSystemAndAnEmitterAndGivesTheEmitterBack) {
    write("data/particles/sparks.particles", "L 2\n");
    write("data/scenes/hall/hall.scene", "O fx:sparks.particles\nO dull:missing.particles\nO bare:.particles\n");
    HoScene *hall = loadScene("hall");
    setUpAll(hall);
    SceneElement *fx = hall->findElement("fx");
    ASSERT_NE(fx->particleSystem, nullptr);
    EXPECT_EQ(fx->isParticle, 1);
    ASSERT_NE(fx->emitter, nullptr);
    EXPECT_EQ(fx->emitter->pools, &world->renderPools);
    for (const char *name : {"dull", "bare"}) {
        EXPECT_EQ(hall->findElement(name)->particleSystem, nullptr) << name;
        EXPECT_EQ(hall->findElement(name)->emitter, nullptr) << name;
    }
    // The scene gives the emitter back when it goes: the next one taken is the same record.
    ParticleEmitter *taken = fx->emitter;
    world->scenes.removeAt(world->scenes.indexOf(hall));
    delete hall;
    EXPECT_EQ(world->renderPools.acquireEmitter(), taken);
}

TEST_F(ElementMediaTest, LoadingAndUnloadingTakeAndDropOneUseOfEverything) {
    ASSERT_TRUE(lftest::makeGameFont(source(), 1, 12, "32-126"));
    context().loadFonts();
    writePicture("data/scenes/hall/door.png", 8, 8, std::vector<uint32_t>(64, 0xFF808080u));
    writePicture("data/scenes/hall/door_h.png", 8, 8, std::vector<uint32_t>(64, 0xFFFFFFFFu));
    writePicture("data/scenes/hall/crab_1.png", 4, 4, std::vector<uint32_t>(16, 0xFFFF0000u));
    write("data/scenes/hall/crab.anim", "Duration=1\ncrab_1.png=x2\n");
    write("data/particles/sparks.particles", "L 2\n");
    writeHitFile("data/scenes/hall/door.hit", hitMaskFile(8, 8, {{1, 1}}));
    write("data/scenes/hall/hall.scene", "O door:door.png\nI door.png\nt door_text\n"
                                         "O crab:crab.anim\nI crab.anim\n"
                                         "O fx:sparks.particles\n"
                                         "O twin:door.png\nI door.png\n");
    HoScene *hall = loadScene("hall");
    setUpAll(hall);
    HoFont *font = context().fontResource(1);
    ASSERT_NE(font, nullptr);
    SceneElement *fx = hall->findElement("fx");
    int16_t fontUses = font->useCount, systemUses = fx->particleSystem->useCount;

    forEach(hall, loadElementImages);
    EXPECT_EQ(uses("data/scenes/hall/door.png"), 2);
    EXPECT_EQ(uses("data/scenes/hall/door_h.png"), 2);
    EXPECT_EQ(uses("data/scenes/hall/crab_1.png"), 2); // it stands twice in the cycle
    EXPECT_EQ(fx->particleSystem->useCount, systemUses + 1);
    EXPECT_EQ(font->useCount, fontUses + 1);
    SceneElement *door = hall->findElement("door");
    ASSERT_NE(door->hitMask, nullptr);
    EXPECT_EQ(door->hitMaskWidth, 8);
    EXPECT_EQ(door->hitMask[1], 0x40);
    EXPECT_EQ(door->picturesLoaded, 1);

    forEach(hall, unloadElementImages);
    EXPECT_EQ(uses("data/scenes/hall/door.png"), 0);
    EXPECT_EQ(uses("data/scenes/hall/door_h.png"), 0);
    EXPECT_EQ(uses("data/scenes/hall/crab_1.png"), 0);
    EXPECT_EQ(fx->particleSystem->useCount, systemUses);
    EXPECT_EQ(font->useCount, fontUses);
    EXPECT_EQ(door->hitMask, nullptr);
    EXPECT_EQ(door->picturesLoaded, 0);
    // Loaded once more and left loaded, the scene's release frees the mask.
    loadElementImages(door);
}

TEST_F(ElementMediaTest, HitFilesThatAreShortNegativeOrHugeGiveNoMask) {
    struct Case {
        const char *name;
        std::vector<char> bytes;
    } cases[] = {
        {"short", hitMaskFile(64, 64, {})},
        {"negative", hitMaskFile(8, 8, {})},
        {"huge", hitMaskFile(8, 8, {})},
        {"tiny", {'\x01', '\x00'}},
    };
    cases[0].bytes.resize(100);
    int32_t minus = -8, big = 1 << 20;
    std::memcpy(cases[1].bytes.data(), &minus, 4);
    std::memcpy(cases[2].bytes.data() + 4, &big, 4);
    std::string scene;
    for (const Case &c : cases) {
        writePicture(std::string("data/scenes/hall/") + c.name + ".png", 4, 4, std::vector<uint32_t>(16, 0xFF000000u));
        writeHitFile(std::string("data/scenes/hall/") + c.name + ".hit", c.bytes);
        scene += std::string("O ") + c.name + "\nI " + c.name + ".png\n";
    }
    write("data/scenes/hall/hall.scene", scene + "O plain\nI plain.png\n");
    HoScene *hall = loadScene("hall");
    forEach(hall, loadElementImages);
    for (const Case &c : cases) {
        EXPECT_EQ(hall->findElement(c.name)->hitMask, nullptr) << c.name;
        std::string line = std::string("Game: Invalid hit mask data/scenes/hall/") + c.name + ".hit, ERROR";
        EXPECT_NE(getLogContents().find(line), std::string::npos) << line;
    }
    // Without a mask file there is no mask and nothing to report.
    EXPECT_EQ(hall->findElement("plain")->hitMask, nullptr);
    EXPECT_EQ(getLogContents().find("plain.hit"), std::string::npos);
    forEach(hall, unloadElementImages);
}

} // namespace
