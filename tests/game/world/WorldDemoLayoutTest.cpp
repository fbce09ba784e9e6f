// The demo in each of the game's four layouts, chosen as a player's desktop chooses them (HD and SD, wide
// and narrow, and SD switched to from HD in the options): every text of its scenes, menus and HUD panels, measured as the game lays it out with the
// fonts of the layout's archive, lies inside its button or box and inside what the screen shows; so does
// every text of the table shown as a HUD message on the message plate, every element's tooltip on its
// plate, and the study's list in its cells.

#include "tests/game/world/WorldTestSupport.h"

#include <ostream>

#include "engine/text/KText.h"
#include "game/resources/HoConfiguration.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/world/Tooltip.h"
#include "platform/WinUser.h"

namespace worldtest {
namespace {

struct Layout {
    const char *name;
    int desktopWidth, desktopHeight;
    bool hdModeListed, hd;
    int screenWidth, screenHeight;
    bool switchedFromHd = false; // started in HD, then "High definition" turned off
};

std::ostream &operator<<(std::ostream &out, const Layout &layout) {
    return out << layout.name;
}

const Layout kLayouts[] = {
    {"HD", 1920, 1080, true, true, 1800, 1080},
    {"HD narrow", 1600, 1200, true, true, 1440, 1080},
    {"SD", 1366, 768, false, false, 1280, 768},
    {"SD narrow", 1024, 768, false, false, 1024, 768},
    {"SD after HD", 1920, 1080, true, false, 1280, 768, true},
};

// Half a design unit of rounding either way.
constexpr float kSlack = 1.0f;

bool empty(const TextExtent &extent) {
    return extent.right <= extent.left;
}

bool inside(const TextExtent &inner, const TextExtent &outer) {
    return inner.left >= outer.left - kSlack && inner.right <= outer.right + kSlack &&
           inner.top >= outer.top - kSlack && inner.bottom <= outer.bottom + kSlack;
}

std::string describe(const TextExtent &e) {
    return "(" + std::to_string(int(e.left)) + "," + std::to_string(int(e.top)) + ")-(" +
           std::to_string(int(e.right)) + "," + std::to_string(int(e.bottom)) + ")";
}

// The element's box as placed, in design units.
TextExtent boxOf(const SceneElement &element) {
    const float w = element.w.asNumber(), h = element.h.asNumber();
    const float left = element.absX.asNumber() - element.pivotX.asNumber() * w;
    const float top = element.absY.asNumber() - element.pivotY.asNumber() * h;
    return {left, top, left + w, top + h};
}

class DemoLayout : public lftest::HeadlessGameTest, public ::testing::WithParamInterface<Layout> {
protected:
    void SetUp() override {
        HeadlessGameTest::SetUp();
        const Layout &layout = GetParam();
        DEVMODEW modes[2]{};
        modes[0].dmPelsWidth = DWORD(layout.desktopWidth), modes[0].dmPelsHeight = DWORD(layout.desktopHeight);
        modes[1].dmPelsWidth = 1920, modes[1].dmPelsHeight = 1080;
        platformSetVirtualDesktop(layout.desktopWidth, layout.desktopHeight, modes, layout.hdModeListed ? 2 : 1);
        ASSERT_TRUE(lftest::copyDemoArchives(archives->folder()));
        const bool startHd = layout.hd || layout.switchedFromHd;
        ASSERT_TRUE(archives->packAndMount(startHd));
        game = lftest::startWindowedGame(startHd);
        ASSERT_NE(game->window, nullptr);
        game->createContext();
        ASSERT_NE(game->context->world, nullptr);
        if (layout.switchedFromHd) {
            // The switch mounts the SD archive and loads the pictures and fonts again from it.
            game->options.set(kOptionHdGraphics, 0.0f);
            ASSERT_TRUE(game->switchQuality(false));
        }
        ASSERT_EQ(int(screenValues.width), layout.screenWidth);
        ASSERT_EQ(int(screenValues.height), layout.screenHeight);
        // What the screen shows of the design: all of its width when wide, its middle when narrow.
        const float shownWidth = screenValues.width / screenValues.artScale;
        const float wideWidth = game->settings.wideWidth;
        shown_ = {(wideWidth - shownWidth) * 0.5f, 0.0f, (wideWidth + shownWidth) * 0.5f,
                  screenValues.height / screenValues.artScale};
    }
    void TearDown() override {
        HeadlessGameTest::TearDown();
        platformSetVirtualDesktop(0, 0);
    }

    HoWorld &world() { return *game->context->world; }

    // The text lies inside its box and what the screen shows.
    void expectFits(const TextExtent &text, const TextExtent &box, const std::string &what) {
        ++checked_;
        EXPECT_TRUE(inside(text, box)) << what << ": text " << describe(text) << " leaves its box " << describe(box);
        EXPECT_TRUE(inside(text, shown_)) << what << ": text " << describe(text) << " leaves the screen "
                                          << describe(shown_);
    }

