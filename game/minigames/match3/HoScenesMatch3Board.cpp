// The rules of the match-three board: the pattern table, figures placed and released, destruction by
// figure type, the board step with its falls and refills, the swap, the move search, and where figures
// stand on screen.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"

namespace {

// Each row: six (dx, dy) steps walked from a start cell, then (n, special type): n steps are real, the
// rest re-test the last cell. The first row that matches wins, so longer and crossing shapes come first.
constexpr int8_t kPatternTable[HoScenesMatch3::kPatternRows][HoScenesMatch3::kPatternPairs][2] = {
    {{0, 1}, {0, 1}, {0, -3}, {0, -1}, {1, 2}, {1, 0}, {6, 16}},
    {{-1, 0}, {-1, 0}, {2, -2}, {0, 1}, {1, 1}, {1, 0}, {6, 16}},
    {{0, -1}, {0, -1}, {-1, 2}, {-1, 0}, {2, 1}, {0, 1}, {6, 16}},
    {{-1, 0}, {-1, 0}, {2, 1}, {0, 1}, {1, -2}, {1, 0}, {6, 16}},
    {{0, -1}, {1, 1}, {1, 0}, {-2, 1}, {0, 1}, {0, 0}, {5, 16}},
    {{0, 1}, {0, -2}, {0, -1}, {1, 2}, {1, 0}, {0, 0}, {5, 16}},
    {{-1, 0}, {2, 0}, {1, 0}, {-2, 1}, {0, 1}, {0, 0}, {5, 16}},
    {{-1, 0}, {-1, 0}, {3, 0}, {-1, 1}, {0, 1}, {0, 0}, {5, 16}},
    {{-1, 0}, {2, 0}, {1, 0}, {-2, -1}, {0, -1}, {0, 0}, {5, 16}},
    {{1, 0}, {-2, 0}, {-1, 0}, {2, -1}, {0, -1}, {0, 0}, {5, 16}},
    {{0, -1}, {0, 2}, {0, 1}, {-1, -2}, {-1, 0}, {0, 0}, {5, 16}},
    {{-1, 0}, {-1, 0}, {2, -1}, {0, -1}, {0, 3}, {0, 0}, {5, 16}},
    {{1, 0}, {1, 0}, {-2, 1}, {0, 1}, {0, 0}, {0, 0}, {4, 16}},
    {{-1, 0}, {-1, 0}, {2, 1}, {0, 1}, {0, 0}, {0, 0}, {4, 16}},
    {{0, -1}, {0, -1}, {1, 2}, {1, 0}, {0, 0}, {0, 0}, {4, 16}},
    {{-1, 0}, {-1, 0}, {2, -1}, {0, -1}, {0, 0}, {0, 0}, {4, 16}},
    {{-1, 0}, {2, 0}, {-1, 1}, {0, 1}, {0, 0}, {0, 0}, {4, 16}},
    {{0, -1}, {0, 2}, {1, -1}, {1, 0}, {0, 0}, {0, 0}, {4, 16}},
    {{-1, 0}, {2, 0}, {-1, -1}, {0, -1}, {0, 0}, {0, 0}, {4, 16}},
    {{0, -1}, {0, 2}, {-1, -1}, {-1, 0}, {0, 0}, {0, 0}, {4, 16}},
    {{0, -1}, {0, -1}, {0, 3}, {0, 1}, {0, 0}, {0, 0}, {4, 16}},
    {{-1, 0}, {-1, 0}, {3, 0}, {1, 0}, {0, 0}, {0, 0}, {4, 16}},
    {{-1, 0}, {2, 0}, {1, 0}, {0, 0}, {0, 0}, {0, 0}, {3, 16}},
    {{-1, 0}, {-1, 0}, {3, 0}, {0, 0}, {0, 0}, {0, 0}, {3, 16}},
    {{0, -1}, {0, 2}, {0, 1}, {0, 0}, {0, 0}, {0, 0}, {3, 16}},
    {{0, -1}, {0, -1}, {0, 3}, {0, 0}, {0, 0}, {0, 0}, {3, 16}},
    {{1, 0}, {1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}},
    {{-1, 0}, {2, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}},
    {{-1, 0}, {-1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}},
    {{0, 1}, {0, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}},
    {{0, -1}, {0, 2}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}},
    {{0, -1}, {0, -1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}},
};

constexpr int32_t kHintBuckets = 5;
constexpr int32_t kHintBucketSize = 100;
constexpr int32_t kHintBucketEnough = 98;

} // namespace

