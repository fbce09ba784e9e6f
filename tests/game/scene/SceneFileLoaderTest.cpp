// The scene-file loader against scene files written as text: every letter's effect, the byte rules of
// the format, the file choice with its wide and template variants, includes, the parent-first order and
// the zoom-zone template.

#include "tests/game/scene/SceneTestSupport.h"

#include "game/HoGame.h"
#include "game/scene/HoAnimatedImage.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/SceneGroup.h"
#include "game/scene/SceneScripts.h"
#include "game/script/ScriptBlock.h"

namespace {

class SceneFileLoaderTest : public SceneFilesTest {
protected:
    PointList *trackOf(HoScene *scene, const ScriptValue &slot) {
        for (int32_t i = 0; i < scene->tracks.count(); ++i) {
            if (scene->tracks[i]->target == &slot)
                return scene->tracks[i];
        }
        return nullptr;
    }
    static std::vector<std::pair<int32_t, float>> keysOf(const PointList *track) {
        std::vector<std::pair<int32_t, float>> keys;
        for (int32_t i = 0; track && i < track->count; ++i)
            keys.push_back({track->frames[i], track->values[i]});
        return keys;
    }
};

TEST_F(SceneFileLoaderTest, EveryLetterSetsItsPartOfTheElement) {
    write("data/scenes/hall/hall.scene", "O door:door_open.png\n"
                                         "P frame\n"
                                         "W 200\nH 400\nU 0.25\nV 0.75\n"
                                         "p 0.5 1 0\n"
                                         "T 3 2.5 10 4 1.5 20\n"
                                         "F 101\n"
                                         "X 1\nK 5 2.0\n"
                                         "Y 3\nK 0 10\nK 10 20\nK 20 30\nK 30 40\n"
                                         "Z 1\nK 7\nR 1\nK 1\nS 1\nK 1.5\nA 1\nK 45\nB 1\nK 0.5\nE 1\nK 2\n"
                                         "r 3\nK 0 255\nK 10 0\nK 20 255\n"
                                         "g 1\nK 51\nb 1\nK 0\n"
                                         "t door_text\n"
                                         "G 2 1 255 51 0 1 0 1.5 1 3\n"
                                         "q 2\nQ 3\nu 1\nv 2\nu 3\nv 4\nu 5\nv 6\nu 7\nv 8\n"
                                         "O frame\n"
                                         "G 4\n"
                                         "C doors:3:4\nc door\nc frame\nc window\n"
                                         "O window\n"
                                         "C single:9\nC plain\n"
                                         "O coin_07\nO coin_7\nO _07\n");
    HoScene *hall = loadScene("hall");
    EXPECT_EQ(namesOf(hall->allElements.members),
              (std::vector<std::string>{"door", "frame", "window", "coin_07", "coin_7", "_07"}));
    SceneElement *door = hall->findElement("door");
    SceneElement *frame = hall->findElement("frame");
    ASSERT_NE(door, nullptr);
    EXPECT_STREQ(door->mediaName, "door_open.png");
    EXPECT_EQ(door->parent, frame);
    EXPECT_EQ(door->baseWidth, 200.0f);
    EXPECT_EQ(door->baseHeight, 400.0f);
    EXPECT_EQ(number(door->pivotX), 0.25f);
    EXPECT_EQ(number(door->pivotY), 0.75f);
    EXPECT_EQ(door->parallax, 0.5f);
    EXPECT_EQ(door->parallaxX, 1);
    EXPECT_EQ(door->parallaxY, 0);
    EXPECT_EQ(door->waveStrips1, 3);
    EXPECT_EQ(door->waveSpeed1, 2.5f);
    EXPECT_EQ(door->waveAmplitude1, 10.0f);
    EXPECT_EQ(door->waveStrips2, 4);
    EXPECT_EQ(door->waveSpeed2, 1.5f);
    EXPECT_EQ(door->waveAmplitude2, 20.0f);
    EXPECT_EQ(std::vector<int>(door->optionFlags, door->optionFlags + 9), (std::vector<int>{1, 0, 1, 1, 1, 1, 1, 1, 1}));

    // One key after a selecting letter gives the slot its value and makes no track.
    EXPECT_EQ(number(door->x), 2.0f);
    EXPECT_EQ(trackOf(hall, door->x), nullptr);
    EXPECT_EQ(number(door->y), 10.0f);
    EXPECT_EQ(keysOf(trackOf(hall, door->y)), (std::vector<std::pair<int32_t, float>>{{0, 10}, {10, 20}, {20, 30}}));
    EXPECT_EQ(number(door->z), 7.0f);
    EXPECT_EQ(number(door->sx), 1.0f);
    EXPECT_EQ(number(door->sy), 1.5f);
    EXPECT_EQ(number(door->angle), 45.0f);
    EXPECT_EQ(number(door->baseOpacity), 0.5f);
    EXPECT_EQ(number(door->mediaSwitch), 2.0f);
    // Tints are read in 0..255.
    EXPECT_FLOAT_EQ(number(door->red), 1.0f);
    EXPECT_EQ(keysOf(trackOf(hall, door->red)),
              (std::vector<std::pair<int32_t, float>>{{0, 255 * 0.003921569f}, {10, 0.0f}, {20, 255 * 0.003921569f}}));
    EXPECT_FLOAT_EQ(number(door->green), 0.2f);
    EXPECT_EQ(number(door->blue), 0.0f);
    EXPECT_EQ(door->frameCount, 30);
    EXPECT_EQ(hall->tracks.count(), 2);

    EXPECT_EQ(door->textKey.type, kScriptText);
    EXPECT_STREQ(door->textKey.text(), "door_text");
    EXPECT_EQ(door->fontIndex, 2);
    EXPECT_EQ(door->measuredBox, 1);
    EXPECT_FLOAT_EQ(door->textRed, 1.0f);
    EXPECT_FLOAT_EQ(door->textGreen, 0.2f);
    EXPECT_EQ(door->textBlue, 0.0f);
    EXPECT_EQ(door->textOnQuad, 1);
    EXPECT_EQ(door->quadFlagA, 0);
    EXPECT_EQ(door->textSpacing, 1.5f);
    EXPECT_EQ(door->quadFlagB, 1);
    EXPECT_EQ(door->outlineThickness, 3);
    // Missing tokens take their defaults: white, and every flag off.
    EXPECT_EQ(frame->fontIndex, 4);
    EXPECT_FLOAT_EQ(frame->textRed, 1.0f);
    EXPECT_FLOAT_EQ(frame->textBlue, 1.0f);
    EXPECT_EQ(frame->outlineThickness, 0);

    // Points beyond the announced count are passed over; y is stored negated.
    ASSERT_EQ(door->polygonCount, 2);
    ASSERT_EQ(door->polygons[0].pointCount, 3);
    EXPECT_EQ(door->polygons[0].points[2].x, 5.0f);
    EXPECT_EQ(door->polygons[0].points[2].y, -6.0f);
    EXPECT_EQ(door->polygons[1].points, nullptr);

    // A member is looked up when its record is read: "window" comes later and is not added.
    SceneGroup *doors = hall->findGroup("doors");
    ASSERT_NE(doors, nullptr);
    EXPECT_EQ(namesOf(doors->members), (std::vector<std::string>{"door", "frame"}));
    EXPECT_EQ(doors->first, 3);
    EXPECT_EQ(doors->second, 4);
    EXPECT_EQ(doors->value.pointer, doors);
    EXPECT_EQ(hall->findGroup("single")->first, 9);
    EXPECT_EQ(hall->findGroup("single")->second, 0);
    EXPECT_EQ(hall->findGroup("plain")->first, 0);

    EXPECT_EQ(number(hall->findElement("coin_07")->index), 7.0f);
    EXPECT_EQ(hall->findElement("coin_7")->index.type, kScriptNone);
    EXPECT_EQ(hall->findElement("_07")->index.type, kScriptNone);
    // Every element has its "$name" variable.
    ScriptVariable *variable = findOrCreateVariable(&hall->script, "$window", nullptr);
    EXPECT_EQ(variable->value->type, kScriptElement);
    EXPECT_EQ(variable->value->pointer, hall->findElement("window"));
}

TEST_F(SceneFileLoaderTest, PicturesSpriteSheetsAndAnimations) {
    write("data/scenes/hall/crab.anim", "Duration=2\ncrab_xx.png=1:2\n");
    write("data/scenes/hall/hall.scene", "O door:door_open.png\nI door.png\nm 2\nf 8\ns 257\nd 0.5\nw 0.25\nh 0.5\n"
                                         "O flat\nI data/pictures/flat.png\nw -1\nh 0\nm 258\n"
                                         "O crab:crab.anim\nI ignored.png\nf 5\nm 1\n"
                                         "O crab.anim\nI other.png\n"
                                         "O plain\nm 2\nf 8\n"
                                         "O zero\nI zero.png\nw 0\n");
    HoScene *hall = loadScene("hall");
    const PtrArray<SceneElement> &elements = hall->allElements.members;
    ASSERT_EQ(elements.count(), 6);
    ASSERT_NE(elements[0]->renderable, nullptr);
    ASSERT_EQ(elements[0]->renderable->kind, kRenderableSceneImage);
    auto *door = static_cast<HoSceneImage *>(elements[0]->renderable);
    EXPECT_STREQ(door->path, "data/scenes/hall/door.png");
    EXPECT_EQ(door->blendMode, kBlendAdditive);
    EXPECT_EQ(door->sheet.framesPerSecond, 8.0f);
    EXPECT_EQ(door->sheet.firstFrame, 1); // the low 8 bits
    EXPECT_EQ(door->sheet.hold, 50);
    EXPECT_EQ(door->sheet.columns, 4);
    EXPECT_EQ(door->sheet.rows, 2);
    // A value with a '/' is the whole path; fractions of 0 and below give one frame.
    auto *flat = static_cast<HoSceneImage *>(elements[1]->renderable);
    EXPECT_STREQ(flat->path, "data/pictures/flat.png");
    EXPECT_EQ(flat->sheet.columns, 1);
    EXPECT_EQ(flat->sheet.rows, 1);
    EXPECT_EQ(flat->blendMode, kBlendAdditive);
    EXPECT_EQ(static_cast<HoSceneImage *>(elements[5]->renderable)->sheet.columns, 1);
    // A ".anim" media part makes an animation of the scene's folder, with or without a ':'.
    for (int32_t i : {2, 3}) {
        ASSERT_NE(elements[i]->renderable, nullptr);
        ASSERT_EQ(elements[i]->renderable->kind, kRenderableAnimatedImage);
        auto *crab = static_cast<HoAnimatedImage *>(elements[i]->renderable);
        EXPECT_STREQ(crab->name, "crab.anim");
        EXPECT_STREQ(crab->folder, "data/scenes/hall");
        EXPECT_EQ(crab->frames.count(), 2);
    }
    EXPECT_EQ(elements[2]->renderable->blendMode, kBlendErase);
    EXPECT_EQ(elements[4]->renderable, nullptr);
}

TEST_F(SceneFileLoaderTest, TheFormatsByteRulesAndHostileCounts) {
    std::string longKey(300, 'k');
    write("data/scenes/hall/hall.scene", "X 1\nK 5\nP nobody\nq 3\nQ 2\nc door\n"   // before any element
                                         "\tO tabbed\n"
                                         "O long\nt " + longKey + "\nI\nX\n"
                                         "O\ttab\n"
                                         "O poly\nq -5\nQ 4\n"
                                         "O many\nq 1000000000\nQ 1000000000\nu 1\nv 1\nQ -5\nu 2\nv 2\n"
                                         "Y 1000000000\nK 0 1\nK 1 2\n"
                                         "Z -5\nK 3\n"
                                         "O last");
    HoScene *hall = loadScene("hall");
    EXPECT_EQ(namesOf(hall->allElements.members), (std::vector<std::string>{"long", "\ttab", "poly", "many"}));
    SceneElement *longOne = hall->findElement("long");
    EXPECT_EQ(std::string(longOne->textKey.text()), longKey.substr(0, 255));
    EXPECT_EQ(hall->findElement("poly")->polygonCount, 0);

    SceneElement *many = hall->findElement("many");
    ASSERT_EQ(many->polygonCount, 100);
    EXPECT_EQ(many->polygons[0].pointCount, 100);
    EXPECT_EQ(many->polygons[0].points[0].y, -1.0f);
    EXPECT_EQ(many->polygons[1].pointCount, 0);
    // A huge key count is cut, and its keys come from a run of their own.
    PointList *track = hall->tracks[0];
    EXPECT_EQ(track->capacity, PointList::kMaxKeys);
    EXPECT_EQ(track->count, 2);
    EXPECT_EQ(number(many->z), 3.0f);
    EXPECT_EQ(hall->tracks.count(), 1);
}

TEST_F(SceneFileLoaderTest, EmptyBinaryAndMissingFilesGiveEmptyScenes) {
    write("data/scenes/empty/empty.scene", "");
    writeBytes("data/scenes/noise/noise.scene", lftest::noiseBytes(4096));
    EXPECT_EQ(loadScene("empty")->allElements.members.count(), 0);
    loadScene("noise"); // whatever the bytes make, nothing breaks
    EXPECT_EQ(loadScene("missing")->allElements.members.count(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SceneFileLoaderTest, TheWideFileWhileTheGameRunsWideAndTemplatesForMissingFiles) {
    write("data/scenes/hall/hall.scene", "O narrow\n");
    write("data/scenes/hall/hall_wide.scene", "O wide\n");
    write("data/scenes/cellar/cellar.scene", "O narrow\n");
    write("data/scenes/cellar/cellar_wide.scene", ""); // empty: not chosen
    write("data/templates/attic.scene", "O template\n");
    write("data/templates/attic_wide.scene", "O template_wide\n");
    struct Case {
        uint8_t wide;
        const char *scene;
        const char *element;
    } cases[] = {{1, "hall", "wide"},   {0, "hall", "narrow"},    {1, "cellar", "narrow"},
                 {0, "attic", "template"}, {1, "attic", "template_wide"}};
    for (const Case &c : cases) {
        game.wide = c.wide;
        HoScene *scene = loadScene(c.scene);
        EXPECT_EQ(namesOf(scene->allElements.members), std::vector<std::string>{c.element}) << c.scene << c.wide;
    }
}

TEST_F(SceneFileLoaderTest, IncludesReadTheirFileWithAFreshStateAndNeverLoop) {
    write("data/scenes/hall/hall.scene", "O door\nX 3\nL parts\nK 1\nK 2\nK 3\nL hall\nL parts\n");
    write("data/scenes/hall/parts.scene", "K 9\nO knob\nL parts\nL loop_a\n");
    write("data/scenes/hall/loop_a.scene", "O a\nL loop_b\n");
    write("data/scenes/hall/loop_b.scene", "O b\nL loop_a\nL hall\n");
    HoScene *hall = loadScene("hall");
    // "K 9" of the include has no element of its own: the door's selection stays for the first K after it.
    EXPECT_EQ(namesOf(hall->allElements.members), (std::vector<std::string>{"door", "knob", "a", "b", "knob", "a", "b"}));
    SceneElement *door = hall->findElement("door");
    EXPECT_EQ(number(door->x), 1.0f);
    EXPECT_EQ(hall->tracks[0]->count, 3);

    // A chain deeper than 32 files stops there, with a warning.
    for (int i = 0; i < 40; ++i)
        write("data/scenes/deep/d" + std::to_string(i) + ".scene", "O e" + std::to_string(i) + "\nL d" + std::to_string(i + 1) + "\n");
    write("data/scenes/deep/deep.scene", "L d0\n");
    HoScene *deep = loadScene("deep");
    EXPECT_EQ(deep->allElements.members.count(), 31);
    EXPECT_NE(getLogContents().find("WARNING"), std::string::npos);
}

TEST_F(SceneFileLoaderTest, ParentsComeBeforeTheirChildrenAndCyclesLast) {
    write("data/scenes/hall/hall.scene", "O leaf\nP branch\n"
                                         "O ping\nP pong\n"
                                         "O branch\nP root\n"
                                         "O pong\nP ping\n"
                                         "O root\n"
                                         "O self\nP self\n"
                                         "O orphan\nP nobody\n");
    HoScene *hall = loadScene("hall");
    EXPECT_EQ(namesOf(hall->updateOrder),
              (std::vector<std::string>{"root", "self", "orphan", "branch", "leaf", "ping", "pong"}));
    EXPECT_EQ(hall->findElement("self")->parent, nullptr);
    EXPECT_EQ(hall->findElement("orphan")->parent, nullptr);
    EXPECT_EQ(hall->findElement("ping")->parent, hall->findElement("pong"));
}

TEST_F(SceneFileLoaderTest, AZoomZoneTakesItsTemplateAndTheRootMovesOnlyItsOwnParentlessElements) {
    write("data/scenes/hall/hall.scene", "O door\n");
    write("data/scenes/hall/zz_desk/zz_desk.scene", "O BACKGROUND\nW 1200.5\nH 799.5\n"
                                                    "X 1\nK 10\nY 1\nK 20\nZ 1\nK 5\n"
                                                    "O drawer\nP BACKGROUND\nX 2\nK 0 1\nK 9 2\nZ 2\nK 0 1\nK 9 2\n"
                                                    "O lamp\nX 2\nK 0 100\nK 9 200\nZ 2\nK 0 1\nK 9 2\n");
    write("data/templates/zz_1201_800/zz_1201_800.scene", "O BACKGROUND_ROOT\nX 1\nK 1000\nY 1\nK 500\nZ 1\nK 50\n"
                                                          "O frame\nX 1\nK 7\n");
    write("data/templates/zz_1201_800/zz_1201_800.script", "on open {\n}\n");
    HoScene *templateScene = addScene("zz_1201_800", "data/templates/zz_1201_800");
    HoScene *hall = loadScene("hall");
    HoScene *desk = addScene("zz_desk", "data/scenes/hall/zz_desk", hall);
    desk->isZoomZone = 1;
    loadSceneContent(desk);
    (void)templateScene;

    EXPECT_EQ(namesOf(desk->allElements.members),
              (std::vector<std::string>{"BACKGROUND", "drawer", "lamp", "BACKGROUND_ROOT", "frame"}));
    SceneElement *background = desk->findElement("BACKGROUND");
    EXPECT_EQ(number(background->x), 1010.0f);
    EXPECT_EQ(number(background->y), 520.0f);
    EXPECT_EQ(number(background->z), 55.0f);
    SceneElement *drawer = desk->findElement("drawer");
    EXPECT_EQ(number(drawer->x), 1.0f); // has a parent: only z moves
    EXPECT_EQ(number(drawer->z), 51.0f);
    EXPECT_EQ(keysOf(trackOf(desk, drawer->x)), (std::vector<std::pair<int32_t, float>>{{0, 1}, {9, 2}}));
    EXPECT_EQ(keysOf(trackOf(desk, drawer->z)), (std::vector<std::pair<int32_t, float>>{{0, 1}, {9, 2}}));
    SceneElement *lamp = desk->findElement("lamp");
    EXPECT_EQ(keysOf(trackOf(desk, lamp->x)), (std::vector<std::pair<int32_t, float>>{{0, 1100}, {9, 1200}}));
    EXPECT_EQ(keysOf(trackOf(desk, lamp->z)), (std::vector<std::pair<int32_t, float>>{{0, 51}, {9, 52}}));
    // The template's own elements stay where it put them.
    EXPECT_EQ(number(desk->findElement("frame")->x), 7.0f);
    EXPECT_EQ(desk->script.scripts->statements.count(), 1);

    // A zone whose template scene does not exist keeps its own elements only.
    write("data/scenes/hall/zz_shelf/zz_shelf.scene", "O BACKGROUND\nW 640\nH 480\n");
    HoScene *shelf = addScene("zz_shelf", "data/scenes/hall/zz_shelf", hall);
    shelf->isZoomZone = 1;
    loadSceneContent(shelf);
    EXPECT_EQ(shelf->allElements.members.count(), 1);

    // A zone with a backdrop takes no template.
    write("data/scenes/hall/zz_box/zz_box.scene", "O BACKDROP\nO BACKGROUND\nW 1201\nH 800\n");
    HoScene *box = addScene("zz_box", "data/scenes/hall/zz_box", hall);
    box->isZoomZone = 1;
    loadSceneContent(box);
    EXPECT_EQ(box->allElements.members.count(), 2);
}

} // namespace

namespace {

class SceneScriptsTest : public SceneFilesTest {};

TEST_F(SceneScriptsTest, TheCommonScriptsSurroundTheScenesOwnByItsKind) {
    for (const char *name : {"common_pre", "common_zz", "common_mg", "common_ho", "common_post"})
        write(std::string("data/scripts/") + name + ".script", std::string("on ") + name + " {\n}\n");
    write("data/scenes/hall/zz_desk/zz_desk.script", "on own {\n}\n");
    HoScene *hall = addScene("hall", "data/scenes/hall");
    HoScene *desk = addScene("zz_desk", "data/scenes/hall/zz_desk", hall);
    desk->isZoomZone = 1;
    desk->isHo = 1;
    loadSceneScripts(&desk->script);
    std::vector<std::string> events;
    ScriptBlock *top = desk->script.scripts;
    for (int32_t i = 0; i < top->statements.count(); ++i)
        events.push_back(top->statements[i]->params[0].text());
    EXPECT_EQ(events, (std::vector<std::string>{"common_pre", "common_zz", "common_ho", "own", "common_post"}));
    // Missing files are skipped without a word.
    loadSceneScripts(&hall->script);
    EXPECT_EQ(hall->script.scripts->statements.count(), 2);
    EXPECT_TRUE(messages.empty());
}

} // namespace
