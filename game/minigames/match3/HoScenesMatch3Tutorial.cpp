// The board's three-step tutorial: a pointer figure per step drawn off the board, input taken only on
// the cells of the current step, steps advanced by the number of figures destroyed, and a fixed feed of
// figures while it runs so that the steps can always be played.

#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/SceneElement.h"

namespace {

// Drop-table positions of the tutorial's spawns, in order.
constexpr int32_t kTutorialFeed[] = {120, 5, 230, 501, 501, 1, 340, 120, 5};
constexpr int32_t kTutorialFeedLength = int32_t(sizeof kTutorialFeed / sizeof kTutorialFeed[0]);

// The cells each step takes input on, (column, row) pairs.
constexpr int32_t kStepCells[3][2][2] = {{{4, 3}, {4, 4}}, {{3, 6}, {3, 7}}, {{5, 5}, {5, 6}}};
// The cell whose figure the hint position points at during each step.
constexpr int32_t kStepHintCells[3][2] = {{4, 4}, {3, 7}, {5, 5}};

} // namespace

void HoScenesMatch3::setUpTutorialStep(int32_t step, int32_t templateIndex) {
    Match3Figure *figure = placeFigure(templateIndex, -1, -1);
    tutorialSteps[step] = figure;
    if (!figure)
        return;
    const SceneElement &board = *boardFrame->element;
    const SceneElement &background = *templates[templateIndex].background;
    const float boardX = board.x.asNumber(), boardY = board.y.asNumber();
    const float scaleX = board.sx.asNumber(), scaleY = board.sy.asNumber();
    const float elementX = background.x.asNumber(), elementY = background.y.asNumber();
    figure->drawLevel = 2;
    figure->x = elementX - (scaleX - 1.0f) * (elementX - boardX);
    figure->y = elementY - (scaleY - 1.0f) * (elementY - boardY);
    if (scaleX != 0.0f)
        figure->width /= scaleX;
    if (scaleY != 0.0f)
        figure->height /= scaleY;
    computeScreenPlacement(figure);
    figure->picture.active = step == 0;
}

void HoScenesMatch3::setCellInput(int32_t column, int32_t row, bool enabled) {
    if (Match3Cell *cell = cellAt(column, row))
        cell->inputEnabled = enabled;
}

void HoScenesMatch3::gateTutorialCells() {
    auto gateStep = [this](int32_t step, bool enabled) {
        for (const auto &cell : kStepCells[step])
            setCellInput(cell[0], cell[1], enabled);
    };
    auto enableAll = [this](bool enabled) {
        for (int32_t i = 0; i < cols * rows; ++i)
            cells[size_t(i)].inputEnabled = enabled;
    };
    Match3Figure *const *steps = tutorialSteps;
    if (steps[0] && !tutorialActive) {
        enableAll(false);
        gateStep(0, true);
        tutorialActive = true;
    } else if (steps[1] && !steps[0]) {
        gateStep(0, false);
        gateStep(1, true);
    } else if (steps[2]) {
        if (!steps[1]) {
            gateStep(1, false);
            gateStep(2, true);
        }
    } else if (tutorialActive && !steps[0] && !steps[1]) {
        enableAll(true);
        tutorialActive = false;
    }
}

void HoScenesMatch3::advanceTutorial() {
    if (!tutorialActive)
        return;
    const int32_t destroyed = destroyedCount;
    if (destroyed >= 3 && destroyed <= 5 && tutorialSteps[0]) {
        releaseFigure(tutorialSteps[0]);
        if (tutorialSteps[1])
            tutorialSteps[1]->picture.active = true;
    } else if (destroyed >= 7 && tutorialSteps[1]) {
        releaseFigure(tutorialSteps[1]);
        if (tutorialSteps[2])
            tutorialSteps[2]->picture.active = true;
    } else if (destroyed > 11 && tutorialSteps[2]) {
        releaseFigure(tutorialSteps[2]);
    }
}

// Past the feed, or at a position past the drop table, the pick is random.
int32_t HoScenesMatch3::tutorialFeedTemplate() {
    const int32_t index = tutorialSpawnIndex++;
    if (index < 0 || index >= kTutorialFeedLength || kTutorialFeed[index] >= dropTableLength)
        return -1;
    return dropTable[size_t(kTutorialFeed[index])];
}

Match3Figure *HoScenesMatch3::tutorialHintFigure() const {
    for (int32_t step = 0; step < 3; ++step) {
        if (!tutorialSteps[step])
            continue;
        const Match3Cell *cell = cellAt(kStepHintCells[step][0], kStepHintCells[step][1]);
        return cell && cell->occupied ? cell->figure : nullptr;
    }
    return nullptr;
}

void HoScenesMatch3::nativeSkipTutorial(void *data, ScriptStatement *) {
    auto *scene = static_cast<HoScenesMatch3 *>(data);
    for (Match3Figure *&step : scene->tutorialSteps) {
        Match3Figure *figure = step;
        step = nullptr;
        scene->releaseFigure(figure);
    }
}
