// The bubble shooter's rules: firing, the shot's flight in unit moves with its bounces, sticking into
// the grid, bursts of three or more, bombs, the drop of bubbles cut loose from the top row, the paced
// bursts and the new rows.

#include <algorithm>
#include <cmath>

#include "game/minigames/bubbleshooter/HoSceneBubbleShooter.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"

namespace {

constexpr float kShrinkPerStep = 0.05f;
// The unit moves of one step are bounded, so that a huge bullet speed cannot stall the step; no board
// needs more to be crossed.
constexpr int32_t kMaxMovesPerStep = 4096;

float distanceSquared(float x1, float y1, float x2, float y2) {
    const float dx = x1 - x2, dy = y1 - y2;
    return dx * dx + dy * dy;
}

// Keeps the bubbles that `keep` takes, in order, and hands the others to `drop`; one pass.
template <typename Keep, typename Drop>
void partition(PtrArray<FieldBubble> &list, Keep keep, Drop drop) {
    int32_t kept = 0;
    for (int32_t i = 0; i < list.count(); ++i) {
        FieldBubble *bubble = list[i];
        if (keep(bubble))
            list.set(kept++, bubble);
        else
            drop(bubble);
    }
    list.truncate(kept);
}

} // namespace

// --- Firing and flight ---

void HoSceneBubbleShooter::fire() {
    if (flyingBubble || burstingCount != 0 || !currentPlace)
        return;
    FieldBubble *shot = newBubble(currentKind);
    const float fromX = currentPlace->cx.asNumber(), fromY = currentPlace->cy.asNumber();
    const float degrees = headingDegrees(aimPoint.x - fromX, aimPoint.y - fromY);
    const int32_t index = angleToTableIndex(degrees);
    shotDirX = sinTable[index];
    shotDirY = cosTable[index];
    shot->moveTo(fromX, fromY);
    flyingBubble = shot;
    currentPlace->visible = 0;
    shotsSinceRow += 1.0f;
}

void HoSceneBubbleShooter::fly() {
    float left, top, right, bottom;
    if (!flyingBubble || !boardEdges(left, top, right, bottom))
        return;
    FieldBubble *shot = flyingBubble;
    const int32_t moves = std::min(bulletSpeed.whole(), kMaxMovesPerStep);
    for (int32_t move = 0; move < moves; ++move) {
        shot->scratchX += shotDirX;
        shot->scratchY += shotDirY;
        const ScreenPoint at{shot->scratchX, shot->scratchY};
        if (stickTest(at, top)) {
            bombCheck(shot);
            flyingBubble = nullptr;
            reload();
            newRowTest();
            return;
        }
        if (at.y - radius <= top) {
            if (stickyCeiling.number() == 0.0f) {
                shotDirY = -shotDirY;
                continue;
            }
            // With no free cell left the shot is lost, as at the bottom.
            FieldSlot *cell = nearestFreeSlot(at);
            if (!cell) {
                loseShot();
                return;
            }
            stickPoint = at; // a bomb goes off here, not where the shot before it stuck
            placeInField(shot, cell);
            bombCheck(shot);
            flyingBubble = nullptr;
            newRowTest();
            reload();
            return;
        }
        if (at.y + radius >= bottom) {
            loseShot();
            return;
        }
        if (at.x + radius >= right || at.x - radius <= left)
            shotDirX = -shotDirX;
    }
    shot->setX(shot->scratchX);
    shot->setY(shot->scratchY);
}

void HoSceneBubbleShooter::loseShot() {
    delete flyingBubble;
    flyingBubble = nullptr;
    newRowTest();
    reload();
}

void HoSceneBubbleShooter::newRowTest() {
    if (shotsSinceRow >= newBubblesAfter.number() && burstingCount == 0) {
        shotsSinceRow = 0.0f;
        addRow();
    }
}

// --- Sticking and matching ---

