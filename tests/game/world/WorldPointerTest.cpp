// The pointer of the world's frame: the number and opacity that what lies under it chooses, the sheet cell,
// element or light it shows, the hardware cursor in its place, what it holds, and its tooltip with the
// fades and the plate, read back from the window.

#include <functional>

#include "game/player/HoInventoryItem.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorldPointer.h"
#include "game/world/Tooltip.h"
#include "platform/WinUser.h"
#include "platform/WinUserInput.h"
#include "tests/game/world/WorldDrawSupport.h"
#include "tests/support/FontTestSupport.h"

namespace worldtest {
namespace {

constexpr uint32_t kNine = 0x20E020u, kLightFirst = 0xE0E020u, kLightSecond = 0x2020E0u;
const ScreenPoint kPointer{1000, 500};

class WorldPointer : public WorldDrawTest {
protected:
    SceneElement *desk = nullptr, *lamp = nullptr, *veil = nullptr, *bar = nullptr, *panel = nullptr, *back = nullptr;

    void startPointerWorld() {
        writePicture("data/system/pointers/nine.png", 8, 8, 0xFF000000u | kNine);
        std::vector<uint32_t> light(16 * 8);
        for (size_t i = 0; i < light.size(); ++i)
            light[i] = 0xFF000000u | (i % 16 < 8 ? kLightFirst : kLightSecond);
        ASSERT_TRUE(picturetest::writeImage(archives->content() / "data/system/pointers/light.png", 16, 8, light));
        // Two frames at 10 a second: the light runs for 20 steps.
        startWorld(scenedraw::solidElement("pointer_09", "nine.png", 0, 0, 64, 64) +
                   scenedraw::solidElement("pointer_light_09", "light.png", 0, 0, 64, 64) + "f 10\nw 0.5\n");
        desk = w->findScene("hall_zz_desk")->findElement("desk");
        lamp = w->findScene("hall_zz_lamp")->findElement("lamp");
        veil = w->overHudScene->findElement("veil");
        bar = w->hudScene->findElement("bar");
        panel = w->findScene("paused_menu")->findElement("panel");
        back = hall->findElement("back");
        w->pointerX = kPointer.x;
        w->pointerY = kPointer.y;
    }

    void resetPointerState() {
        w->clicks = ClickState();
        w->busy = 0;
        w->change.state = kChangeIdle;
        w->overClick = OverClickState();
        w->heldElement = nullptr;
        w->activeScene = w->topScene = hall;
        w->pointerNumber = 3;
        for (SceneElement *element : {desk, lamp, veil, bar, panel, back})
            element->pointerShape = 255;
        hall->noPointerSlot->setNumber(0.0f);
        w->pausedSlot->setNumber(0.0f);
    }

