// Whether a point of the window falls on an element: its hit polygons (in the order the media set-up
// gives them, edges inclusive), else its rectangle about its pivot and its hit mask (bits read from
// the top bit down, with the guard on the bit index), through the scene camera or the CAMERA element.

#include <cmath>

#include "game/scene/ElementMedia.h"
#include "tests/game/scene/HitMaskFiles.h"
#include "tests/game/scene/SceneRuntimeSupport.h"

namespace {

class HitTestTest : public SceneRuntimeTest {
protected:
    // A 2560 x 1536 view at art scale 1, so that window points are design points.
    HitTestTest() : saved_(screenValues) {
        screenValues = ScreenValues{};
        screenValues.width = 2560.0f;
        screenValues.height = 1536.0f;
        screenValues.halfWidth = 1280.0f;
        screenValues.halfHeight = 768.0f;
        screenValues.artScale = 1.0f;
    }
    ~HitTestTest() override { screenValues = saved_; }

    HoScene *startHall(const std::string &sceneFile) {
        writeScene("hall", sceneFile);
        HoScene *hall = loadRunningScene("hall");
        startScenes();
        hall->fireEnter();
        return hall;
    }
    // Hits of the element at points given relative to its absolute position.
    std::vector<bool> hitsAround(SceneElement *element, const std::vector<std::pair<float, float>> &offsets) {
        std::vector<bool> hits;
        for (auto [dx, dy] : offsets)
            hits.push_back(element->hitTest(number(element->absX) + dx, number(element->absY) + dy));
        return hits;
    }

private:
    ScreenValues saved_;
};

TEST_F(HitTestTest, PolygonsHitOnTheirEdgesAndKeepTheRectangleOut) {
    // Six points in no order (y up in the file), a rectangle of 40 x 20 once ordered; a second polygon
    // of two points is passed over.
    HoScene *hall = startHall("O plate\nX 1\nK 500\nY 1\nK 400\nW 100\nH 100\nR 1\nK 1\nS 1\nK 1\nq 2\nQ 6\n"
                            "u -20\nv -10\nu 20\nv 10\nu 0\nv -10\nu 20\nv -10\nu -20\nv 10\nu 0\nv 10\n"
                            "Q 2\nu 0\nv 0\nu 1\nv 1\n"
                            "O slab\nX 1\nK 800\nY 1\nK 400\nW 10\nH 10\nR 1\nK 1\nS 1\nK 1\nq 1\nQ 2\nu 0\nv 0\nu 5\nv 5\n");
    EXPECT_EQ(hitsAround(hall->findElement("plate"), {{0, 0}, {20, 0}, {-20, 10}, {0, -10}, {21, 0}, {0, 11}, {40, 40}}),
              (std::vector<bool>{true, true, true, true, false, false, false}));
    // Polygons of fewer than three points leave the rectangle to decide.
    EXPECT_EQ(hitsAround(hall->findElement("slab"), {{4, 4}, {6, 0}}), (std::vector<bool>{true, false}));
}

TEST_F(HitTestTest, RectanglesStandOnTheirPivotAndTurnWithTheElement) {
    HoScene *hall = startHall("O corner\nX 1\nK 500\nY 1\nK 400\nW 100\nH 50\nR 1\nK 1\nS 1\nK 1\nU 0\nV 0\n"
                            "O turned\nX 1\nK 900\nY 1\nK 400\nW 100\nH 20\nR 1\nK 1\nS 1\nK 1\nU 0\nV 0\nA 1\nK 90\n"
                            "O flat\nX 1\nK 1200\nY 1\nK 400\nW 0\nH 20\nR 1\nK 1\nS 1\nK 1\n");
    EXPECT_EQ(hitsAround(hall->findElement("corner"), {{0, 0}, {99.5f, 49.5f}, {100, 10}, {10, 50}, {-0.5f, 10}}),
              (std::vector<bool>{true, true, false, false, false}));
    // Turned by 90 degrees the 100 x 20 picture stands upward from its pivot, as it is drawn.
    EXPECT_EQ(hitsAround(hall->findElement("turned"), {{10, -50}, {19, -99}, {50, 10}, {-5, -50}}),
              (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(hitsAround(hall->findElement("flat"), {{0, 0}}), std::vector<bool>{false}); // no width, no hit
}

TEST_F(HitTestTest, HitMasksReadTheirBitsFromTheTopBitAndGuardTheirIndex) {
    writePicture("data/scenes/hall/stencil.png", 8, 2, std::vector<uint32_t>(16, 0xFF808080u));
    writeBytes("data/scenes/hall/stencil.hit", [] {
        std::vector<char> bits = hitMaskFile(8, 2, {{1, 0}, {0, 1}});
        return std::vector<unsigned char>(bits.begin(), bits.end());
    }());
    writePicture("data/scenes/hall/edge.png", 4, 4, std::vector<uint32_t>(16, 0xFF808080u));
    std::vector<std::pair<int, int>> all;
    for (int x = 0; x < 100; ++x)
        all.push_back({x, 0});
    writeBytes("data/scenes/hall/edge.hit", [&all] {
        std::vector<char> bits = hitMaskFile(100, 1, all);
        return std::vector<unsigned char>(bits.begin(), bits.end());
    }());
    HoScene *hall = startHall("O stencil\nI stencil.png\nX 1\nK 500\nY 1\nK 400\nW 8\nH 2\nR 1\nK 1\nS 1\nK 1\nU 0\nV 0\n"
                            "O edge\nI edge.png\nX 1\nK 1000\nY 1\nK 400\nW 3000\nH 4\nR 1\nK 1\nS 1\nK 1\nU 1\nV 0\n");
    started();
    hall->loadElementImages();
    SceneElement *stencil = hall->findElement("stencil");
    ASSERT_NE(stencil->hitMask, nullptr);
    EXPECT_EQ(hitsAround(stencil, {{1.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 1.5f}, {1.5f, 1.5f}}),
              (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(messages.empty());

    // Just inside the right edge of a wide picture the scaled index rounds up to the mask's width: the
    // guard reports it and the point misses.
    SceneElement *edge = hall->findElement("edge");
    float x = 1000.0f;
    int hits = 0, guarded = 0;
    for (int k = 0; k < 40; ++k) {
        x = std::nextafter(x, 0.0f);
        size_t before = messages.size();
        bool hit = edge->hitTest(x, 401.0f);
        if (messages.size() > before) {
            ++guarded;
            EXPECT_FALSE(hit);
        }
        hits += hit ? 1 : 0;
    }
    EXPECT_GT(hits, 0);
    ASSERT_GT(guarded, 0);
    EXPECT_EQ(messages[0], "IF YOU SEE THIS MESSAGE REPORT THIS PROBLEM TO THE DEVELOPER: Element - edge, Scene - hall");
    hall->unloadElementImages();
}

TEST_F(HitTestTest, TheCameraAndTheCameraElementBringTheWindowPointIntoTheScene) {
    HoScene *hall = startHall("O CAMERA\nX 1\nK 1280\nY 1\nK 768\nR 1\nK 2\nS 1\nK 2\n"
                            "O spot\nX 1\nK 1300\nY 1\nK 788\nW 4\nH 4\nR 1\nK 1\nS 1\nK 1\n");
    SceneElement *camera = hall->findElement("CAMERA"), *spot = hall->findElement("spot");
    // Shown through the CAMERA element at twice the size about the centre: the window point (1290, 778)
    // is the scene point (1300, 788).
    EXPECT_TRUE(spot->hitTest(1290.0f, 778.0f));
    EXPECT_FALSE(spot->hitTest(1300.0f, 788.0f));
    // Turned by 90 degrees, it lands at (1260, 788) instead.
    camera->angle.setNumber(90.0f);
    spot->x.setNumber(1260.0f);
    hall->update();
    EXPECT_TRUE(spot->hitTest(1290.0f, 778.0f));
    // Hidden, the scene camera applies: at scale 2 about its place, (1290, 778) is (1285, 773) of the scene.
    camera->visible = 0;
    spot->x.setNumber(1285.0f);
    spot->y.setNumber(773.0f);
    hall->update();
    hall->setCamera(2.0f, 1280.0f, 768.0f);
    EXPECT_TRUE(spot->hitTest(1290.0f, 778.0f));
    EXPECT_FALSE(spot->hitTest(1300.0f, 788.0f));
    hall->setCamera(0.0f, 1280.0f, 768.0f); // a camera of scale 0 shows no point: nothing is hit
    EXPECT_FALSE(spot->hitTest(1290.0f, 778.0f));
}

} // namespace