// Every cell stands at its row's height and its column's place (the offset rows half a cell over), so
// the cells within a reach of a point lie in a block of rows and columns; one more on each side covers
// the offset and the rounding. Empty for a point that is not finite.
HoSceneBubbleShooter::CellBlock HoSceneBubbleShooter::cellsNear(ScreenPoint point, float reach) const {
    CellBlock block{0, -1, 0, -1};
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || rows < 1 || cols < 1)
        return block;
    const double firstY = double(fieldCorners[0].y) + radius, firstX = double(fieldCorners[0].x) + radius;
    auto index = [](double at, int32_t count) { return int32_t(std::clamp(at, -1.0, double(count))); };
    block.firstRow = std::max(0, index(std::floor((point.y - reach - firstY) / rowHeight) - 1.0, rows));
    block.lastRow = std::min(rows - 1, index(std::ceil((point.y + reach - firstY) / rowHeight) + 1.0, rows));
    block.firstCol = std::max(0, index(std::floor((point.x - reach - firstX) / cellWidth) - 1.0, cols));
    block.lastCol = std::min(cols - 1, index(std::ceil((point.x + reach - firstX) / cellWidth) + 1.0, cols));
    return block;
}

// Strictly nearer replaces, so of cells alike the first in the grid's order is taken; distances from the
// visible design width up count as none. The cells near the point are tried first: when one of them is
// nearer than the block's reach, no cell outside can be.
FieldSlot *HoSceneBubbleShooter::nearestFreeSlot(ScreenPoint point) const {
    const float far = visibleDesignWidth();
    float best = far * far;
    FieldSlot *nearest = nullptr;
    auto consider = [&](FieldSlot *cell) {
        if (cell->bubble || cell->overflow)
            return;
        const float distance = distanceSquared(point.x, point.y, cell->x, cell->y);
        if (distance < best) {
            best = distance;
            nearest = cell;
        }
    };
    const float reach = cellWidth * 2.0f;
    const CellBlock block = cellsNear(point, reach);
    for (int32_t row = block.firstRow; row <= block.lastRow; ++row)
        for (int32_t col = block.firstCol; col <= block.lastCol; ++col)
            consider(slotAt(row, col));
    if (nearest && best < reach * reach)
        return nearest;
    best = far * far;
    nearest = nullptr;
    for (int32_t i = 0; i < slots.count(); ++i)
        consider(slots[i]);
    return nearest;
}

// Every stuck bubble stands at its cell's centre: only those near enough to decide the test are looked at.
float HoSceneBubbleShooter::nearestStuckDistance(ScreenPoint point, float reach) const {
    const float far = visibleDesignWidth();
    float nearest = far * far;
    const CellBlock block = cellsNear(point, reach);
    for (int32_t row = block.firstRow; row <= block.lastRow; ++row) {
        for (int32_t col = block.firstCol; col <= block.lastCol; ++col) {
            const FieldSlot *cell = slotAt(row, col);
            if (cell->bubble)
                nearest = std::min(nearest, distanceSquared(point.x, point.y, cell->x, cell->y));
        }
    }
    return std::sqrt(nearest);
}

void HoSceneBubbleShooter::takeSlot(FieldBubble *bubble, FieldSlot *cell) {
    cell->bubble = bubble;
    bubble->slot = cell;
}

void HoSceneBubbleShooter::placeInField(FieldBubble *bubble, FieldSlot *cell) {
    takeSlot(bubble, cell);
    fieldBubbles.append(bubble);
    bubble->moveTo(cell->x, cell->y);
}

void HoSceneBubbleShooter::freeSlot(FieldBubble *bubble) {
    if (bubble->slot && bubble->slot->bubble == bubble)
        bubble->slot->bubble = nullptr;
    bubble->slot = nullptr;
}

