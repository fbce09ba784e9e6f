// The bubble shooter's scene: its settings, the set-up of the field, the aim, the gun's two bubbles and
// the clearing. The rules of play are in HoSceneBubbleShooterPlay.cpp.

#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"

#include <cmath>
#include <utility>

#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/minigames/bubbleshooter/HoRenderBubbleShuter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kLowestAim = 100.0f;
constexpr float kHighestAim = 260.0f;
// Bounds the rand draws of a kind, which the content could make unending; past it the first acceptable
// kind after the last draw is taken.
constexpr int32_t kDrawAttempts = 1000;

} // namespace

int32_t HoSceneBubbleShooter::burstPacing = 0;

HoSceneBubbleShooter::HoSceneBubbleShooter(HoWorld *owner) : HoScene(owner) {
    init();
}

HoSceneBubbleShooter::~HoSceneBubbleShooter() {
    delete linePicture;
    fieldBubbles.deleteAll();
    slots.deleteAll();
    bursting.deleteAll();
    falling.deleteAll();
    delete flyingBubble;
}

void HoSceneBubbleShooter::init() {
    linePicture = createKGraphic();
    gunshotDisableName_ = world->names().internOrFind("gunshot_disable");
    bombName_ = world->names().internOrFind("bomb");
    bulletSpeed.bindWithDefault(&script, "#_bullet_speed");
    dropSpeed.bindWithDefault(&script, "#_drop_speed");
    destroyingTime.bindWithDefault(&script, "#_destroying_time");
    stickyCeiling.bindWithDefault(&script, "#_sticky_ceiling");
    newBubblesAfter.bindWithDefault(&script, "#_new_bubbles_after");
    table.bind(&script, "#_table");
    destroyingElement.bind(&script, "#_destroying_element");
}

void HoSceneBubbleShooter::update() {
    HoScene::update();
    if (!setUp) {
        trySetUp();
        return;
    }
    aim();
    if (world->context && world->context->input.buttonPressed[kSecondaryButton])
        swap();
    fly();
    stepFalling();
    stepBursting();
    if (flyingBubble)
        flyingBubble->update();
    if (world->clicks.clicked)
        fire();
    updateNodes();
}

void HoSceneBubbleShooter::updateNodes() {
    for (const PtrArray<FieldBubble> *list : {&fieldBubbles, &bursting, &falling}) {
        for (int32_t i = 0; i < list->count(); ++i)
            list->get(i)->update();
    }
}

HoSceneBubbleShooter::BoardRect HoSceneBubbleShooter::boardRectOf(const SceneElement &board) {
    BoardRect rect;
    rect.width = board.sx.asNumber() * board.baseWidth;
    rect.height = board.sy.asNumber() * board.baseHeight;
    rect.left = board.x.asNumber() - rect.width * 0.5f;
    rect.top = board.y.asNumber() - rect.height * 0.5f;
    return rect;
}

bool HoSceneBubbleShooter::boardEdges(float &left, float &top, float &right, float &bottom) const {
    const SceneElement *board = table.element();
    if (!board)
        return false;
    const BoardRect rect = boardRectOf(*board);
    left = rect.left;
    top = rect.top;
    right = rect.left + rect.width;
    bottom = rect.top + rect.height;
    return true;
}

float HoSceneBubbleShooter::visibleDesignWidth() const {
    return screenValues.width / screenValues.artScale;
}

// --- Set-up ---

bool HoSceneBubbleShooter::trySetUp() {
    render.install(this, &HoRenderBubbleShuter::make);
    if (!gun)
        gun = findElement("gun");
    if (!currentPlace || !nextPlace) {
        currentPlace = findElement("place_00");
        nextPlace = findElement("place_01");
    }
    const ScriptVariable *bubbles = findVariable(&script, "$bubble");
    templates = readTemplateArrays(bubbles ? bubbles->value : nullptr).kinds;
    SceneElement *board = table.element();
    if (!render.element() || !gun || !currentPlace || !nextPlace || !board || templateCount(templates) < 1)
        return false;
    if (countGunKinds(-1) == 0 || !measureField(board))
        return false;
    buildSlots();
    fillFirstRows();
    currentKind = drawGunKind(-1);
    nextKind = drawGunKind(-1);
    showKinds();
    setUp = true;
    return true;
}

bool HoSceneBubbleShooter::measureField(SceneElement *board) {
    const auto [left, top, width, height] = boardRectOf(*board);
    const SceneElement *first = templateAt(templates, 0);
    const float cell = first ? first->sx.asNumber() * first->baseWidth : 0.0f;
    if (!(cell > 0.0f) || !std::isfinite(left + top + width + height))
        return false;
    const float half = cell * 0.5f;
    const float step = squareRoot(cell * cell - half * half);
    const int32_t columns = truncToInt(width / cell);
    const int32_t lines = truncToInt(height / step);
    if (columns < 1 || lines < 1 || columns > kMaxGridSide || lines > kMaxGridSide) {
        if (!sizeRefusalLogged_)
            logMessage("Game: the bubble shooter of scene %s waits: its board makes a field of %d x %d cells "
                       "(1 to %d each), WARNING",
                       identifier, int(columns), int(lines), int(kMaxGridSide));
        sizeRefusalLogged_ = true;
        return false;
    }
    fieldCorners[0] = {left, top};
    fieldCorners[1] = {left + width, top};
    fieldCorners[2] = {left + width, top + height};
    fieldCorners[3] = {left, top + height};
    cellWidth = cell;
    radius = half;
    rowHeight = step;
    cols = columns;
    rows = lines;
    return true;
}