    uint32_t colourAtPointer(float dx = 0.0f, float dy = 0.0f) {
        return colourAt(drawnFrame(), kPointer.x + dx, kPointer.y + dy);
    }
};

TEST_F(WorldPointer, TheChainChoosesTheNumberAndOpacityByWhatThePointerIsOver) {
    startPointerWorld();
    HoInventoryItem item("key", w);
    struct Case {
        const char *what;
        std::function<void()> arrange;
        int32_t number;
        float alpha;
    } cases[] = {
        {"no active scene: no pointer, the number kept", [&] { w->activeScene = nullptr; }, 3, 0.0f},
        {"#no_pointer: no pointer", [&] { hall->noPointerSlot->setNumber(1.0f); }, 3, 0.0f},
        {"the over-click pause", [&] { w->overClick.pauseCountdown = 5; }, kPointerOverClick, 1.0f},
        {"but not while the game is paused",
         [&] {
             w->overClick.pauseCountdown = 5;
             w->pausedSlot->setNumber(1.0f);
             w->clicks.hover.look = desk;
         },
         kPointerLook, 1.0f},
        {"busy: the normal pointer, dimmed", [&] { w->busy = 1; }, kPointerNormal, kPointerDimmed},
        {"busy with a scene change running: as usual",
         [&] {
             w->busy = 1;
             w->change.state = kChangeLeaving;
             w->clicks.hover.look = desk;
         },
         kPointerLook, 1.0f},
        {"an item that can be taken", [&] { w->clicks.clickableItem = w->clicks.hoveredItem = &item; }, kPointerPick, 1.0f},
        {"an item that cannot", [&] { w->clicks.hoveredItem = &item; }, kPointerPick, kPointerDimmed},
        {"look", [&] { w->clicks.hover.look = desk; }, kPointerLook, 1.0f},
        {"look before pick",
         [&] {
             w->clicks.hover.pick = lamp;
             w->clicks.hover.look = desk;
         },
         kPointerLook, 1.0f},
        {"look with the element's own number",
         [&] {
             w->clicks.hover.look = desk;
             desk->pointerShape = 9;
         },
         9, 1.0f},
        {"an own number of 16 is the kind's default",
         [&] {
             w->clicks.hover.look = desk;
             desk->pointerShape = 16;
         },
         kPointerLook, 1.0f},
        {"and so is 200",
         [&] {
             w->clicks.hover.pick = lamp;
             lamp->pointerShape = 200;
         },
         kPointerPick, 1.0f},
        {"pick", [&] { w->clicks.hover.pick = lamp; }, kPointerPick, 1.0f},
        {"use", [&] { w->clicks.hover.use = veil; }, kPointerUse, 1.0f},
        {"goto", [&] { w->clicks.hover.goTo = bar; }, kPointerNormal, 1.0f},
        {"goto with its own number",
         [&] {
             w->clicks.hover.goTo = bar;
             bar->pointerShape = 7;
         },
         7, 1.0f},
        {"an item-use target with nothing in hand", [&] { w->clicks.hover.itemUse = panel; }, kPointerNormal, 1.0f},
        {"an item-use target with an element in hand",
         [&] {
             w->clicks.hover.itemUse = panel;
             w->heldElement = desk;
         },
         kPointerUse, 1.0f},
        {"the current hover with its own number",
         [&] {
             w->hoveredElement = back;
             back->pointerShape = 12;
         },
         12, 1.0f},
    };
    for (const Case &c : cases) {
        resetPointerState();
        w->hoveredElement = nullptr;
        c.arrange();
        const PointerChoice choice = choosePointer(*w);
        EXPECT_EQ(choice.number, c.number) << c.what;
        EXPECT_FLOAT_EQ(choice.alpha, c.alpha) << c.what;
    }
}

TEST_F(WorldPointer, TheSoftwarePointerShowsItsCellItsElementOrItsLightAndOnlyInsideTheWindow) {
    startPointerWorld();
    resetPointerState();
    w->clicks.hover.look = desk;
    desk->pointerShape = 6;
    EXPECT_EQ(colourAtPointer(), sheetCellColour(6)) << "column 2, row 1 of the sheet";
    EXPECT_EQ(w->pointerNumber, 6);
    desk->pointerShape = 9;
    EXPECT_EQ(colourAtPointer(), kNine) << "the pointer_09 element wins over the sheet";

    // The light plays its frames over the pointer, then gives it back.
    w->pointerLight = 9;
    w->pointerLightStart = w->tickCounter;
    EXPECT_EQ(colourAtPointer(), kLightFirst);
    w->tickCounter += 12;
    EXPECT_EQ(colourAtPointer(), kLightSecond);
    EXPECT_EQ(w->pointerLight, 9);
    w->tickCounter += 10;
    EXPECT_EQ(colourAtPointer(), kNine);
    EXPECT_EQ(w->pointerLight, -1);

    // Outside the window nothing of the pointer is drawn.
    HWND window = game->window->getWindowHandle();
    SendMessageW(window, WM_NCMOUSEMOVE, 0, 0);
    EXPECT_EQ(colourAtPointer(), kRed);
    SendMessageW(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(colourAtPointer(), kNine);

    // A held element hangs by its corner below right of the pointer, or centred in a hidden-object scene.
    w->heldElement = desk;
    EXPECT_EQ(colourAtPointer(60, 60), kGreen);
    EXPECT_EQ(colourAtPointer(-60, -60), kRed);
    w->topScene->isHo = 1;
    EXPECT_EQ(colourAtPointer(-60, -60), kGreen);
    EXPECT_NE(findVariable(&w->topScene->script, "#desk_delta"), nullptr);
}

TEST_F(WorldPointer, TheHardwareCursorTakesThePlaceOfTheDrawnPointer) {
    std::filesystem::create_directories(archives->folder() / "cursors");
    for (const char *name : {"pointer_00.cur", "pointer_06.cur"}) {
        ASSERT_EQ(lftest::runProgram({"/usr/bin/convert", "-size", "32x32", "xc:none", "-fill", "red", "-draw",
                                      "polygon 1,1 1,20 14,14", (archives->folder() / "cursors" / name).string()}),
                  0);
    }
    startPointerWorld();
    resetPointerState();
    game->options.set(kOptionHardwareCursor, 1.0f);
    w->clicks.hover.look = desk;
    const struct {
        int32_t number;
        HCURSOR expected;
    } cases[] = {{6, w->hud.cursors[6]}, {9, w->hud.cursors[0]}};
    for (const auto &c : cases) {
        desk->pointerShape = uint8_t(c.number);
        EXPECT_EQ(colourAtPointer(), kRed) << "no drawn pointer";
        EXPECT_EQ(SetCursor(nullptr), c.expected) << c.number;
    }
    ASSERT_NE(w->hud.cursors[6], nullptr);
    // Without cursor 0 a number without a cursor leaves the cursor as it is.
    HCURSOR first = w->hud.cursors[0];
    w->hud.cursors[0] = nullptr;
    SetCursor(w->hud.cursors[6]);
    drawnFrame();
    EXPECT_EQ(SetCursor(nullptr), w->hud.cursors[6]);
    w->hud.cursors[0] = first;
}

TEST_F(WorldPointer, TooltipsComeFromTheFirstKeyedHoverFadeAndStayOnTheScreen) {
    ASSERT_TRUE(lftest::makeGameFont(archives->content(), 1, 24));
    archives->write("data/game.cfg", "tooltip.plane.height=200\n");
    archives->write("data/texts/Localization.xml",
                    "<Workbook><Worksheet><Table>"
                    "<Row><Cell><Data>desk_tip</Data></Cell><Cell><Data>Desk</Data></Cell></Row>"
                    "<Row><Cell><Data>lamp_tip</Data></Cell><Cell><Data>Lamp</Data></Cell></Row>"
                    "<Row><Cell><Data>veil_tip</Data></Cell><Cell><Data>Veil</Data></Cell></Row>"
                    "<Row><Cell><Data>door</Data></Cell><Cell><Data>Hall door</Data></Cell></Row>"
                    "<Row><Cell><Data>inventory_key</Data></Cell><Cell><Data>Old key</Data></Cell></Row>"
                    "</Table></Worksheet></Workbook>");
    startPointerWorld();
    auto key = [&](SceneElement *element, const char *name) { element->tooltipKey = w->names().internOrFind(name); };
    key(desk, "desk_tip");
    key(lamp, "lamp_tip");
    key(veil, "veil_tip");
    key(panel, "no_such_key");
    bar->textKey.setPointer(kScriptText, w->names().internOrFind("door"));

    struct Case {
        const char *what;
        std::function<void()> arrange;
        const char *text;
    } cases[] = {
        {"look", [&] { w->clicks.hover.look = desk; }, "Desk"},
        {"look before pick",
         [&] {
             w->clicks.hover.pick = lamp;
             w->clicks.hover.look = desk;
         },
         "Desk"},
        {"the current hover before goto",
         [&] {
             w->clicks.hover.goTo = lamp;
             w->hoveredElement = veil;
         },
         "Veil"},
        {"a tooltip switched off gives way to the goto element's own text",
         [&] {
             w->clicks.hover.look = desk;
             desk->tooltipActive.setNumber(0.0f);
             w->clicks.hover.goTo = bar;
         },
         "Hall door"},
        {"an unknown key shows nothing", [&] { w->clicks.hover.use = panel; }, ""},
    };
    for (const Case &c : cases) {
        resetPointerState();
        w->hoveredElement = nullptr;
        desk->tooltipActive.setNumber(1.0f);
        c.arrange();
        EXPECT_EQ(hoverTooltip(*w).text, c.text) << c.what;
    }
    HoInventoryItem item("key", w), unnamed(std::string(5000, 'k').c_str(), w);
    EXPECT_EQ(inventoryTooltipText(*w, &item), "Old key");
    EXPECT_EQ(inventoryTooltipText(*w, &unnamed), "");

    // A new text over an item fades in at 0.04 a step and tells the scripts once.
    resetPointerState();
    CallCounter hovered;
    hovered.bindTo(w->hooks.hoverInventoryItem);
    w->clicks.hoveredItem = &item;
    auto plateAt = [&](float fadeIn, float fadeOut) {
        w->tooltip.fadeInTicks = int32_t(fadeIn);
        w->tooltip.fadeOutTicks = int32_t(fadeOut);
        return colourAtPointer(60, 150); // below the text on the tall plate
    };
    auto over = [](float alpha) { return scaled(kPlate, alpha) + scaled(kRed, 1.0f - alpha); };
    drawnFrame();
    EXPECT_EQ(w->tooltip.text, "Old key");
    EXPECT_EQ(w->tooltip.fadeInTicks, 0);
    EXPECT_TRUE(near(plateAt(10, 0), over(0.4f)));
    EXPECT_TRUE(near(plateAt(40, 0), over(1.0f)));
    EXPECT_EQ(hovered.calls, 1);
    // The text white on the plate.
    const lftest::BackBuffer frame = drawnFrame();
    bool whiteText = false;
    for (float x = 40; x < 120 && !whiteText; x += 1)
        whiteText = near(colourAt(frame, kPointer.x + x, kPointer.y + 32), 0xFFFFFFu, 30);
    EXPECT_TRUE(whiteText);

    // Gone, it fades out over 25 steps.
    w->clicks.hoveredItem = nullptr;
    drawnFrame();
    EXPECT_EQ(w->tooltip.showing, 0);
    EXPECT_EQ(w->tooltip.fadeOutTicks, kTooltipFadeOutSteps);
    EXPECT_TRUE(near(plateAt(40, 10), over(0.4f)));
    EXPECT_TRUE(near(plateAt(40, 0), kRed));
    EXPECT_EQ(hovered.calls, 1);

    // By the screen's right and bottom edges it stays on the screen.
    w->clicks.hoveredItem = &item;
    w->pointerX = 2550;
    w->pointerY = 1530;
    drawnFrame();
    w->tooltip.fadeInTicks = 40;
    const lftest::BackBuffer edge = drawnFrame();
    // Pushed left, the plate's right end (16 - 3 - 8 design units from the text's edge) stays inside the screen.
    int plateEnd = -1;
    for (int y = int(pixelOf(0, 1460).y); y < edge.height; ++y) {
        for (int x = edge.width - 200; x < edge.width; ++x) {
            const uint8_t *p = edge.at(x, y);
            if (near(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2], kPlate))
                plateEnd = std::max(plateEnd, x);
        }
    }
    EXPECT_GE(plateEnd, edge.width - 12);
    EXPECT_LE(plateEnd, edge.width - 3);

    // Carrying an item or an element, the element it would be used on shows its tooltip.
    for (const bool heldItem : {true, false}) {
        resetPointerState();
        w->inventory.selected = heldItem ? &item : nullptr;
        w->heldElement = heldItem ? nullptr : lamp;
        w->clicks.hover.itemUse = desk;
        drawnFrame();
        EXPECT_EQ(w->tooltip.text, "Desk") << (heldItem ? "item" : "element");
    }
    w->inventory.selected = nullptr;
}

} // namespace
} // namespace worldtest
