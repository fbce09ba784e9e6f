// The player's hand on the match-three board: the pointer in board-local coordinates, hovering, pressing,
// dragging toward a neighbour, releasing, and the selection that a swap starts from.

#include <cmath>

#include "game/HoContext.h"
#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

// The board element's size at its current scale.
void scaledBoardSize(const BoardFrame &frame, float &width, float &height) {
    width = frame.width * frame.element->sx.asNumber();
    height = frame.height * frame.element->sy.asNumber();
}

} // namespace

// The button as the main thread polled it for this step (a quick click counts as held for one step). A
// world being built on the game-load thread reads no input: the player's hand belongs to the running one.
bool HoScenesMatch3::readButton() const {
    if (world->builtForLoad)
        return false;
    return world->context->input.buttonHeldThisStep(kPrimaryButton);
}

bool HoScenesMatch3::isIdle(const Match3Figure *figure) {
    return !figure->moving && !figure->is(Match3Figure::kPinned) && figure->effects.empty();
}

void HoScenesMatch3::pointerStep() {
    const SceneElement &board = *boardFrame->element;
    const ScreenPoint pointer = world->scenePointer();
    const float dx = board.x.asNumber() - pointer.x;
    const float dy = board.y.asNumber() - pointer.y;
    const float distance = squareRoot(dx * dx + dy * dy);
    float degrees = std::atan2(dx, dy) * 57.29578f;
    if (degrees < 0.0f)
        degrees += 360.0f;
    const int32_t index = angleToTableIndex(degrees - std::fmod(board.angle.asNumber(), 360.0f));
    float width, height;
    scaledBoardSize(*boardFrame, width, height);
    previousPointerX = pointerX;
    previousPointerY = pointerY;
    pointerX = width * 0.5f - sinTable[index] * distance;
    pointerY = height * 0.5f - cosTable[index] * distance;
    pointerMoved = pointerX != previousPointerX || pointerY != previousPointerY;
    pointerRead = true;
}

// A board scaled to nothing has no cell under the pointer.
Match3Cell *HoScenesMatch3::pointerCell() const {
    float width, height;
    scaledBoardSize(*boardFrame, width, height);
    if (!(pointerX >= 0.0f && pointerX < width && pointerY >= 0.0f && pointerY < height))
        return nullptr;
    return cellAt(truncToInt(pointerX / (width / float(cols))), truncToInt(pointerY / (height / float(rows))));
}

void HoScenesMatch3::hoverStep() {
    Match3Cell *cell = pointerRead ? pointerCell() : nullptr;
    Match3Figure *under = cell && cell->occupied ? cell->figure : nullptr;
    if (under && cell->inputEnabled && !hoveredFigure && isIdle(under)) {
        hoveredFigure = under;
        pushFigureEffect(under, new EffectExpand(this, under, 1.2f, 0.01f));
    }
    if (!hoveredFigure || under == hoveredFigure)
        return;
    if (!hoveredFigure->free && hoveredFigure->scaleX > 1.0f && hoveredFigure->scaleY > 1.0f)
        pushFigureEffect(hoveredFigure, new EffectExpand(this, hoveredFigure, 1.0f, -0.01f));
    hoveredFigure = nullptr;
}

void HoScenesMatch3::pressStep() {
    Match3Cell *cell = pointerCell();
    Match3Figure *target = cell && cell->inputEnabled && cell->occupied ? cell->figure : nullptr;
    if (!target || target->is(Match3Figure::kFixed)) {
        clearSelection();
        return;
    }
    if (target->moving)
        return;
    if (selectedFigure && secondFigure)
        clearSelection();
    const bool pinned = target->is(Match3Figure::kPinned);
    if (selectedFigure) {
        Match3Figure *selected = selectedFigure;
        if (selected->free || target == selected || !selected->cell) {
            clearSelection();
        } else if (!pinned && std::abs(target->cell->column - selected->cell->column) +
                                      std::abs(target->cell->row - selected->cell->row) == 1) {
            dragStep();
        } else {
            clearSelection();
            if (pinned)
                pushFigureEffect(target, new EffectShake(this, target, 2, 10.0f));
            else
                selectFigure(target);
        }
        return;
    }
    if (pinned) {
        pushFigureEffect(target, new EffectShake(this, target, 2, 10.0f));
        return;
    }
    pressedFigure = target;
    selectFigure(target);
}

void HoScenesMatch3::dragStep() {
    Match3Figure *selected = selectedFigure;
    if (!selected || secondFigure || !selected->cell)
        return;
    float width, height;
    scaledBoardSize(*boardFrame, width, height);
    const float cellW = width / float(cols), cellH = height / float(rows);
    const float dx = pointerX - pressX, dy = pointerY - pressY;
    if (squareRoot(dx * dx + dy * dy) <= 0.2f * squareRoot(cellW * cellW + cellH * cellH))
        return;
    int32_t column = selected->cell->column, row = selected->cell->row;
    if (std::fabs(dy) >= std::fabs(dx))
        row += dy < 0.0f ? -1 : 1;
    else
        column += dx < 0.0f ? -1 : 1;
    if (cellAt(column, row))
        swapWith(column, row);
}

void HoScenesMatch3::releaseStep() {
    Match3Cell *cell = pointerCell();
    if (cell && cell->inputEnabled && cell->occupied)
        runFigureEvent(onClick, cell->figure);
}

// Selection: the press point is where the figure was selected, so that a drag or a press on a neighbour
// swaps toward the pointer.
void HoScenesMatch3::selectFigure(Match3Figure *figure) {
    selectedFigure = figure;
    secondFigure = nullptr;
    pressX = pointerX;
    pressY = pointerY;
    showSelection(figure, 2, true);
}

void HoScenesMatch3::showSelection(Match3Figure *figure, int32_t drawLevel, bool runEvent) {
    figure->picture.animated = true;
    if (selectionTemplate) {
        figure->overlay.setFromTemplate(this, *selectionTemplate, FigureLayer::kBackground);
        figure->overlay.animated = true;
    }
    if (runEvent && figure->drawLevel != 2)
        runFigureEvent(onSelected, figure);
    figure->drawLevel = drawLevel;
}

void HoScenesMatch3::clearSelection() {
    Match3Figure *selection[2] = {selectedFigure, secondFigure};
    selectedFigure = secondFigure = nullptr;
    for (Match3Figure *figure : selection) {
        if (!figure)
            continue;
        figure->picture.animated = false;
        figure->picture.frame = 0;
        figure->overlay.animated = false;
        figure->overlay.frame = 0;
        figure->overlay.active = false;
        figure->drawLevel = 0;
    }
}