bool HoSceneBubbleShooter::stickTest(ScreenPoint point, float boardTop) {
    const float distance = nearestStuckDistance(point, cellWidth * 1.1f);
    if (!(distance <= cellWidth * 1.1f && (distance <= cellWidth * 0.75f || point.y - radius <= boardTop)))
        return false;
    stickPoint = point;
    FieldSlot *cell = nearestFreeSlot(point);
    if (!cell)
        return false;
    placeInField(flyingBubble, cell);
    matchFrom(flyingBubble);
    return true;
}

template <typename Accept, typename Visit>
void HoSceneBubbleShooter::flood(FieldSlot *start, Accept accept, Visit visit) {
    constexpr int32_t kDirections = 6;
    start->bubble->visitStamp = frameCounter;
    visit(start->bubble);
    floodStack_.clear();
    floodStack_.push_back({start, 0});
    while (!floodStack_.empty()) {
        FloodFrame &top = floodStack_.back();
        if (top.nextDirection == kDirections) {
            floodStack_.pop_back();
            continue;
        }
        FieldSlot *next = neighbour(top.cell, top.nextDirection++);
        FieldBubble *bubble = next ? next->bubble : nullptr;
        if (!bubble || isStamped(bubble) || !accept(bubble))
            continue;
        bubble->visitStamp = frameCounter;
        visit(bubble);
        floodStack_.push_back({next, 0});
    }
}

// Fewer than three of a kind stay where they are, keeping their stamps.
void HoSceneBubbleShooter::matchFrom(FieldBubble *shot) {
    const int32_t first = bursting.count();
    const int32_t kind = shot->kind;
    flood(
        shot->slot, [kind](const FieldBubble *bubble) { return bubble->kind == kind; },
        [this](FieldBubble *bubble) { bursting.append(bubble); });
    if (bursting.count() - first < 3) {
        bursting.truncate(first);
        return;
    }
    partition(fieldBubbles, [this](const FieldBubble *bubble) { return !isStamped(bubble); }, [](FieldBubble *) {});
    for (int32_t i = first; i < bursting.count(); ++i) {
        freeSlot(bursting[i]);
        ++burstingCount;
    }
    drop();
}

void HoSceneBubbleShooter::drop() {
    for (int32_t col = 0; col < cols; ++col) {
        FieldSlot *cell = slotAt(0, col);
        if (cell->bubble && !isStamped(cell->bubble))
            flood(cell, [](const FieldBubble *) { return true; }, [](FieldBubble *) {});
    }
    partition(
        fieldBubbles, [this](const FieldBubble *bubble) { return isStamped(bubble); },
        [this](FieldBubble *bubble) {
            freeSlot(bubble);
            falling.append(bubble);
        });
}

void HoSceneBubbleShooter::bombCheck(FieldBubble *shot) {
    const float reach = templateNumber(shot->kind, bombName_);
    if (truncToInt(reach) == 0)
        return;
    const float limit = cellWidth * reach + cellWidth * 0.1f;
    partition(
        fieldBubbles,
        [&](FieldBubble *bubble) {
            bubble->bombDistance = distanceBetween(stickPoint, {bubble->x, bubble->y});
            return !(bubble->bombDistance <= limit);
        },
        [this](FieldBubble *bubble) {
            freeSlot(bubble);
            bubble->visitStamp = frameCounter;
            ++burstingCount;
            bursting.append(bubble);
        });
    sortNodesBy(bursting, &FieldBubble::bombDistance);
    drop();
}

// --- The steps of falling and bursting bubbles ---

void HoSceneBubbleShooter::stepFalling() {
    float left, top, right, bottom;
    if (falling.empty() || !boardEdges(left, top, right, bottom))
        return;
    const float lowest = bottom - radius;
    const float speed = dropSpeed.number();
    partition(
        falling,
        [&](FieldBubble *bubble) {
            if (bubble->y >= lowest)
                return false;
            bubble->setY(bubble->y + speed);
            return true;
        },
        [](FieldBubble *bubble) { delete bubble; });
}