void HoScenesMatch3::loadPatternTable() {
    std::memcpy(patterns, kPatternTable, sizeof patterns);
    patternRowCount = kPatternRows;
    patternLastPair = kPatternPairs - 1;
}

void HoScenesMatch3::buildCells() {
    const BoardFrame &frame = *boardFrame;
    cellWidth = frame.width / float(cols);
    cellHeight = frame.height / float(rows);
    cellDiagonal = squareRoot(cellWidth * cellWidth + cellHeight * cellHeight);
    diagonalRatio = cellHeight != 0.0f ? cellDiagonal / cellHeight : 1.0f;
    cells = std::make_unique<Match3Cell[]>(size_t(cols) * size_t(rows));
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < cols; ++column) {
            Match3Cell &cell = *cellAt(column, row);
            cell.column = column;
            cell.row = row;
            cell.left = frame.left + float(column) * cellWidth;
            cell.top = frame.top + float(row) * cellHeight;
            cell.centreX = frame.left + (float(column) + 0.5f) * cellWidth;
            cell.centreY = frame.top + (float(row) + 0.5f) * cellHeight;
        }
    }
}

// Figures.

Match3Figure *HoScenesMatch3::takeFigure(int32_t templateIndex) {
    if (templateIndex < 0 || templateIndex >= templateCount || !templates[templateIndex].background)
        return nullptr;
    Match3Figure *figure = nullptr;
    for (int32_t i = 0; i < figureCount && !figure; ++i)
        figure = figures[i].free ? &figures[i] : nullptr;
    if (!figure)
        return nullptr;
    const FigureTemplate &kind = templates[templateIndex];
    figure->free = false;
    figure->templateIndex = float(templateIndex);
    figure->colour = kind.colour;
    figure->type = kind.type;
    figure->width = kind.background->baseWidth * kind.background->sx.asNumber();
    figure->height = kind.background->baseHeight * kind.background->sy.asNumber();
    return figure;
}

Match3Figure *HoScenesMatch3::placeFigure(int32_t templateIndex, int32_t column, int32_t row) {
    Match3Figure *figure = takeFigure(templateIndex);
    if (!figure)
        return nullptr;
    const FigureTemplate &kind = templates[templateIndex];
    figure->picture.setFromTemplate(this, kind, FigureLayer::kBackground);
    if (kind.foreground)
        figure->foreground.setFromTemplate(this, kind, FigureLayer::kForeground);
    if (Match3Cell *cell = cellAt(column, row)) {
        if (cell->figure)
            releaseFigure(cell->figure);
        cell->take(figure);
        figure->cell = cell;
        figure->x = cell->centreX;
        figure->y = cell->centreY;
    }
    return figure;
}

void HoScenesMatch3::releaseFigure(Match3Figure *figure) {
    if (!figure || figure->free)
        return;
    if (figure->cell && figure->cell->figure == figure)
        figure->cell->empty();
    // A selection goes with either of its figures; nothing keeps pointing at a free record.
    if (figure == selectedFigure || figure == secondFigure)
        clearSelection();
    for (Match3Figure **kept : {&pressedFigure, &hoveredFigure, &thunderboltFigure, &tutorialSteps[0],
                                &tutorialSteps[1], &tutorialSteps[2]}) {
        if (*kept == figure)
            *kept = nullptr;
    }
    figure->effects.destroyAll();
    figure->picture.clear();
    figure->foreground.clear();
    figure->overlay.clear();
    figure->free = true;
    figure->moving = figure->landed = figure->destroying = false;
    figure->cell = nullptr;
    figure->x = figure->y = figure->width = figure->height = 0.0f;
    figure->scaleX = figure->scaleY = 1.0f;
    figure->drawLevel = 0;
    figure->colour = figure->type = 0;
    figure->templateIndex = 0.0f;
}

