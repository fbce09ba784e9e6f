#pragma once
// Bubble-shooter scenes for the suites: a scene file written by the test (the board, the renderer, the
// gun with its two places and one template per kind, pictures by libpng), its settings and "$bubble"
// set as the script would set them, steps with the world's pointer and click flag, and fields that the
// game sets up and the test then arranges through its slots. Random picks replay from crtSrand.

#include <algorithm>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/script/ScriptVariable.h"
#include "tests/game/minigames/NodeTestSupport.h"

namespace bubbletest {

// The colours of the kinds' pictures.
constexpr uint32_t kKindColours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFFFF00FFu};

// Where the scene's elements stand, in design units.
struct Layout {
    float boardX = 400.0f, boardY = 300.0f, boardW = 800.0f, boardH = 600.0f;
    float bubble = 60.0f; // the templates' width and height
    float gunX = 400.0f, gunY = 540.0f;
    int kinds = 4;
    std::string extra; // further scene-file lines
};

class BubbleScenes : public nodetest::NodeScenes {
protected:
    void SetUp() override {
        NodeScenes::SetUp();
        crtSrand(7);
        HoSceneBubbleShooter::burstPacing = 0;
    }

    static std::string element(const std::string &name, const char *picture, float w, float h, float x, float y) {
        std::string text = "O " + name + "\n";
        if (picture)
            text += std::string("I ") + picture + "\n";
        return text + "W " + std::to_string(w) + "\nH " + std::to_string(h) + "\nX 1\nK " + std::to_string(x) +
               "\nY 1\nK " + std::to_string(y) + "\nR 1\nK 1\nS 1\nK 1\n";
    }

    // The scene with its templates in "$bubble" and its board in "#_table"; not yet stepped.
    HoSceneBubbleShooter *shooter(const Layout &layout = Layout()) {
        solidPicture("board.png", 4, 4, 0xFF202020u);
        solidPicture("gun.png", 4, 4, 0xFF808080u);
        std::string text = element("render", "board.png", 4, 4, 0, 0) + element("table", nullptr, layout.boardW,
                                                                             layout.boardH, layout.boardX, layout.boardY);
        text += element("gun", "gun.png", 4, 4, layout.gunX, layout.gunY);
        text += element("place_00", "gun.png", 4, 4, layout.gunX, layout.gunY);
        text += element("place_01", "gun.png", 4, 4, layout.gunX + 100.0f, layout.gunY);
        for (int kind = 0; kind < layout.kinds; ++kind) {
            const std::string picture = "kind" + std::to_string(kind) + ".png";
            solidPicture(picture.c_str(), 4, 4, kKindColours[kind]);
            text += element("kind" + std::to_string(kind), picture.c_str(), layout.bubble, layout.bubble, -500, -500);
        }
        write("data/scenes/arena/arena.scene", text + layout.extra);
        started();
        scene = loadScene<HoSceneBubbleShooter>("arena");
        forEach(scene, setupElementMedia);
        forEach(scene, loadElementImages);
        *variable("#_table") = scene->findElement("table")->selfSlot;
        for (int kind = 0; kind < layout.kinds; ++kind)
            *variable(("$bubble_0" + std::to_string(kind)).c_str()) = templateOf(kind)->selfSlot;
        return scene;
    }
    ScriptValue *variable(const char *name) { return findOrCreateVariable(&scene->script, name, nullptr)->value; }
    SceneElement *templateOf(int kind) { return scene->findElement(("kind" + std::to_string(kind)).c_str()); }
    void setNamed(int kind, const char *name, float value) { templateOf(kind)->findNamedValue(name, true)->setNumber(value); }

    // One step with the pointer where it is, clicking when asked.
    void step(bool click = false) {
        world->clicks.clicked = click ? 1 : 0;
        scene->update();
        world->clicks.clicked = 0;
    }
    void pointAt(float x, float y) {
        world->pointerX = x;
        world->pointerY = y;
    }
    // Fires toward the point and steps until the shot has stuck or is lost; false when it flies on.
    bool shootAt(float x, float y, int maxSteps = 200) {
        pointAt(x, y);
        step(true);
        for (int i = 0; i < maxSteps && scene->flyingBubble; ++i)
            step();
        return !scene->flyingBubble;
    }

    // The field emptied, then bubbles of kinds put into cells.
    void clearField() {
        for (int32_t i = 0; i < scene->slots.count(); ++i)
            scene->slots[i]->bubble = nullptr;
        scene->fieldBubbles.deleteAll();
    }
    FieldBubble *put(int row, int col, int kind) {
        FieldBubble *bubble = scene->newBubble(kind);
        scene->placeInField(bubble, scene->slotAt(row, col));
        return bubble;
    }
    // Makes every kind but one a kind the gun never loads, and reloads the gun with it.
    void gunOnly(int kind) {
        for (int other = 0; other < Layout().kinds; ++other)
            setNamed(other, "gunshot_disable", other == kind ? 0.0f : 1.0f);
        scene->currentKind = scene->nextKind = kind;
    }

    // Every bubble of the field owns its cell and no cell has another owner.
    void expectOneOwnerPerCell() {
        int32_t owned = 0;
        for (int32_t i = 0; i < scene->slots.count(); ++i) {
            FieldSlot *cell = scene->slots[i];
            if (!cell->bubble)
                continue;
            ++owned;
            EXPECT_EQ(cell->bubble->slot, cell) << "cell " << cell->row << "," << cell->col;
            EXPECT_GE(scene->fieldBubbles.indexOf(cell->bubble), 0);
        }
        EXPECT_EQ(owned, scene->fieldBubbles.count());
        for (const PtrArray<FieldBubble> *list : {&scene->bursting, &scene->falling}) {
            for (int32_t i = 0; i < list->count(); ++i)
                EXPECT_EQ(list->get(i)->slot, nullptr);
        }
    }

    HoSceneBubbleShooter *scene = nullptr;
};

} // namespace bubbletest
