#pragma once
// Bubble-shooter scenes for the suites: a scene file written by the test (board, renderer, gun, places
// and one template per kind, pictures by libpng), settings and "$bubble" set as a script sets them,
// steps with the world's pointer and click flag, and fields that the game sets up and the test then
// arranges through its slots. Random picks replay from crtSrand.

#include <string>

#include "engine/system/KSystem.h"
#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/script/ScriptVariable.h"
#include "tests/game/minigames/NodeTestSupport.h"

namespace bubbletest {

constexpr uint32_t kKindColours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
constexpr int kKinds = 4;

// Where the scene's elements stand, in design units.
struct Layout {
    float boardX = 400.0f, boardY = 300.0f, boardW = 800.0f, boardH = 600.0f;
    float bubble = 60.0f; // the templates' size
    float gunX = 400.0f, gunY = 540.0f;
    std::string extra; // further scene-file lines
};

class BubbleScenes : public nodetest::NodeScenes {
protected:
    void SetUp() override {
        NodeScenes::SetUp();
        crtSrand(7);
        HoSceneBubbleShooter::burstPacing = 0;
    }

    static std::string element(const std::string &name, const std::string &picture, float w, float h, float x, float y) {
        auto number = [](float value) { return std::to_string(value); };
        return "O " + name + "\nI " + picture + "\nW " + number(w) + "\nH " + number(h) + "\nX 1\nK " + number(x) +
               "\nY 1\nK " + number(y) + "\nR 1\nK 1\nS 1\nK 1\n";
    }
    // The scene with its board in "#_table" and its templates in "$bubble"; not yet stepped.
    HoSceneBubbleShooter *shooter(const Layout &layout = Layout()) {
        solidPicture("plain.png", 4, 4, 0xFF808080u);
        std::string text = element("render", "plain.png", 4, 4, 0, 0) +
                           element("table", "plain.png", layout.boardW, layout.boardH, layout.boardX, layout.boardY) +
                           element("gun", "plain.png", 4, 4, layout.gunX, layout.gunY) +
                           element("place_00", "plain.png", 4, 4, layout.gunX, layout.gunY) +
                           element("place_01", "plain.png", 4, 4, layout.gunX + 100.0f, layout.gunY);
        for (int kind = 0; kind < kKinds; ++kind) {
            const std::string picture = "kind" + std::to_string(kind) + ".png";
            solidPicture(picture.c_str(), 4, 4, kKindColours[kind]);
            text += element("kind" + std::to_string(kind), picture, layout.bubble, layout.bubble, -500, -500);
        }
        write("data/scenes/arena/arena.scene", text + layout.extra);
        started();
        scene = loadScene<HoSceneBubbleShooter>("arena");
        forEach(scene, setupElementMedia);
        forEach(scene, loadElementImages);
        *variable("#_table") = scene->findElement("table")->selfSlot;
        for (int kind = 0; kind < kKinds; ++kind)
            *variable(("$bubble_0" + std::to_string(kind)).c_str()) = templateOf(kind)->selfSlot;
        return scene;
    }
    ScriptValue *variable(const char *name) { return findOrCreateVariable(&scene->script, name, nullptr)->value; }
    SceneElement *templateOf(int kind) { return scene->findElement(("kind" + std::to_string(kind)).c_str()); }
    void setNamed(int kind, const char *name, float value) { templateOf(kind)->findNamedValue(name, true)->setNumber(value); }

    void step(bool click = false) {
        world->clicks.clicked = click ? 1 : 0;
        scene->update();
        world->clicks.clicked = 0;
    }
    void pointAt(float x, float y) {
        world->pointerX = x;
        world->pointerY = y;
    }
    // Fires toward the point and steps until the shot has stuck or is lost; false when it still flies.
    bool shootAt(float x, float y) {
        pointAt(x, y);
        step(true);
        for (int i = 0; i < 200 && scene->flyingBubble; ++i)
            step();
        return !scene->flyingBubble;
    }

    // The field emptied; bubbles of chosen kinds put into cells.
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
    // Every cell from the first to the last row (inclusive) that may hold one gets a bubble of the kind.
    void fillRows(int first, int last, int kind) {
        for (int row = first; row <= last; ++row)
            for (int col = 0; col < scene->cols; ++col)
                if (!scene->slotAt(row, col)->overflow)
                    put(row, col, kind);
    }
    // The gun loads only this kind from now on.
    void gunOnly(int kind) {
        for (int other = 0; other < kKinds; ++other)
            setNamed(other, "gunshot_disable", other == kind ? 0.0f : 1.0f);
        scene->currentKind = scene->nextKind = kind;
    }

    // Every bubble of the field owns its cell, no cell has another owner, and no other bubble has a cell.
    void expectOneOwnerPerCell() {
        int32_t owned = 0;
        for (int32_t i = 0; i < scene->slots.count(); ++i) {
            FieldSlot *cell = scene->slots[i];
            if (cell->bubble) {
                ++owned;
                EXPECT_EQ(cell->bubble->slot, cell) << "cell " << cell->row << "," << cell->col;
            }
        }
        EXPECT_EQ(owned, scene->fieldBubbles.count());
        for (const PtrArray<FieldBubble> *list : {&scene->bursting, &scene->falling})
            for (int32_t i = 0; i < list->count(); ++i)
                EXPECT_EQ(list->get(i)->slot, nullptr);
    }

    HoSceneBubbleShooter *scene = nullptr;
};

} // namespace bubbletest