float HoSceneBubbleShooter::cellX(int32_t row, int32_t col) const {
    const float left = fieldCorners[0].x;
    return isOffsetRow(row) ? float(col + 1) * cellWidth + left : float(col) * cellWidth + left + radius;
}

void HoSceneBubbleShooter::buildSlots() {
    slots.deleteAll();
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t col = 0; col < cols; ++col) {
            auto *cell = new FieldSlot;
            cell->x = cellX(row, col);
            cell->y = float(row) * rowHeight + fieldCorners[0].y + radius;
            cell->row = row;
            cell->col = col;
            cell->overflow = isOffsetRow(row) && col + 1 == cols ? 1 : 0;
            slots.append(cell);
        }
    }
}

// A board of fewer rows is filled as far as it goes.
void HoSceneBubbleShooter::fillFirstRows() {
    for (int32_t row = 0; row < rows && row < kFilledRows; ++row) {
        for (int32_t col = 0; col < cols; ++col) {
            FieldSlot *cell = slotAt(row, col);
            if (cell->overflow)
                continue;
            placeInField(newBubble(drawFieldKind()), cell);
        }
    }
}

FieldBubble *HoSceneBubbleShooter::newBubble(int32_t kind) {
    return new FieldBubble(this, templateAt(templates, kind), kind);
}

float HoSceneBubbleShooter::templateNumber(int32_t kind, const char *internedName) const {
    SceneElement *element = templateAt(templates, kind);
    if (!element)
        return 0.0f;
    NamedValue *named = findOrCreateNamedValue(element->namedValues, internedName, world->namedValuePool(), false);
    return named ? named->value.asNumber() : 0.0f;
}

bool HoSceneBubbleShooter::isGunKind(int32_t kind) const {
    return templateAt(templates, kind) && templateNumber(kind, gunshotDisableName_) == 0.0f;
}

int32_t HoSceneBubbleShooter::countGunKinds(int32_t except) const {
    int32_t count = 0;
    for (int32_t kind = 0; kind < templateCount(templates); ++kind)
        count += kind != except && isGunKind(kind) ? 1 : 0;
    return count;
}

int32_t HoSceneBubbleShooter::drawGunKind(int32_t avoid) {
    if (countGunKinds(avoid) == 0)
        return isGunKind(avoid) ? avoid : -1;
    const int32_t count = templateCount(templates);
    auto acceptable = [&](int32_t kind) { return kind != avoid && isGunKind(kind); };
    int32_t kind = 0;
    for (int32_t attempt = 0; attempt < kDrawAttempts; ++attempt) {
        kind = crtRand() % count;
        if (acceptable(kind))
            return kind;
    }
    while (!acceptable(kind))
        kind = (kind + 1) % count;
    return kind;
}

int32_t HoSceneBubbleShooter::drawFieldKind() {
    const int32_t count = templateCount(templates);
    return count > 0 ? crtRand() % count : -1;
}

// --- The gun ---

void HoSceneBubbleShooter::aim() {
    if (!gun)
        return;
    const ScreenPoint from{gun->x.asNumber(), gun->y.asNumber()};
    const ScreenPoint pointer = world->scenePointer();
    float angle = headingDegrees(pointer.x - from.x, pointer.y - from.y);
    if (angle < 0.0f)
        angle += 360.0f;
    if (angle > kHighestAim)
        angle = 260.1f;
    else if (angle < kLowestAim)
        angle = 99.9f;
    gun->angle.setNumber(angle);
    if (!(angle >= kLowestAim && angle <= kHighestAim))
        return;
    ScreenPoint at;
    if (!intersect(from, pointer, fieldCorners[0], fieldCorners[1], at))
        return;
    if (at.x < fieldCorners[0].x && !intersect(from, pointer, fieldCorners[0], fieldCorners[3], at))
        return;
    if (at.x > fieldCorners[1].x && !intersect(from, pointer, fieldCorners[1], fieldCorners[2], at))
        return;
    aimPoint = at;
}

// Each line is taken by its slope, with a millionth added to both differences so that an upright line
// still has one; the point is read off the flatter line, where the steep one would magnify its error.
bool HoSceneBubbleShooter::intersect(ScreenPoint a1, ScreenPoint a2, ScreenPoint b1, ScreenPoint b2, ScreenPoint &at) {
    constexpr double kNudge = 0.000001;
    const double slopeA = (double(a2.y - a1.y) + kNudge) / (double(a2.x - a1.x) + kNudge);
    const double slopeB = (double(b2.y - b1.y) + kNudge) / (double(b2.x - b1.x) + kNudge);
    if (!std::isfinite(slopeA) || !std::isfinite(slopeB) || slopeA == slopeB)
        return false;
    const double x = (slopeA * a1.x - slopeB * b1.x + b1.y - a1.y) / (slopeA - slopeB);
    const double y = std::fabs(slopeA) < std::fabs(slopeB) ? a1.y + slopeA * (x - a1.x) : b1.y + slopeB * (x - b1.x);
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    at = {float(x), float(y)};
    return true;
}

void HoSceneBubbleShooter::swap() {
    if (flyingBubble || !setUp)
        return;
    std::swap(currentKind, nextKind);
    showKinds();
}

void HoSceneBubbleShooter::showKinds() {
    showTemplate(currentPlace, templateAt(templates, currentKind));
    showTemplate(nextPlace, templateAt(templates, nextKind));
}

// With a single kind that the gun may load, that kind follows itself.
void HoSceneBubbleShooter::reload() {
    if (!currentPlace || currentPlace->visible)
        return;
    const int32_t drawn = drawGunKind(nextKind);
    currentKind = nextKind;
    nextKind = drawn >= 0 ? drawn : nextKind;
    showKinds();
    currentPlace->visible = 1;
}