    TextExtent shown_;
    int checked_ = 0;
};

TEST_P(DemoLayout, EveryElementTextFitsItsBoxOnTheScreen) {
    HoWorld &w = world();
    for (int32_t i = 0; i < w.scenes.count(); ++i) {
        HoScene *scene = w.scenes[i];
        scene->update();
        for (int32_t j = 0; j < scene->allElements.members.count(); ++j) {
            const SceneElement *element = scene->allElements.members[j];
            const TextExtent text = scene->textExtentOf(element);
            if (!empty(text))
                expectFits(text, boxOf(*element), std::string(scene->identifier) + "/" + element->name);
        }
    }
    EXPECT_GE(checked_, 30) << "the menus' buttons and captions and the HUD's texts";
}

TEST_P(DemoLayout, EveryTextShownAsAMessageFitsThePlate) {
    HoWorld &w = world();
    HoScene *hud = w.hudScene;
    ASSERT_NE(hud, nullptr);
    SceneElement *message = hud->findElement("msg_text"), *plate = hud->findElement("msg_back");
    ASSERT_TRUE(message && plate);
    const HoLocalization &table = game->context->localisation;
    for (int32_t i = 0; i < table.count(); ++i) {
        const char *text = table.pair(i)->value;
        w.showMessage(text, 100, false);
        hud->update();
        expectFits(hud->textExtentOf(message), boxOf(*plate), text);
    }
    EXPECT_GT(checked_, 80);
}

TEST_P(DemoLayout, EveryTooltipStandsOnItsPlateOnTheScreen) {
    HoWorld &w = world();
    const ConfigEntry *fontEntry = w.configurationEntry("hud.tooltip.font");
    KText *font = game->context->getFont(fontEntry ? fontEntry->integer : 0);
    ASSERT_NE(font, nullptr);
    for (int32_t i = 0; i < w.scenes.count(); ++i) {
        HoScene *scene = w.scenes[i];
        scene->update();
        for (int32_t j = 0; j < scene->allElements.members.count(); ++j) {
            const SceneElement *element = scene->allElements.members[j];
            const char *text = element->tooltipKey ? game->context->getLocalizedText(element->tooltipKey, font->getEncoding())
                                                   : nullptr;
            if (!text)
                continue;
            // The pointer over the element, or over the screen's edge nearest to it.
            const float x = std::clamp(element->absX.asNumber(), shown_.left, shown_.right);
            const float y = std::clamp(element->absY.asNumber(), shown_.top, shown_.bottom);
            const TooltipPlace place = placeTooltip(w, font, text, x, y);
            expectFits(place.text, place.plate, std::string(scene->identifier) + "/" + element->name + " tooltip");
            EXPECT_TRUE(inside(place.plate, shown_)) << text << ": plate " << describe(place.plate);
        }
    }
    EXPECT_GE(checked_, 6) << "the hall's and the HUD's tooltips";
}

TEST_P(DemoLayout, TheStudyListsEachThingInItsOwnCell) {
    HoWorld &w = world();
    HoScene *study = w.findScene("hall_ho_study");
    ASSERT_NE(study, nullptr);
    w.changeScene(study, nullptr);
    for (int i = 0; i < 300 && (w.activeScene != study || w.change.state != kChangeIdle); ++i)
        w.frame();
    const ConfigEntry *fontEntry = w.configurationEntry("hud.ho.inventory_font");
    KText *font = game->context->getFont(fontEntry ? fontEntry->integer : 0);
    ASSERT_NE(font, nullptr);
    for (int32_t i = 0; i < study->hoItems.count(); ++i) {
        const HiddenObjectItem *item = study->hoItems[i];
        if (item->listPosition < 0)
            continue;
        const std::string key = std::string(study->parent->name) + "_" + item->name;
        const char *text = game->context->getLocalizedText(key.c_str(), font->getEncoding());
        ASSERT_NE(text, nullptr) << key;
        ASSERT_GT(item->cellWidth, 0.0f) << key;
        const TextExtent line = measureOutlinedText(font, text, kOutlinedTextCentred, item->panelX, item->panelY);
        const TextExtent cell{item->panelX - item->cellWidth * 0.5f, item->panelY - item->cellHeight * 0.5f,
                              item->panelX + item->cellWidth * 0.5f, item->panelY + item->cellHeight * 0.5f};
        // Neighbours stand side by side: a name wider than its cell runs into the next one.
        expectFits({line.left, cell.top, line.right, cell.bottom}, cell, key);
    }
    EXPECT_GE(checked_, 8) << "the study's eight things";
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, DemoLayout, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout> &info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

} // namespace
} // namespace worldtest