void HoScenesMatch3::computeScreenPlacement(Match3Figure *figure) {
    const BoardFrame &frame = *boardFrame;
    const SceneElement &board = *frame.element;
    const float k = cameraScale;
    const float artScale = sceneArtScale();
    const float viewX = screenValues.viewOffsetX;
    const float centreX = (screenValues.width / artScale + 2.0f * viewX) * 0.5f;
    const float centreY = screenValues.height / artScale * 0.5f;
    const float boardScaleX = board.sx.asNumber(), boardScaleY = board.sy.asNumber();
    figure->screenWidth = boardScaleX * k * figure->scaleX * figure->width;
    figure->screenHeight = figure->scaleY * figure->height * boardScaleY * k;
    const float offsetX = (figure->x - frame.originX) * boardScaleX;
    const float offsetY = (figure->y - frame.originY) * boardScaleY;
    const float distance = squareRoot(offsetX * offsetX + offsetY * offsetY);
    const float degrees = std::atan2(offsetY, offsetX) * 57.29578f - board.angle.asNumber();
    const int32_t index = angleToTableIndex(degrees);
    figure->screenX = ((cosTable[index] * distance + board.x.asNumber()) - centreX) * k + centreX - viewX;
    figure->screenY = ((sinTable[index] * distance + board.y.asNumber()) - centreY) * k + centreY;
    figure->screenLeft = figure->screenX - figure->screenWidth * 0.5f;
    figure->screenRight = figure->screenX + figure->screenWidth * 0.5f;
    figure->screenTop = figure->screenY - figure->screenHeight * 0.5f;
    figure->screenBottom = figure->screenY + figure->screenHeight * 0.5f;
}

void HoScenesMatch3::drawFigure(Match3Figure *figure, float extraAngle) {
    const float angle = boardFrame->element->angle.asNumber() + extraAngle;
    for (FigureLayer *layer : {&figure->picture, &figure->foreground, &figure->overlay}) {
        if (layer->active)
            layer->draw(*figure, angle);
    }
}

// The thunderbolt figure is drawn by its effect, beam by beam.
void HoScenesMatch3::drawBoard() {
    for (int32_t level = 0; level <= kTopDrawLevel; ++level) {
        for (int32_t i = 0; i < figureCount; ++i) {
            Match3Figure *figure = &figures[i];
            if (figure->free || figure->drawLevel != level || figure == thunderboltFigure)
                continue;
            computeScreenPlacement(figure);
            drawFigure(figure, 0.0f);
        }
    }
}

// Effect lists.

void HoScenesMatch3::pushFigureEffect(Match3Figure *figure, Effect *effect) {
    figure->effects.append(effect);
    startEffect(effect);
}

void HoScenesMatch3::startEffect(Effect *effect) {
    Match3Figure *figure = effect->figure;
    if (!figure || figure->effects.empty() || !effect->supersedesOthers())
        return;
    for (Effect *older = figure->effects.first(); older && older != figure->effects.last(); older = older->listNext)
        older->done = true;
}

void HoScenesMatch3::pushSceneEffect(Effect *effect) {
    sceneEffects.append(effect);
}

bool HoScenesMatch3::stepFigureEffects(Match3Figure *figure) {
    Match3Cell *cell = figure->cell;
    Effect *effect = figure->effects.first();
    while (effect) {
        if (effect->heldUntilStep > stepCounter) {
            effect = effect->listNext;
            continue;
        }
        if (!effect->done)
            effect->update();
        if (!effect->done) {
            effect = effect->listNext;
            continue;
        }
        effect->finishing = true;
        effect->finish();
        effect->finishing = false;
        if (effect->orphaned) { // the finish released the figure and its list
            delete effect;
            return false;
        }
        Effect *following = effect->listNext;
        figure->effects.unlink(effect);
        delete effect;
        if (!cell->occupied || cell->figure != figure)
            return false;
        effect = following;
    }
    return true;
}

void HoScenesMatch3::stepSceneEffects() {
    Effect *effect = sceneEffects.first();
    while (effect) {
        if (!effect->done) {
            effect->update();
            effect = effect->listNext;
            continue;
        }
        effect->finishing = true;
        effect->finish();
        effect->finishing = false;
        Effect *following = effect->orphaned ? nullptr : effect->listNext;
        if (!effect->orphaned)
            sceneEffects.unlink(effect);
        delete effect;
        effect = following;
    }
}

// Patterns and destruction.

int32_t HoScenesMatch3::findPattern(const Match3Figure *figure, int32_t column, int32_t row) const {
    for (int32_t p = 0; p < patternRowCount; ++p) {
        int32_t c = column, r = row, counted = 0;
        for (; counted < patternLastPair; ++counted) {
            c += patterns[p][counted][0];
            r += patterns[p][counted][1];
            const Match3Cell *cell = cellAt(c, r);
            if (!cell || !cell->occupied || cell->figure == figure || cell->figure->colour != figure->colour ||
                cell->figure->moving)
                break;
        }
        if (counted == patternLastPair)
            return p;
    }
    return -1;
}

