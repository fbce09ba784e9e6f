// The demo in each of the game's four layouts, chosen as a player's desktop chooses them (HD and SD, wide
// and narrow, and SD switched to from HD in the options): every text of its scenes, menus and HUD panels, measured as the game lays it out with the
// fonts of the layout's archive, lies inside its button or box and inside what the screen shows; so does
// every text of the table shown as a HUD message on the message plate, every element's tooltip on its
// plate, and the study's list in its cells. Every hidden-object scene draws its listed things as the wide
// layout of its quality draws them: at rest, under the resting pointer and while they disappear. The
// tooltips of the HUD's buttons and of a scene's element are drawn by the resting pointer as the wide
// layout draws them, inside the window and clear of the buttons and of the list's plate.

#include "tests/game/world/WorldTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>

#include "engine/text/KText.h"
#include "game/player/SaveNotice.h"
#include "game/resources/HoConfiguration.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectPicking.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/SceneView.h"
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

bool overlap(const TextExtent &a, const TextExtent &b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
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

// The wide layout of the layout's quality.
const Layout &wideLayoutOf(const Layout &layout) {
    return layout.hd ? kLayouts[0] : kLayouts[2];
}

// The layout on a desktop of its game window's size, which shows the game's pixels one for one.
Layout atItsOwnSize(const Layout &layout) {
    Layout own = layout;
    own.desktopWidth = layout.screenWidth;
    own.desktopHeight = layout.screenHeight;
    return own;
}

// A tooltip as drawn, in pixels of the game area, and the pixel of the pointer it stands by; by case.
struct DrawnTooltip {
    lftest::BackBuffer::Box box;
    ScreenPoint pointer;
};
using DrawnTooltips = std::map<std::string, DrawnTooltip>;

std::string describe(const lftest::BackBuffer::Box &box) {
    return describe(TextExtent{float(box.left), float(box.top), float(box.right), float(box.bottom)});
}

// The colours a layout draws at the sample points of each listed thing of its hidden-object scenes, by scene,
// thing and moment.
using SearchColours = std::map<std::string, std::vector<uint32_t>>;

std::string hex(uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", unsigned(colour));
    return text;
}

// Whether two colours differ by at most the tolerance in every channel.
bool near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

// A pixel and its neighbours: a layout whose view is shifted by part of a pixel draws an edge next door.
constexpr std::pair<int, int> kAround[] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
constexpr size_t kAroundCount = std::size(kAround);

// Whether the point's own colour in the one picture is near one of its neighbourhood's in the other.
bool drawnAlike(const std::vector<uint32_t> &one, const std::vector<uint32_t> &other, size_t point, int tolerance) {
    for (size_t k = 0; k < kAroundCount; ++k) {
        if (near(one[point * kAroundCount], other[point * kAroundCount + k], tolerance))
            return true;
    }
    return false;
}

// The pixels in which one frame differs from the other.
lftest::BackBuffer::Box changedBox(const lftest::BackBuffer &with, const lftest::BackBuffer &without) {
    lftest::BackBuffer::Box box{with.width, with.height, -1, -1};
    for (int y = 0; y < with.height; ++y) {
        for (int x = 0; x < with.width; ++x) {
            if (std::memcmp(with.at(x, y), without.at(x, y), 3) != 0)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
        }
    }
    return box;
}

// A grid of points over the middle of the element's rectangle, in design units.
std::vector<ScreenPoint> samplePoints(const SceneElement &element) {
    const QuadCorners quad = rotatedQuadCorners(element);
    float left = quad[0].x, right = quad[0].x, top = quad[0].y, bottom = quad[0].y;
    for (const ScreenPoint &corner : quad) {
        left = std::min(left, corner.x), right = std::max(right, corner.x);
        top = std::min(top, corner.y), bottom = std::max(bottom, corner.y);
    }
    constexpr int kAcross = 5;
    std::vector<ScreenPoint> points;
    for (int row = 0; row < kAcross; ++row) {
        for (int column = 0; column < kAcross; ++column)
            points.push_back({left + (right - left) * (0.2f + 0.15f * float(column)),
                              top + (bottom - top) * (0.2f + 0.15f * float(row))});
    }
    return points;
}

class DemoLayout : public lftest::HeadlessGameTest, public ::testing::WithParamInterface<Layout> {
protected:
    void SetUp() override {
        HeadlessGameTest::SetUp();
        ASSERT_TRUE(lftest::copyDemoArchives(archives->folder()));
        const Layout &layout = GetParam();
        ASSERT_TRUE(archives->packAndMount(layout.hd || layout.switchedFromHd));
        startIn(layout);
    }
    void TearDown() override {
        pointerSynthesisActive = false;
        HeadlessGameTest::TearDown();
        platformSetVirtualDesktop(0, 0);
    }

    // The game on a desktop that gets the layout, its world started; the archives of its quality are mounted.
    void startIn(const Layout &layout) {
        game.reset();
        DEVMODEW modes[2]{};
        modes[0].dmPelsWidth = DWORD(layout.desktopWidth), modes[0].dmPelsHeight = DWORD(layout.desktopHeight);
        modes[1].dmPelsWidth = 1920, modes[1].dmPelsHeight = 1080;
        platformSetVirtualDesktop(layout.desktopWidth, layout.desktopHeight, modes, layout.hdModeListed ? 2 : 1);
        game = lftest::startWindowedGame(layout.hd || layout.switchedFromHd);
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

    HoWorld &world() { return *game->context->world; }

    void frames(int count) {
        for (int i = 0; i < count; ++i)
            world().frame();
    }
    // Into the scene, until it shows fully.
    void enter(HoScene *scene) {
        HoWorld &w = world();
        w.changeScene(scene, nullptr);
        for (int i = 0; i < 300 && (w.activeScene != scene || w.change.state != kChangeIdle); ++i)
            w.frame();
        ASSERT_EQ(w.activeScene, scene) << scene->identifier;
    }
    // The pointer at the design point of the scene (the active one by default), as the mouse over the pixel
    // that shows it.
    void pointAt(ScreenPoint design, const HoScene *scene = nullptr) {
        const HoScene &shown = scene ? *scene : *world().activeScene;
        const ScreenPoint pixel = ViewMapping(game.get(), computeSceneView(shown)).toScreen(design);
        pointerSynthesisActive = true;
        synthesizedPointerX = int32_t(std::lround(pixel.x));
        synthesizedPointerY = int32_t(std::lround(pixel.y));
    }
    // One step with a click where the pointer is.
    void click() {
        HoInputLatches &input = game->context->input;
        input.buttonDown[kPrimaryButton] = input.buttonPressed[kPrimaryButton] = 1;
        world().frame();
        input.buttonDown[kPrimaryButton] = 0;
    }
    // The world's picture now.
    lftest::BackBuffer drawnFrame() {
        drawFrame();
        return lftest::readBackBuffer(game->window);
    }
    void drawFrame() {
        game->window->flipBackBuffer(false);
        game->window->setViewTransform(0.0f, 0.0f, 0.0f, 1.0f, true);
        world().draw();
    }
    // The world's picture now at the active scene's design points: for each, the colours of the pixel that
    // shows it and of its eight neighbours, that one first.
    std::vector<uint32_t> drawnAt(const std::vector<ScreenPoint> &points) {
        const lftest::BackBuffer frame = drawnFrame();
        const ViewMapping mapping(game.get(), computeSceneView(*world().activeScene));
        std::vector<uint32_t> colours;
        for (const ScreenPoint &point : points) {
            const ScreenPoint pixel = mapping.toScreen(point);
            for (const auto &[dx, dy] : kAround) {
                const int x = int(pixel.x) + dx, y = int(pixel.y) + dy;
                const bool inside = x >= 0 && y >= 0 && x < frame.width && y < frame.height;
                const uint8_t *p = inside ? frame.at(x, y) : nullptr;
                colours.push_back(p ? uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2] : 0xFFFFFFFFu);
            }
        }
        return colours;
    }

    // Where the element is drawn: the pixels that change when it is hidden.
    lftest::BackBuffer::Box drawnBoxOf(SceneElement &element) {
        const lftest::BackBuffer with = drawnFrame();
        element.visible = 0;
        const lftest::BackBuffer without = drawnFrame();
        element.visible = 1;
        return changedBox(with, without);
    }

    // Plays into every hidden-object scene and finds each listed thing in turn: what is drawn at its sample
    // points at rest (the pointer resting on nothing), under the resting pointer, and a few steps after
    // its click while it disappears. At rest each thing must show: its points differ from the picture
    // without it.
    SearchColours playTheSearches() {
        constexpr int kRest = 30, kAfterClick = 5, kTolerance = 24;
        SearchColours colours;
        HoWorld &w = world();
        for (int32_t i = 0; i < w.scenes.count(); ++i) {
            HoScene *scene = w.scenes[i];
            if (!scene->isHo)
                continue;
            enter(scene);
            pointAt({1280.0f, 120.0f});
            frames(kRest);
            std::vector<SceneElement *> listed;
            for (int32_t j = 0; j < scene->allElements.members.count(); ++j) {
                SceneElement *element = scene->allElements.members[j];
                if (element->pickInfo && element->pickInfo->item && element->visible)
                    listed.push_back(element);
            }
            EXPECT_FALSE(listed.empty()) << scene->identifier;
            for (SceneElement *element : listed) {
                const std::string key = std::string(scene->identifier) + "/" + element->name;
                const std::vector<ScreenPoint> points = samplePoints(*element);
                colours[key + " at rest"] = drawnAt(points);
                element->visible = 0;
                const std::vector<uint32_t> without = drawnAt(points);
                element->visible = 1;
                bool shows = false;
                for (size_t p = 0; p < points.size(); ++p)
                    shows = shows || !near(colours[key + " at rest"][p * kAroundCount], without[p * kAroundCount], kTolerance);
                EXPECT_TRUE(shows) << key << " is not drawn at rest";
            }
            for (SceneElement *element : listed) {
                const std::string key = std::string(scene->identifier) + "/" + element->name;
                const std::vector<ScreenPoint> points = samplePoints(*element);
                pointAt(points[points.size() / 2]);
                frames(kRest);
                colours[key + " under the pointer"] = drawnAt(points);
                click();
                frames(kAfterClick);
                colours[key + " disappearing"] = drawnAt(points);
                if (w.heldElement)
                    w.heldElement->releaseHeld();
                const ElementPickInfo *shown = displayOf(element)->pickInfo;
                for (int step = 0; step < 600 && shown && shown->disappearing; ++step)
                    w.frame();
                pointAt({1280.0f, 120.0f});
            }
        }
        return colours;
    }

    // The tooltip drawn for the pointer resting on the middle of the element of the scene, until it shows
    // fully: the pixels in which the frame differs from the same frame with the tooltip faded out. Checks
    // that it lies inside the window and clear of the HUD's buttons and of the search's list plate.
    DrawnTooltip tooltipOver(const HoScene &scene, const SceneElement &element, const std::string &key) {
        HoWorld &w = world();
        const TextExtent box = boxOf(element);
        pointAt({(box.left + box.right) * 0.5f, (box.top + box.bottom) * 0.5f}, &scene);
        // The tooltip takes its text as it is drawn, and fades in over 25 steps of the world.
        for (int i = 0; i < 40; ++i) {
            w.frame();
            drawFrame();
        }
        EXPECT_TRUE(w.tooltip.showing && w.tooltip.fadeInTicks >= 25) << key << ": no tooltip under the pointer";
        const lftest::BackBuffer with = drawnFrame();
        const int32_t fadeIn = w.tooltip.fadeInTicks;
        w.tooltip.fadeInTicks = 0;
        const lftest::BackBuffer without = drawnFrame();
        w.tooltip.fadeInTicks = fadeIn;
        DrawnTooltip drawn{changedBox(with, without), {float(synthesizedPointerX), float(synthesizedPointerY)}};
        const std::string where = key + ": tooltip drawn at " + describe(drawn.box);
        EXPECT_FALSE(drawn.box.empty()) << key << ": no tooltip drawn";
        // A tooltip cut by the window's edge reaches its last pixels.
        EXPECT_TRUE(drawn.box.left > 0 && drawn.box.top > 0 && drawn.box.right < with.width - 1 &&
                    drawn.box.bottom < with.height - 1)
            << where << " leaves the window " << with.width << " x " << with.height;
        const ViewMapping hud(game.get(), computeSceneView(*w.hudScene));
        for (int32_t i = 0; i < w.hudScene->allElements.members.count(); ++i) {
            const SceneElement *other = w.hudScene->allElements.members[i];
            const bool listPlate = std::strcmp(other->name, "_ho_hud_list_plate") == 0;
            if (!other->visible || !(other->tooltipKey || listPlate))
                continue;
            const PixelRect covered = hud.boundsOf(rotatedQuadCorners(*other));
            const bool apart = covered.empty() || float(drawn.box.right) < covered.x1 ||
                               float(drawn.box.left) >= covered.x2 || float(drawn.box.bottom) < covered.y1 ||
                               float(drawn.box.top) >= covered.y2;
            EXPECT_TRUE(apart) << where << " covers " << other->name << " (" << int(covered.x1) << ","
                               << int(covered.y1) << ")-(" << int(covered.x2) << "," << int(covered.y2) << ")";
        }
        return drawn;
    }

    // The tooltips of the hall's portrait and of every HUD button in the study, where the list's plate shows.
    DrawnTooltips restOnTheTooltips() {
        HoWorld &w = world();
        DrawnTooltips drawn;
        HoScene *hall = w.findScene("hall"), *study = w.findScene("hall_ho_study");
        EXPECT_TRUE(hall && study);
        if (!hall || !study)
            return drawn;
        enter(hall);
        if (const SceneElement *portrait = hall->findElement("iz_portrait"))
            drawn["hall/portrait"] = tooltipOver(*hall, *portrait, "hall/portrait");
        enter(study);
        const SceneElement *plate = w.hudScene->findElement("_ho_hud_list_plate");
        EXPECT_TRUE(plate && plate->visible) << "the study's list plate";
        for (int32_t i = 0; i < w.hudScene->allElements.members.count(); ++i) {
            const SceneElement *button = w.hudScene->allElements.members[i];
            if (button->visible && button->tooltipKey) {
                const std::string key = std::string("study/") + button->name;
                drawn[key] = tooltipOver(*w.hudScene, *button, key);
            }
        }
        return drawn;
    }

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
            // The pointer over the element, or over the screen's edge nearest to it. The tooltip is placed
            // where the pointer is drawn, through the reset view, and taken back into the scene's units.
            const ScreenPoint over{std::clamp(element->absX.asNumber(), shown_.left, shown_.right),
                                   std::clamp(element->absY.asNumber(), shown_.top, shown_.bottom)};
            ScreenPoint drawn = over;
            ViewMapping(game.get(), SceneView{})
                .toDesign(ViewMapping(game.get(), computeSceneView(*scene)).toScreen(over), drawn);
            const TooltipPlace placed = placeTooltip(w, font, text, drawn.x, drawn.y);
            const auto inScene = [&](const TextExtent &e) {
                const float dx = over.x - drawn.x, dy = over.y - drawn.y;
                return TextExtent{e.left + dx, e.top + dy, e.right + dx, e.bottom + dy};
            };
            const TooltipPlace place{inScene(placed.plate), inScene(placed.text)};
            expectFits(place.text, place.plate, std::string(scene->identifier) + "/" + element->name + " tooltip");
            EXPECT_TRUE(inside(place.plate, shown_)) << text << ": plate " << describe(place.plate);
            // A HUD button's tooltip does not cover the other buttons of the row.
            for (int32_t k = 0; scene == w.hudScene && k < scene->allElements.members.count(); ++k) {
                const SceneElement *other = scene->allElements.members[k];
                if (other == element || !other->tooltipKey)
                    continue;
                EXPECT_FALSE(overlap(place.plate, boxOf(*other)))
                    << text << ": plate " << describe(place.plate) << " covers " << other->name;
            }
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

// Every thing of the study but the last found (so that the list does not turn into the riddle), its strike
// drawn to its end: the strike's ink lies on its word, across it through the middle of its line.
TEST_P(DemoLayout, EachStrikeSpansItsWordThroughTheMiddle) {
    // Red above green: the parchment's 14, the names' ink 20, the strike's ink over either above 35.
    constexpr int kRedderThanInk = 32;
    constexpr float kBeside = 30.0f;
    startIn(atItsOwnSize(GetParam()));
    HoWorld &w = world();
    HoScene *study = w.findScene("hall_ho_study");
    ASSERT_NE(study, nullptr);
    enter(study);
    std::vector<HiddenObjectItem *> struck;
    for (int32_t i = 0; i + 1 < study->hoItems.count(); ++i) {
        HiddenObjectItem *item = study->hoItems[i];
        if (item->interactive)
            continue;
        for (int32_t j = 0; j < item->elements.count(); ++j)
            setHoElementFound(item->elements[j]);
        struck.push_back(item);
    }
    ASSERT_GE(struck.size(), 5u);
    // A strike ends as the list is drawn; then the sparks at its end die away.
    const auto allFinished = [&] {
        return std::all_of(struck.begin(), struck.end(),
                           [](const HiddenObjectItem *item) { return item->finishedCount == item->elements.count(); });
    };
    for (int i = 0; i < 1000 && !allFinished(); ++i) {
        w.frame();
        drawnFrame();
    }
    ASSERT_TRUE(allFinished());
    frames(200);
    const lftest::BackBuffer frame = drawnFrame();
    const ViewMapping hud(game.get(), computeSceneView(*w.hudScene));
    const ConfigEntry *fontEntry = w.configurationEntry("hud.ho.inventory_font");
    KText *font = game->context->getFont(fontEntry ? fontEntry->integer : 0);
    ASSERT_NE(font, nullptr);
    for (const HiddenObjectItem *item : struck) {
        const std::string key = std::string(study->parent->name) + "_" + item->name;
        const TextExtent word = measureOutlinedText(font, game->context->getLocalizedText(key.c_str(), font->getEncoding()),
                                                    kOutlinedTextCentred, float(roundToInt(item->panelX)), item->panelY - 10.0f);
        // The strike's reddish ink over the parchment, searched for as high as the word's line and a little
        // wider than the word.
        const ScreenPoint from = hud.toScreen({word.left - kBeside, word.top});
        const ScreenPoint to = hud.toScreen({word.right + kBeside, word.bottom});
        TextExtent ink{1e9f, 1e9f, -1e9f, -1e9f};
        for (int y = std::max(0, int(from.y)); y < std::min(frame.height, int(to.y)); ++y) {
            for (int x = std::max(0, int(from.x)); x < std::min(frame.width, int(to.x)); ++x) {
                const uint8_t *p = frame.at(x, y);
                if (int(p[0]) - int(p[1]) < kRedderThanInk)
                    continue;
                ScreenPoint design{};
                ASSERT_TRUE(hud.toDesign({float(x) + 0.5f, float(y) + 0.5f}, design));
                ink = {std::min(ink.left, design.x), std::min(ink.top, design.y), std::max(ink.right, design.x),
                       std::max(ink.bottom, design.y)};
            }
        }
        ASSERT_FALSE(empty(ink)) << key << ": no strike drawn";
        const float slack = 2.0f / screenValues.artScale, middle = (ink.top + ink.bottom) * 0.5f;
        const float lineHeight = word.bottom - word.top;
        EXPECT_GE(ink.left, word.left - slack) << key << ": strike " << describe(ink) << ", word " << describe(word);
        EXPECT_LE(ink.right, word.right + slack) << key << ": strike " << describe(ink) << ", word " << describe(word);
        EXPECT_GE(ink.right, word.right - 4.0f * slack) << key << ": strike " << describe(ink) << ", word " << describe(word);
        EXPECT_NEAR(middle, word.top + lineHeight * 0.5f, lineHeight * 0.15f)
            << key << ": strike " << describe(ink) << ", word " << describe(word);
    }
}

TEST_P(DemoLayout, TheSearchedThingsAreDrawnAsInTheWideLayout) {
    constexpr int kTolerance = 24;
    startIn(atItsOwnSize(GetParam()));
    const SearchColours drawn = playTheSearches();
    const Layout &wide = wideLayoutOf(GetParam());
    if (&wide == &GetParam() || GetParam().switchedFromHd)
        return;
    startIn(atItsOwnSize(wide));
    const SearchColours expected = playTheSearches();
    EXPECT_GE(expected.size(), 24u) << "the study's nine things, three moments each";
    for (const auto &[key, colours] : expected) {
        const auto found = drawn.find(key);
        ASSERT_NE(found, drawn.end()) << key;
        ASSERT_EQ(found->second.size(), colours.size()) << key;
        const size_t points = colours.size() / kAroundCount;
        int differing = 0;
        std::string first;
        for (size_t p = 0; p < points; ++p) {
            if (drawnAlike(found->second, colours, p, kTolerance))
                continue;
            if (differing++ == 0)
                first = " (point " + std::to_string(p) + ": " + hex(found->second[p * kAroundCount]) + ", wide " +
                        hex(colours[p * kAroundCount]) + ")";
        }
        EXPECT_EQ(differing, 0) << key << ": " << differing << " of " << points << " points differ" << first;
    }
}

// Each tooltip stands by the pointer as in the wide layout of the layout's quality, which shows the pixels
// at the same scale: at the same place beside the pointer, or moved left just as far as the window's right
// edge asks.
TEST_P(DemoLayout, EachTooltipStandsByThePointerAsInTheWideLayout) {
    constexpr int kSlack = 2;
    startIn(atItsOwnSize(GetParam()));
    const DrawnTooltips drawn = restOnTheTooltips();
    const int width = int(screenValues.width);
    // The room the tooltip keeps from the right edge, in pixels, with a pixel of rounding either way.
    const int rightRoom = int(std::ceil(16.0f * screenValues.artScale)) + kSlack;
    startIn(atItsOwnSize(wideLayoutOf(GetParam())));
    const DrawnTooltips wide = restOnTheTooltips();
    EXPECT_GE(wide.size(), 4u) << "the portrait's tooltip and the HUD's buttons'";
    for (const auto &[key, expected] : wide) {
        const auto found = drawn.find(key);
        ASSERT_NE(found, drawn.end()) << key;
        const DrawnTooltip &tooltip = found->second;
        // The wide layout's place, taken to this layout's pointer.
        const int dx = int(std::lround(tooltip.pointer.x - expected.pointer.x));
        const int dy = int(std::lround(tooltip.pointer.y - expected.pointer.y));
        const lftest::BackBuffer::Box beside{expected.box.left + dx, expected.box.top + dy, expected.box.right + dx,
                                             expected.box.bottom + dy};
        const std::string where = key + ": tooltip drawn at " + describe(tooltip.box) + " for the pointer at (" +
                                  std::to_string(int(tooltip.pointer.x)) + "," + std::to_string(int(tooltip.pointer.y)) +
                                  "), the wide layout's place " + describe(beside);
        EXPECT_NEAR(tooltip.box.top, beside.top, kSlack) << where;
        EXPECT_NEAR(tooltip.box.width(), beside.width(), kSlack) << where;
        EXPECT_LE(tooltip.box.left, beside.left + kSlack) << where;
        const bool asWide = std::abs(tooltip.box.left - beside.left) <= kSlack;
        const bool atTheRightEdge = tooltip.box.right >= width - 1 - rightRoom;
        EXPECT_TRUE(asWide || atTheRightEdge) << where << ", moved left away from the window's right edge " << width;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, DemoLayout, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout> &info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

// The profiles' status lines and its warning of loss between the Options and Extras buttons and Quit, read back
// by pixel. A message of one line stands where the first line always stood (its box's middle); one that wraps
// keeps 8 pixels from the buttons above it; the second line under it keeps clear of the first and 8 pixels from
// Quit, also with the longest name the name field takes.
TEST_P(DemoLayout, TheProfilesStatusLinesKeepClearOfTheButtons) {
    HoWorld &w = world();
    HoScene *profiles = w.findScene("profiles");
    ASSERT_NE(profiles, nullptr);
    enter(profiles);
    SceneElement *status = profiles->findElement("status"), *why = profiles->findElement("status_why");
    SceneElement *options = profiles->findElement("button_options"), *extras = profiles->findElement("button_extras");
    SceneElement *quit = profiles->findElement("button_quit");
    ASSERT_TRUE(status && why && options && extras && quit);
    const int buttonsBottom = std::max(drawnBoxOf(*options).bottom, drawnBoxOf(*extras).bottom);
    const int quitTop = drawnBoxOf(*quit).top;
    auto shownText = [&](SceneElement *element, const std::string &text) {
        element->text.setPointer(kScriptText, w.names().internOrFind(text.c_str()));
        profiles->update();
        return drawnBoxOf(*element);
    };
    auto shown = [&](SceneElement *element, const char *key) {
        return shownText(element, game->context->getLocalizedText(key, 1));
    };
    constexpr const char *kOneLine = "PROFILE_MADE", *kTwoLines = "PROFILES_RECOVERED_MISSING";
    const lftest::BackBuffer::Box alone = shown(status, kOneLine);
    // The design's height fills the window's in every layout.
    const float middle = 1240.0f * float(drawnFrame().height) / 1536.0f;
    EXPECT_NEAR((alone.top + alone.bottom) * 0.5f, middle, 2.0f) << "one line at " << describe(alone);
    const lftest::BackBuffer::Box wrapped = shown(status, kTwoLines);
    EXPECT_GT(wrapped.height(), alone.height() * 3 / 2) << "two lines at " << describe(wrapped);
    EXPECT_GE(wrapped.top - buttonsBottom, 8) << "two lines at " << describe(wrapped) << " under buttons ending at "
                                               << buttonsBottom;
    // Two lines under two lines would not fit above Quit: the second line's texts are short.
    for (const auto &[first, second] : {std::pair{kTwoLines, kOneLine}, std::pair{kOneLine, kTwoLines}}) {
        const lftest::BackBuffer::Box above = shown(status, first), under = shown(why, second);
        EXPECT_GT(under.top, above.bottom) << second << " at " << describe(under) << " under " << describe(above);
        EXPECT_GE(quitTop - under.bottom, 8) << second << " at " << describe(under) << " over Quit from " << quitTop;
    }
    // Every line the screen shows, the longest of each kind, told of the widest name the field takes: twelve of
    // the widest letter or digit. The status lines: a first line of two lines at most with a reason under it.
    // The warning of loss, in lines of its own in a smaller font: a first line of three lines at most, with
    // how to keep the game under it. Each inside the window, clear of the buttons, of the line over it and
    // of Quit.
    SceneElement *warning = profiles->findElement("warning"), *warningWhy = profiles->findElement("warning_why");
    ASSERT_TRUE(warning && warningWhy);
    KText *font = game->context->getFont(status->fontIndex);
    ASSERT_NE(font, nullptr);
    auto width = [&](const std::string &line) { return font->getStringWidth(line.c_str(), 0.0f, 1.0f, 1); };
    char widest = '0';
    for (const char *range : {"09", "AZ", "az"}) {
        for (char c = range[0]; c <= range[1]; ++c)
            widest = width(std::string(1, c)) > width(std::string(1, widest)) ? c : widest;
    }
    const std::string name(12, widest);
    auto text = [&](const char *key) {
        const char *localized = game->context->getLocalizedText(key, 1);
        EXPECT_TRUE(localized && *localized) << key;
        return filledIn(localized ? localized : "", name);
    };
    auto longest = [&](std::initializer_list<const char *> keys, const std::string &before = "") {
        std::string line;
        for (const char *key : keys)
            line = width(before + text(key)) > width(line) ? before + text(key) : line;
        return line;
    };
    const std::string reason = longest({"NOT_SAVED_NO_ROOM", "NOT_SAVED_NO_PERMISSION", "NOT_SAVED_REFUSED",
                                        "NOT_SAVED_NOT_FINISHED"});
    struct Lines {
        SceneElement *first, *second;
        int mostLines;
        std::vector<std::string> firsts, seconds;
    };
    const Lines screens[] = {
        {status, why, 2,
         {longest({"PROFILE_MADE", "PROFILE_SELECTED", "PROFILE_RESET", "PROFILE_DELETED", "PROFILE_FULL",
                   "PROFILE_EMPTY", "PROFILE_TAKEN", "PROFILE_NEEDED", "PROFILE_UNREADABLE", "PROFILES_RECOVERED",
                   "PROFILES_RECOVERED_MISSING", "SAVE_FAILED", "SAVE_FAILED_NO_ROOM", "SAVE_FAILED_NO_PERMISSION",
                   "SAVE_FAILED_NOT_FINISHED"}),
          longest({"PROFILE_WAITING", "PROFILE_WRITTEN", "PROFILE_MADE_NOT_KEPT", "PROFILE_SELECT_NOT_KEPT",
                   "PROFILE_RESET_NOT_KEPT", "PROFILE_DELETE_NOT_KEPT", "SAVED_GAME_STILL_READ", "SAVE_FAILED_OF_NO_ROOM",
                   "SAVE_FAILED_OF_NO_PERMISSION", "SAVE_FAILED_OF", "SAVE_FAILED_OF_NOT_FINISHED", "SAVE_WAITING_GAME",
                   "SAVE_WRITTEN_GAME", "REMOVE_FAILED_OF_NO_ROOM", "REMOVE_FAILED_OF_NO_PERMISSION", "REMOVE_FAILED_OF",
                   "REMOVE_FAILED_OF_NOT_FINISHED"},
                  name)},
         {reason}},
        {warning, warningWhy, 3,
         {text("UNSAVED_GAME_KEPT") + " " + reason + " " +
              longest({"UNSAVED_GAME_LOSES", "UNSAVED_GAME_LOSES_WHOLE", "UNSAVED_GAME_LOSES_HERE"}),
          text("UNSAVED_GAME_LOST") + " " + reason, text("UNSAVED_GAME_WAITS")},
         {longest({"UNSAVED_GAME_KEEP", "UNSAVED_GAME_KEEP_HERE"})}},
    };
    const int screenWidth = drawnFrame().width;
    auto inTheWindow = [&](const lftest::BackBuffer::Box &box) { return box.left > 0 && box.right < screenWidth - 1; };
    for (const Lines &lines : screens) {
        const int oneLine = shown(lines.first, kOneLine).height();
        lftest::BackBuffer::Box tallest{};
        for (const std::string &line : lines.firsts) {
            const lftest::BackBuffer::Box above = shownText(lines.first, line);
            EXPECT_LT(above.height(), oneLine * (2 * lines.mostLines + 1) / 2) << line << " at " << describe(above);
            EXPECT_GE(above.top - buttonsBottom, 8) << line << " at " << describe(above);
            EXPECT_TRUE(inTheWindow(above)) << line << " at " << describe(above);
            tallest = above.height() > tallest.height() ? above : tallest;
        }
        for (const std::string &line : lines.seconds) {
            const lftest::BackBuffer::Box under = shownText(lines.second, line);
            EXPECT_LT(under.height(), oneLine * 3 / 2) << line << " at " << describe(under);
            EXPECT_GT(under.top, tallest.bottom) << line << " at " << describe(under) << " under " << describe(tallest);
            EXPECT_GE(quitTop - under.bottom, 8) << line << " at " << describe(under) << " over Quit from " << quitTop;
            EXPECT_TRUE(inTheWindow(under)) << line << " at " << describe(under);
        }
    }
}

} // namespace
} // namespace worldtest