void HoSceneBubbleShooter::stepBursting() {
    if (burstPacing != 0) {
        --burstPacing;
        return;
    }
    SceneElement *decoration = destroyingElement.element();
    for (int32_t i = 0; i < bursting.count(); ++i) {
        FieldBubble *bubble = bursting[i];
        if (bubble->burstStarted)
            continue;
        bubble->burstStarted = 1;
        if (decoration) {
            auto *burst = new DisplayNode(this, nullptr, decoration);
            burst->setX(bubble->x);
            burst->setY(bubble->y);
            bubble->addChild(burst);
            bubble->visitStamp = frameCounter;
            burstPacing = 1;
            return;
        }
    }
    // Negative times count as 0: the bubble is done at once.
    const int32_t shrinkSteps = std::max(0, destroyingTime.whole());
    const int32_t lifeSteps = std::max(0, truncToInt(destroyingTime.number() * 5.0));
    int32_t removed = 0;
    partition(
        bursting,
        [&](FieldBubble *bubble) {
            const uint32_t age = uint32_t(frameCounter) - uint32_t(bubble->visitStamp);
            if (age < uint32_t(shrinkSteps)) {
                if (bubble->scaleX > 0.0f || bubble->scaleY > 0.0f) {
                    bubble->setScaleX(std::max(0.0f, bubble->scaleX - kShrinkPerStep));
                    bubble->setScaleY(std::max(0.0f, bubble->scaleY - kShrinkPerStep));
                }
                if (bubble->scaleX == 0.0f && bubble->scaleY == 0.0f && !bubble->countedDown) {
                    bubble->countedDown = 1;
                    --burstingCount;
                    bubble->setActive(0);
                    bubble->visitStamp = int32_t(uint32_t(frameCounter) - uint32_t(shrinkSteps));
                }
                return true;
            }
            return age < uint32_t(lifeSteps);
        },
        [&](FieldBubble *bubble) {
            ++removed;
            // One that never shrank away in time still leaves the count, so firing is not blocked for good.
            if (!bubble->countedDown)
                --burstingCount;
            delete bubble;
        });
    if (removed > 0 && bursting.empty() && shotsSinceRow >= newBubblesAfter.number()) {
        shotsSinceRow = 0.0f;
        addRow();
    }
}

// --- New rows ---

void HoSceneBubbleShooter::addRow() {
    if (rows < 1 || cols < 1)
        return;
    const float topY = slots[0]->y;
    const int32_t bottomStart = (rows - 1) * cols;
    std::vector<FieldSlot *> order;
    order.reserve(size_t(slots.count()));
    for (int32_t i = bottomStart; i < slots.count(); ++i)
        order.push_back(slots[i]);
    for (int32_t i = 0; i < bottomStart; ++i)
        order.push_back(slots[i]);
    for (int32_t col = 0; col < cols; ++col) {
        FieldSlot *cell = order[size_t(col)];
        // A bubble still in the bottom row leaves the field and falls: no cell has two owners.
        if (FieldBubble *left = cell->bubble) {
            freeSlot(left);
            fieldBubbles.removeAt(fieldBubbles.indexOf(left));
            falling.append(left);
        }
        cell->row = 0;
        cell->x = cellX(1, col);
        cell->y = topY;
        cell->overflow = oddRowsShifted && col + 1 == cols ? 1 : 0;
    }
    for (int32_t i = 0; i < slots.count(); ++i)
        slots.set(i, order[size_t(i)]);
    for (int32_t col = 0; col < cols; ++col) {
        FieldSlot *cell = slots[col];
        if (!cell->overflow && templateCount(templates) > 0)
            placeInField(newBubble(drawFieldKind()), cell);
    }
    oddRowsShifted = !oddRowsShifted;
    for (int32_t i = cols; i < slots.count(); ++i) {
        FieldSlot *cell = slots[i];
        cell->row += 1;
        cell->y += rowHeight;
        if (cell->bubble)
            cell->bubble->moveTo(cell->x, cell->y);
    }
}