void HoScenesMatch3::removeMatches(Match3Figure *figure) {
    if (!figure || !figure->cell)
        return;
    const int32_t column = figure->cell->column, row = figure->cell->row;
    for (int32_t p = 0; p < patternRowCount; ++p) {
        Match3Cell *walked[kPatternPairs] = {};
        int32_t c = column, r = row, counted = 0;
        for (; counted < patternLastPair; ++counted) {
            c += patterns[p][counted][0];
            r += patterns[p][counted][1];
            walked[counted] = cellAt(c, r);
            if (!walked[counted] || !walked[counted]->occupied || walked[counted]->figure->colour != figure->colour)
                break;
        }
        if (counted < patternLastPair)
            continue;
        const int32_t cellCount = std::clamp<int32_t>(patterns[p][patternLastPair][0], 0, patternLastPair);
        const int32_t specialType = patterns[p][patternLastPair][1];
        destroyFigure(figure, specialType >= 1, specialType);
        for (int32_t i = 0; i < cellCount; ++i) {
            if (walked[i]->occupied)
                destroyFigure(walked[i]->figure, false, 0);
        }
        return;
    }
}

void HoScenesMatch3::destroyFigure(Match3Figure *figure, bool makeSpecial, int32_t specialType) {
    if (!figure || figure->free || figure->destroying)
        return;
    ++destroyedCount;
    runFigureEvent(onStartDestroying, figure);
    figure->destroying = true;
    int32_t replacement = -1;
    for (int32_t i = 0; makeSpecial && i < templateCount && replacement < 0; ++i) {
        if (templates[i].type == specialType && templates[i].colour == figure->colour)
            replacement = i;
    }
    chainDestruction(figure, replacement >= 0 ? &templates[replacement] : nullptr, replacement);
}

void HoScenesMatch3::chainDestruction(Match3Figure *figure, const FigureTemplate *replacement, int32_t replacementIndex) {
    // Ends a chain with the figure's removal, or with its change into the replacement.
    auto finishChain = [&](Effect *tail, bool timed) {
        if (replacement) {
            tail->then(new EffectChangeFigure(this, figure, *replacement, replacementIndex))
                ->then(new EffectExpand(this, figure, 1.0f, 0.05f));
        } else {
            if (timed)
                tail = tail->then(new EffectTimer(this, figure));
            tail->then(new EffectRemoveFigure(this, figure));
        }
    };
    Match3Cell *cell = figure->cell;
    if (cell && figure->is(Match3Figure::kBomb) && !figure->is(Match3Figure::kSpecial)) {
        auto *bomb = new EffectBomb(this, figure, cell);
        finishChain(bomb->then(new EffectImplode(this, figure, 0.05f)), true);
        pushFigureEffect(figure, bomb);
        return;
    }
    if (cell && figure->is(Match3Figure::kThunderbolt) && !figure->is(Match3Figure::kSpecial | Match3Figure::kBomb)) {
        auto *thunderbolt = new EffectThunderbolt(this, figure, cell);
        finishChain(thunderbolt->then(new EffectImplode(this, figure, 0.05f)), false);
        pushSceneEffect(thunderbolt);
        return;
    }
    if (replacement && hintSpecialTemplate) {
        figure->overlay.setFromTemplate(this, *hintSpecialTemplate, FigureLayer::kBackground);
        figure->overlay.lifetime = 20.0f;
    }
    auto *implode = new EffectImplode(this, figure, 0.05f);
    finishChain(implode, false);
    pushFigureEffect(figure, implode);
}

// The board step.

void HoScenesMatch3::boardStep() {
    for (int32_t column = cols - 1; column >= 0; --column) {
        for (int32_t row = rows - 1; row >= 0; --row)
            stepCell(*cellAt(column, row));
    }
    hintStep();
}

