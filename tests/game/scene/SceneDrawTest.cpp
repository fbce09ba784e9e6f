// Scenes drawn into a headless game window and read back: the depth order, cuts, sprite frames, runtime
// loading, crop groups, the move highlight, the camera's view and its inverse, and element texts.

#include <cmath>
#include <utility>
#include <vector>

#include "engine/text/KText.h"
#include "game/resources/HoFont.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/SceneView.h"
#include "game/script/ScriptKeywords.h"
#include "tests/game/scene/SceneDrawSupport.h"
#include "tests/support/FontTestSupport.h"

namespace {

using scenedraw::SceneDrawTest;

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kYellow = 0xFFFFFF00u;
constexpr uint32_t kGrey = 0xFF808080u, kWhite = 0xFFFFFFFFu;
constexpr char kTwoBlocks[] = "\xE2\x96\x88\xE2\x96\x88";
// A row through the blocks of a box text whose box's top is at 668.
constexpr float kTextRow = 690.0f;

uint32_t rgb(uint32_t argb) {
    return argb & 0xFFFFFFu;
}

TEST_F(SceneDrawTest, TheLowerKeyIsInFrontCutsShowTheirPartAndFramesFollowAnimateFrames) {
    writeSolid("data/scenes/hall/red.png", 8, 8, kRed);
    writeSolid("data/scenes/hall/green.png", 8, 8, kGreen);
    std::vector<uint32_t> halves(64 * 32), frames(96 * 32);
    for (size_t i = 0; i < halves.size(); ++i)
        halves[i] = i % 64 < 32 ? kBlue : kYellow;
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = (const uint32_t[]){kRed, kGreen, kBlue}[i % 96 / 32];
    writePicture("data/scenes/hall/halves.png", 64, 32, halves);
    writePicture("data/scenes/hall/frames.png", 96, 32, frames);
    HoScene *hall = startedScene("hall", solid("back", "red.png", 400, 400, 200, 200, 5) +
                                             solid("front", "green.png", 500, 400, 200, 200, 1) +
                                             solid("half", "halves.png", 1200, 400, 400, 200) +
                                             solid("sheet", "frames.png", 1800, 400, 200, 200) + "f 1\nw 0.333334\n");
    hall->findElement("half")->findProperty(kwX1)->setNumber(0.0f);
    hall->findElement("half")->findProperty(kwX2)->setNumber(0.5f);
    SceneElement *sheet = hall->findElement("sheet");
    sheet->currentFrame = 150.0f; // the second frame of three, a second each
    world->tickCounter = 250;     // the third
    const lftest::BackBuffer frame = drawn(hall);
    EXPECT_EQ(colourAt(frame, 450, 400), rgb(kGreen));
    EXPECT_EQ(colourAt(frame, 350, 400), rgb(kRed));
    EXPECT_EQ(colourAt(frame, 1050, 400), rgb(kBlue));
    EXPECT_EQ(colourAt(frame, 1150, 400), rgb(kBlue));
    EXPECT_EQ(colourAt(frame, 1300, 400), 0u);

    const struct {
        const char *setting;
        uint32_t shown;
    } cases[] = {{nullptr, kGreen}, {"-1", kRed}, {"1", kBlue}};
    for (const auto &c : cases) {
        if (c.setting)
            sheet->findNamedValue("animate_frames", true)->setNumber(std::stof(c.setting));
        EXPECT_EQ(colourAt(drawn(hall), 1800, 400), rgb(c.shown)) << (c.setting ? c.setting : "unset");
    }
}

TEST_F(SceneDrawTest, RuntimeLoadingReleasesHiddenPicturesAndLoadsThemWhenShown) {
    writeSolid("data/scenes/hall/red.png", 8, 8, kRed);
    HoScene *hall = startedScene("hall", solid("lamp", "red.png", 400, 400, 200, 200), "init {\n set #runtime_loading 1\n}\n");
    SceneElement *lamp = hall->findElement("lamp");
    HoTexture *texture = static_cast<HoSceneImage *>(lamp->renderable)->texture;
    EXPECT_EQ(colourAt(drawn(hall), 400, 400), rgb(kRed));
    EXPECT_EQ(lamp->picturesLoaded, 1);
    lamp->visible = 0;
    drawn(hall);
    EXPECT_EQ(lamp->picturesLoaded, 0);
    EXPECT_EQ(texture->picture, nullptr);
    lamp->visible = 1;
    hall->update();
    EXPECT_EQ(colourAt(drawn(hall), 400, 400), rgb(kRed));
    EXPECT_EQ(lamp->picturesLoaded, 1);
}

TEST_F(SceneDrawTest, ACropGroupClipsItsMembersAndTheElementBeingMovedAddsATenthOfItsLight) {
    writeSolid("data/scenes/hall/grey.png", 8, 8, kGrey);
    std::string file = "O crop_window\nW 400\nH 200\nX 1\nK 600\nY 1\nK 500\nR 1\nK 1\nS 1\nK 1\n" +
                       solid("curtain", "grey.png", 600, 500, 1000, 600) + "O crop_none\nW 0\nH 0\n" +
                       solid("shutter", "grey.png", 1800, 500, 400, 400) + solid("box", "grey.png", 1400, 1200, 200, 200) +
                       "C crop_window\nc curtain\nC crop_none\nc shutter\n";
    HoScene *hall = startedScene("hall", file);
    const lftest::BackBuffer frame = drawn(hall);
    // The window spans 400..800 by 400..600.
    EXPECT_EQ(colourAt(frame, 420, 420), rgb(kGrey));
    EXPECT_EQ(colourAt(frame, 780, 580), rgb(kGrey));
    for (auto [x, y] : {std::pair{380.0f, 500.0f}, {820.0f, 500.0f}, {600.0f, 380.0f}, {600.0f, 620.0f}})
        EXPECT_EQ(colourAt(frame, x, y), 0u) << x << "," << y;
    // A crop of no size shows nothing of its members.
    EXPECT_EQ(colourAt(frame, 1800, 500), 0u);

    EXPECT_EQ(colourAt(frame, 1400, 1200), rgb(kGrey));
    world->clicks.hover.move = hall->findElement("box");
    // 128 plus a tenth of 128, through the device's bytes.
    EXPECT_NEAR(int(colourAt(drawn(hall), 1400, 1200) & 0xFF), 128 + 13, 1);
}

// Three markers seen through a "CAMERA" turned by 90 degrees whose x scale of 2 halves the zoom, with
// "#CAMERA_SCALE" doubling it again: the view turns a quarter counter-clockwise at the plain size, and the
// pixel at the middle of each marker is taken back to the marker's place in the scene.
TEST_F(SceneDrawTest, TheCameraTurnsAndZoomsTheViewAndScreenToSceneUndoesIt) {
    const struct {
        uint32_t colour;
        float x, y;
    } markers[] = {{kRed, 1200, 540}, {kGreen, 900, 840}, {kBlue, 700, 400}};
    std::string file = "O CAMERA\nX 1\nK 1280\nY 1\nK 768\nA 1\nK 90\nR 1\nK 2\nS 1\nK 2\n";
    for (size_t i = 0; i < std::size(markers); ++i) {
        const std::string picture = "marker" + std::to_string(i) + ".png";
        writeSolid("data/scenes/hall/" + picture, 8, 8, markers[i].colour);
        file += solid("marker" + std::to_string(i), picture, markers[i].x, markers[i].y, 24, 24);
    }
    HoScene *hall = startedScene("hall", file, "init {\n set #CAMERA_SCALE 2\n}\n");
    const lftest::BackBuffer frame = drawn(hall);
    ScreenPoint seen[3];
    for (size_t i = 0; i < std::size(markers); ++i) {
        seen[i] = middleOf(frame, rgb(markers[i].colour));
        const ScreenPoint back = hall->screenToScene(seen[i]);
        EXPECT_NEAR(back.x, markers[i].x, 1.5f) << i;
        EXPECT_NEAR(back.y, markers[i].y, 1.5f) << i;
    }
    // (-300, 300) in the scene turns into (300, 300) on the screen, at the art scale.
    EXPECT_NEAR(seen[1].x - seen[0].x, 300 * kScale, 1.5f);
    EXPECT_NEAR(seen[1].y - seen[0].y, 300 * kScale, 1.5f);
    // A camera element of no scale would zoom by 1 / 0: the view is taken as without it.
    hall->cameraElement->absScaleX.setNumber(0.0f);
    const SceneView unframed = computeSceneView(*hall);
    EXPECT_EQ(unframed.zoom, 2.0f);
    EXPECT_EQ(unframed.angle, 0.0f);
    // No zoom at all: the point stays as it is.
    *hall->cameraScaleSlot = ScriptValue();
    const ScreenPoint kept = hall->screenToScene({10.0f, 20.0f});
    EXPECT_EQ(kept.x, 10.0f);
    EXPECT_EQ(kept.y, 20.0f);
}

// At each layout a desktop's shape chooses (wide on 16:10 and 16:9, narrow on 4:3 and 5:4, in HD and SD),
// the pointer at the middle of where an element is drawn, in design units as the world reads it, hits
// the element and a pointer beside it on either side does not, with the scene camera and through a
// CAMERA element; at the resting camera the world's scene pointer is the element's place.
TEST_F(SceneDrawTest, ThePointerHitsAnElementWhereItIsDrawnAtEveryLayout) {
    writeSolid("data/scenes/hall/red.png", 8, 8, kRed);
    HoScene *hall = startedScene("hall", "O CAMERA\nX 1\nK 1280\nY 1\nK 768\nR 1\nK 2\nS 1\nK 2\n" +
                                             solid("lamp", "red.png", 1500, 900, 120, 120));
    SceneElement *lamp = hall->findElement("lamp");
    const struct {
        int desktopWidth, desktopHeight;
        bool hd, wide;
    } layouts[] = {{2560, 1600, true, true},  {1920, 1080, true, true},  {1920, 1080, false, true},
                   {1920, 1440, true, false}, {1280, 1024, false, false}, {1024, 768, false, false},
                   {1920, 1200, true, true}}; // wide again after narrow
    for (const auto &layout : layouts) {
        SCOPED_TRACE(std::to_string(layout.desktopWidth) + "x" + std::to_string(layout.desktopHeight) +
                     (layout.hd ? " HD" : " SD"));
        DEVMODEW modes[2]{};
        modes[0].dmPelsWidth = layout.desktopWidth, modes[0].dmPelsHeight = layout.desktopHeight;
        modes[1].dmPelsWidth = 1920, modes[1].dmPelsHeight = 1080;
        platformSetVirtualDesktop(layout.desktopWidth, layout.desktopHeight, modes, 2);
        // Laid out again as a quality switch does, without the context's reloading of the archives.
        HoContext *context = std::exchange(game.context, nullptr);
        game.switchQuality(!layout.hd);
        ASSERT_TRUE(game.switchQuality(layout.hd));
        game.context = context;
        ASSERT_EQ(game.wide, layout.wide ? 1 : 0);
        hall->setCamera(1.0f, sceneViewCentre().x, sceneViewCentre().y);
        for (const bool framed : {false, true}) {
            hall->cameraElement->visible = framed ? 1 : 0;
            const ScreenPoint middle = middleOf(drawn(hall), rgb(kRed));
            const float s = screenValues.artScale, x = middle.x / s, y = middle.y / s;
            EXPECT_EQ((std::vector<bool>{lamp->hitTest(x, y), lamp->hitTest(x - 100, y), lamp->hitTest(x + 100, y)}),
                      (std::vector<bool>{true, false, false}))
                << (framed ? "through the CAMERA" : "");
            if (framed)
                continue;
            // The minigames aim at scene places with the pointer in the scene's units.
            world->pointerX = x, world->pointerY = y;
            const ScreenPoint aimed = world->scenePointer();
            EXPECT_NEAR(aimed.x, 1500.0f, 2.0f);
            EXPECT_NEAR(aimed.y, 900.0f, 2.0f);
        }
    }
}

class SceneTextTest : public SceneDrawTest {
protected:
    void SetUp() override {
        SceneDrawTest::SetUp();
        ASSERT_TRUE(lftest::makeGameFont(source(), 1, 40, "32-126,9608"));
        writeSolid("data/scenes/hall/blue.png", 8, 8, kBlue);
    }
    // A text element of the style, 400 by 200 across the middle of the screen at the row.
    static std::string label(const std::string &name, float y, const std::string &style) {
        return "O " + name + "\nW 400\nH 200\nX 1\nK 1280\nY 1\nK " + std::to_string(y) +
               "\nR 1\nK 1\nS 1\nK 1\nG " + style + "\n";
    }
    // The labels on a blue background, each with two blocks as its text.
    void startHall(const std::string &labels) {
        hall = startedScene("hall", solid("BACKGROUND", "blue.png", 1280, 768, 2560, 1536, 100) + labels);
        for (int32_t i = 0; i < hall->allElements.members.count(); ++i) {
            SceneElement *element = hall->allElements.members[i];
            if (element->renderable == nullptr)
                element->text.setPointer(kScriptText, kTwoBlocks);
        }
    }
    // The orange run across the row: its first column and its length.
    static std::pair<int, int> orangeRun(const lftest::BackBuffer &frame, float designY = 768) {
        const int y = int(designY * kScale);
        int first = -1, length = 0;
        for (int x = 0; x < frame.width; ++x) {
            const uint8_t *p = frame.at(x, y);
            if (p[0] > 230 && p[1] > 100 && p[1] < 160 && p[2] < 30) {
                first = first < 0 ? x : first;
                ++length;
            }
        }
        return {first, length};
    }
    HoScene *hall = nullptr;
};

TEST_F(SceneTextTest, ABoxTextIsOutlinedAtHalfItsColourWhenHoveredElseInBlackAndShowsItsCharacterCount) {
    startHall(label("label", 768, "0 0 255 128 0 0 0 0 0 3"));
    SceneElement *label = hall->findElement("label");
    // Just outside the blocks the outline hides the blue background: orange at half strength, or black.
    const struct {
        bool hovered, forced, halfColour;
    } cases[] = {{true, false, true}, {false, true, true}, {false, false, false}};
    for (const auto &c : cases) {
        world->hoveredElement = c.hovered ? label : nullptr;
        label->textHoverForce.setNumber(c.forced ? 1.0f : 0.0f);
        const lftest::BackBuffer frame = drawn(hall);
        const auto [first, length] = orangeRun(frame, kTextRow);
        ASSERT_GT(length, 0);
        const uint8_t *edge = frame.at(first - 2, int(kTextRow * kScale));
        EXPECT_LT(edge[2], 60) << c.hovered << c.forced;
        if (c.halfColour) {
            EXPECT_TRUE(edge[0] > 80 && edge[0] < 170 && std::abs(edge[0] - 2 * edge[1]) < 20) << int(edge[0]) << "," << int(edge[1]);
        } else {
            EXPECT_TRUE(edge[0] < 40 && edge[1] < 40) << int(edge[0]) << "," << int(edge[1]);
        }
    }
    const int both = orangeRun(drawn(hall), kTextRow).second;
    label->charsCount.setNumber(1.0f);
    const int one = orangeRun(drawn(hall), kTextRow).second;
    EXPECT_GT(one, 0);
    EXPECT_NEAR(both, 2 * one, 4);
}

TEST_F(SceneTextTest, AQuadTextGoesOnTheElementOrOnItsFourPointPolygonAndNowhereForAnyOther) {
    const struct {
        const char *polygon;
        float y;           // the row of the label
        float left, right; // design x of the quad the text lies in; left > right: no text
    } cases[] = {{"", 400, 1080, 1480},
                 {"q 1\nQ 4\nu 400\nv 100\nu 700\nv 100\nu 700\nv -100\nu 400\nv -100\n", 768, 1680, 1980},
                 {"q 1\nQ 3\nu 400\nv 100\nu 700\nv 100\nu 700\nv -100\n", 1100, 1, 0}};
    std::string labels;
    for (size_t i = 0; i < std::size(cases); ++i)
        labels += label("quad" + std::to_string(i), cases[i].y, "0 0 255 128 0 1 0 0 0 0") + cases[i].polygon;
    startHall(labels);
    const lftest::BackBuffer frame = drawn(hall);
    for (const auto &c : cases) {
        const auto [first, length] = orangeRun(frame, c.y);
        if (c.left > c.right) {
            EXPECT_EQ(length, 0) << c.y;
            continue;
        }
        ASSERT_GT(length, 0) << c.y;
        EXPECT_GE(first, int(c.left * kScale));
        EXPECT_LE(first + length, int(c.right * kScale) + 1);
    }
}

// Counts the box texts it is asked to draw.
class CountingText : public KText {
public:
    void drawTextInBox(const char *text, int32_t maxChars, int32_t left, int32_t right, int32_t top, int32_t style,
                       float spacing, float lineHeight) override {
        ++boxes;
        KText::drawTextInBox(text, maxChars, left, right, top, style, spacing, lineHeight);
    }
    int boxes = 0;
};

TEST_F(SceneTextTest, AFaintElementDrawsItsTextBelowTheOpacityItsPictureNeeds) {
    startHall(label("label", 768, "0 0 255 128 0 0 0 0 0 3"));
    SceneElement *label = hall->findElement("label");
    HoFont *font = context().fontResource(1);
    CountingText counting;
    ASSERT_TRUE(counting.loadFont((source() / "data/texts/font_1.ktext").c_str(),
                                  (source() / "data/texts/font_1_0.tga").c_str()));
    KText *own = font->text;
    font->text = &counting;
    const struct {
        float alpha;
        bool text, picture;
    } cases[] = {{0.5f, true, true}, {0.0005f, true, false}, {0.00005f, false, false}};
    for (const auto &c : cases) {
        counting.boxes = 0;
        hall->findElement("BACKGROUND")->alpha.setNumber(c.alpha);
        label->alpha.setNumber(c.alpha);
        const lftest::BackBuffer frame = drawn(hall);
        EXPECT_EQ(counting.boxes > 0, c.text) << c.alpha;
        EXPECT_EQ((colourAt(frame, 200, 200) & 0xFF) > 0, c.picture) << c.alpha;
    }
    font->text = own;
}

} // namespace