void HoScenesMatch3::stepCell(Match3Cell &cell) {
    if (!cell.occupied) {
        if (cell.figure) {
            if (cell.figure->cell == &cell)
                releaseFigure(cell.figure);
            cell.figure = nullptr;
        }
        if (cell.isGenerator())
            refill(cell);
        return;
    }
    Match3Figure *figure = cell.figure;
    computeScreenPlacement(figure);
    for (FigureLayer *layer : {&figure->foreground, &figure->picture, &figure->overlay}) {
        if (layer->hasParticles())
            layer->stepEmitter(*figure);
    }
    if (!stepFigureEffects(figure) || !cell.occupied || cell.figure != figure)
        return;
    if (figure->effects.empty() && (figure->x != cell.centreX || figure->y != cell.centreY))
        pushFigureEffect(figure, new EffectMove(this, figure, cell.centreX, cell.centreY, movingSpeed()));
    if (figure->destroying || figure->moving || figure->is(Match3Figure::kFixed))
        return;
    if (!tryFall(figure) && figure->landed) {
        figure->landed = false;
        if (!figure->destroying && figure != selectedFigure && findPattern(figure, cell.column, cell.row) >= 0)
            removeMatches(figure);
        if (figure->effects.empty()) {
            runFigureEvent(onDroped, figure);
            if (!figure->free && figure->effects.empty())
                pushFigureEffect(figure, new EffectPingPong(this, figure));
        }
    }
    figure->landed = false;
}

bool HoScenesMatch3::tryFall(Match3Figure *figure) {
    if (figure->is(Match3Figure::kFixed) || !figure->cell)
        return false;
    const int32_t column = figure->cell->column, row = figure->cell->row;
    auto canEnter = [](const Match3Cell *cell) {
        return cell && !cell->isWall() && (!cell->occupied || cell->figure->is(Match3Figure::kSoft));
    };
    Match3Cell *below = cellAt(column, row + 1);
    if (canEnter(below)) {
        moveFigureToCell(figure, *below, movingSpeed());
        return true;
    }
    for (int32_t side : {-1, 1}) {
        Match3Cell *diagonal = cellAt(column + side, row + 1);
        if (canEnter(diagonal) && !isComingFromAbove(*diagonal)) {
            moveFigureToCell(figure, *diagonal, movingSpeed() * diagonalRatio);
            return true;
        }
    }
    return false;
}

bool HoScenesMatch3::isComingFromAbove(const Match3Cell &cell) const {
    if (cell.isGenerator())
        return true;
    for (int32_t row = cell.row - 1; row >= 0; --row) {
        const Match3Cell &above = *cellAt(cell.column, row);
        if (above.isWall() || (above.occupied && above.figure->is(Match3Figure::kFixed)))
            return false;
        if (above.isGenerator() || above.occupied)
            return true;
    }
    return false;
}

// A soft figure in the target cell gives way: its record is released.
void HoScenesMatch3::moveFigureToCell(Match3Figure *figure, Match3Cell &target, float speed) {
    figure->cell->empty();
    if (target.occupied) {
        Match3Figure *giving = target.figure;
        target.empty();
        releaseFigure(giving);
    }
    target.take(figure);
    figure->cell = &target;
    pushFigureEffect(figure, new EffectMove(this, figure, target.centreX, target.centreY, speed));
}

void HoScenesMatch3::refill(Match3Cell &cell) {
    int32_t templateIndex = tutorialActive ? tutorialFeedTemplate() : -1;
    if (!tutorialActive)
        tutorialSpawnIndex = 0;
    if (templateIndex < 0)
        templateIndex = pickDropTemplate();
    Match3Figure *figure = templateIndex >= 0 ? placeFigure(templateIndex, cell.column, cell.row) : nullptr;
    if (!figure)
        return;
    figure->y = cell.centreY - cellHeight;
    pushFigureEffect(figure, new EffectMove(this, figure, cell.centreX, cell.centreY, movingSpeed()));
    advanceTutorial();
}

int32_t HoScenesMatch3::pickDropTemplate() {
    return dropTableLength > 0 ? dropTable[size_t(crtRand() % dropTableLength)] : -1;
}

// The swap of the selected figure with the figure of a neighbour cell.
void HoScenesMatch3::swapWith(int32_t column, int32_t row) {
    Match3Figure *first = selectedFigure;
    Match3Cell *target = cellAt(column, row);
    if (!first || !first->cell || !target || !target->occupied || !target->inputEnabled || target->isWall() ||
        target->isNoSwap() || target->figure->is(Match3Figure::kPinned | Match3Figure::kFixed))
        return;
    Match3Figure *second = target->figure;
    Match3Cell *origin = first->cell;
    const float speed = movingSpeed();
    auto *firstMove = new EffectMove(this, first, target->centreX, target->centreY, speed);
    auto *secondMove = new EffectMove(this, second, origin->centreX, origin->centreY, speed);
    pushFigureEffect(first, firstMove);
    pushFigureEffect(second, secondMove);
    const bool firstMatches = findPattern(first, target->column, target->row) >= 0;
    const bool secondMatches = findPattern(second, origin->column, origin->row) >= 0;
    if (!firstMatches && !secondMatches) {
        firstMove->then(new EffectMove(this, first, origin->centreX, origin->centreY, speed));
        secondMove->then(new EffectMove(this, second, target->centreX, target->centreY, speed))
            ->addCallback(&HoScenesMatch3::clearSelectionCallback);
    } else {
        firstMove->addCallback(&HoScenesMatch3::clearSelectionCallback);
        origin->take(second);
        second->cell = origin;
        target->take(first);
        first->cell = target;
        if (firstMatches)
            firstMove->addCallback(&HoScenesMatch3::removeMatches);
        if (secondMatches)
            secondMove->addCallback(&HoScenesMatch3::removeMatches);
        firstMove->addCallback(&HoScenesMatch3::moveEventCallback);
    }
    secondFigure = second;
    showSelection(second, 1, false);
    pressedFigure = nullptr;
    const float distance = distanceBetween({origin->centreX, origin->centreY}, {target->centreX, target->centreY});
    busyUntil = stepCounter + uint32_t(std::max(0, truncToInt(3.0f * distance / speed)));
}

void HoScenesMatch3::clearSelectionCallback(Match3Figure *) {
    clearSelection();
}

void HoScenesMatch3::moveEventCallback(Match3Figure *) {
    runPlainEvent(onMove);
}

// The move search.

Match3Figure *HoScenesMatch3::findMove() {
    Match3Cell *buckets[kHintBuckets][kHintBucketSize];
    int32_t counts[kHintBuckets] = {};
    bool enough = false;
    for (int32_t column = 0; column < cols && !enough; ++column) {
        for (int32_t row = 0; row < rows && !enough; ++row) {
            Match3Cell &cell = *cellAt(column, row);
            if (!cell.occupied || cell.figure->is(Match3Figure::kFixed | Match3Figure::kPinned))
                continue;
            Match3Figure *figure = cell.figure;
            cell.occupied = false;
            for (const auto &offset : {std::pair{0, -1}, std::pair{0, 1}, std::pair{-1, 0}, std::pair{1, 0}}) {
                const Match3Cell *neighbour = cellAt(column + offset.first, row + offset.second);
                if (!neighbour || !neighbour->occupied || neighbour->figure->is(Match3Figure::kPinned) ||
                    neighbour->isWall() || neighbour->isNoSwap())
                    continue;
                const int32_t pattern = findPattern(figure, neighbour->column, neighbour->row);
                if (pattern < 0)
                    continue;
                const int32_t bucket = std::clamp<int32_t>(patterns[pattern][patternLastPair][0] - 2, 0, kHintBuckets - 1);
                if (counts[bucket] < kHintBucketSize)
                    buckets[bucket][counts[bucket]++] = &cell;
                if (counts[bucket] >= kHintBucketEnough) {
                    enough = true;
                    break;
                }
            }
            cell.occupied = true;
        }
    }
    for (int32_t bucket = kHintBuckets - 1; bucket >= 0; --bucket) {
        if (counts[bucket] > 0)
            return buckets[bucket][crtRand() % counts[bucket]]->figure;
    }
    reshuffle();
    return nullptr;
}

bool HoScenesMatch3::isAtRest() const {
    if (!propertiesRead || !sceneEffects.empty())
        return false;
    for (int32_t i = 0; i < figureCount; ++i) {
        if (!figures[i].free && (figures[i].moving || !figures[i].effects.empty()))
            return false;
    }
    return true;
}

// An "onResetFigures" that asks for the hint position finds the board without a move again: that search
// does not reshuffle a second time.
void HoScenesMatch3::reshuffle() {
    if (reshuffling_)
        return;
    reshuffling_ = true;
    for (int32_t column = 0; column < cols; ++column) {
        for (int32_t row = 0; row < rows; ++row) {
            Match3Cell &cell = *cellAt(column, row);
            if (!cell.occupied)
                continue;
            Match3Figure *figure = cell.figure;
            figure->type = 0;
            auto *implode = new EffectImplode(this, figure, 0.01f);
            implode->then(new EffectRemoveFigure(this, figure));
            pushFigureEffect(figure, implode);
            runPlainEvent(onResetFigures);
        }
    }
    reshuffling_ = false;
}
