#include "game/minigames/match3/HoScenesMatch3Effects.h"

#include <algorithm>
#include <cmath>

#include "engine/system/KSystem.h"
#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/SceneElement.h"
#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"

// The list.

HoScenesMatch3::EffectList::~EffectList() {
    destroyAll();
}

void HoScenesMatch3::EffectList::append(Effect *effect) {
    effect->listPrevious = last_;
    effect->listNext = nullptr;
    if (last_)
        last_->listNext = effect;
    else
        first_ = effect;
    last_ = effect;
    ++count_;
}

void HoScenesMatch3::EffectList::unlink(Effect *effect) {
    if (effect->listPrevious)
        effect->listPrevious->listNext = effect->listNext;
    else
        first_ = effect->listNext;
    if (effect->listNext)
        effect->listNext->listPrevious = effect->listPrevious;
    else
        last_ = effect->listPrevious;
    effect->listPrevious = effect->listNext = nullptr;
    --count_;
}

void HoScenesMatch3::EffectList::destroyAll() {
    while (first_) {
        Effect *effect = first_;
        unlink(effect);
        if (effect->finishing)
            effect->orphaned = true;
        else
            delete effect;
    }
}

// The base.

HoScenesMatch3::Effect::~Effect() {
    if (!nextStarted)
        delete next;
}

HoScenesMatch3::Effect *HoScenesMatch3::Effect::then(Effect *successor) {
    delete next;
    next = successor;
    return successor;
}

bool HoScenesMatch3::Effect::supersedesOthers() const {
    return typeCode == kMove || typeCode == kImplode || typeCode == kExpand || typeCode == kPingPong;
}

void HoScenesMatch3::Effect::finish() {
    if (scene && !callbacks.empty()) {
        std::vector<Callback> due;
        due.swap(callbacks);
        for (Callback callback : due)
            (scene->*callback)(figure);
    }
    // A figure released meanwhile takes no successor: it dies with this effect.
    if (figure && next && !nextStarted && !orphaned) {
        next->figure = figure;
        scene->startEffect(next);
        figure->effects.append(next);
        nextStarted = true;
    }
}

// Motions.

HoScenesMatch3::EffectMove::EffectMove(HoScenesMatch3 *owner, Match3Figure *target, float toX, float toY,
                                       float speedValue)
    : Effect(owner, target, kMove), targetX(toX), targetY(toY), speed(speedValue) {
    target->moving = true;
}

void HoScenesMatch3::EffectMove::update() {
    const float distance = distanceBetween({figure->x, figure->y}, {targetX, targetY});
    if (firstStep) {
        firstStep = false;
        steps = uint32_t(std::max(0, truncToInt(3.0f * distance / speed)));
        step = 0;
    }
    if (step >= steps || distance < 1.5f * speed) {
        figure->x = targetX;
        figure->y = targetY;
        done = true;
        return;
    }
    ++step;
    figure->moving = true;
    const float keep = (distance - speed) / distance;
    figure->x = targetX - keep * (targetX - figure->x);
    figure->y = targetY - keep * (targetY - figure->y);
}

void HoScenesMatch3::EffectMove::finish() {
    figure->moving = false;
    figure->landed = true;
    Effect::finish();
}

HoScenesMatch3::EffectShake::EffectShake(HoScenesMatch3 *owner, Match3Figure *target, int32_t count, float distance)
    : Effect(owner, target, kShake), remaining(float(2 * count + 1)), counter(float(count)),
      stepSize(distance / float(count)) {}

void HoScenesMatch3::EffectShake::update() {
    if (counter < remaining) {
        figure->x += direction ? stepSize : -stepSize;
        counter += 1.0f;
        return;
    }
    counter = 0.0f;
    remaining -= 1.0f;
    direction = !direction;
    if (remaining < 2.0f)
        done = true;
}

void HoScenesMatch3::EffectImplode::update() {
    done = true;
    for (float *scale : {&figure->scaleX, &figure->scaleY}) {
        if (*scale > 0.1f) {
            *scale = std::max(0.0f, *scale - stepSize);
            done = false;
        }
    }
}

void HoScenesMatch3::EffectExpand::update() {
    done = true;
    for (float *scale : {&figure->scaleX, &figure->scaleY}) {
        if (stepSize > 0.0f && *scale < target) {
            *scale = std::min(target, *scale + stepSize);
            done = false;
        } else if (stepSize < 0.0f && *scale > target) {
            *scale = std::max(target, *scale + stepSize);
            done = false;
        }
    }
}

void HoScenesMatch3::EffectRemoveFigure::finish() {
    scene->runFigureEvent(scene->onDestroyed, figure);
    Effect::finish();
    Match3Cell *cell = figure->cell;
    if (cell && cell->occupied) {
        Match3Figure *leaving = cell->figure;
        cell->empty();
        scene->releaseFigure(leaving);
    }
}

void HoScenesMatch3::EffectPingPong::update() {
    if (figure->moving) {
        done = true;
        return;
    }
    if (!prepared) {
        prepared = true;
        top = figure->y - startVelocity;
        rest = figure->y;
    }
    if (velocity > 0.0f) {
        if (figure->y <= top) {
            top += 5.0f;
            velocity = 0.0f;
        } else {
            figure->y -= velocity;
            velocity -= 1.0f;
        }
    } else if (figure->y >= rest) {
        velocity = startVelocity;
    } else {
        figure->y -= velocity;
        velocity -= 1.0f;
    }
    if (rest <= top) {
        figure->y = rest;
        done = true;
    }
}

// Kinds.

void HoScenesMatch3::EffectChangeFigure::update() {
    done = true;
    scene->runFigureEvent(scene->onDestroyed, figure);
    figure->colour = figureTemplate.colour;
    figure->type = figureTemplate.type;
    figure->templateIndex = float(templateIndex);
    if (figureTemplate.background) {
        figure->width = figureTemplate.background->baseWidth * figureTemplate.background->sx.asNumber();
        figure->height = figureTemplate.background->baseHeight * figureTemplate.background->sy.asNumber();
    }
    figure->scaleX = figure->scaleY = 1.0f;
    figure->picture.setFromTemplate(scene, figureTemplate, FigureLayer::kBackground);
    figure->destroying = false;
    figure->landed = false;
    if (figureTemplate.foreground)
        figure->foreground.setFromTemplate(scene, figureTemplate, FigureLayer::kForeground);
    else
        figure->foreground.clear();
    if (!(figure->type & Match3Figure::kSpecial))
        return;
    if (scene->runningShake && !scene->runningShake->done) {
        scene->runningShake->steps += EffectShakeTable::kLengthening;
        return;
    }
    scene->runningShake = new EffectShakeTable(scene);
    scene->pushSceneEffect(scene->runningShake);
}

// Beams.

HoScenesMatch3::EffectThunderbolt::EffectThunderbolt(HoScenesMatch3 *owner, Match3Figure *target, Match3Cell *from)
    : Effect(owner, target, kThunderbolt), startCell(from), endTime(owner->worldTime() + kDurationMs) {
    Match3Figure *sprite = scene->thunderboltFigure;
    if (!sprite) {
        done = true;
        return;
    }
    sprite->picture.active = true;
    beams[kUp] = from->row > 0;
    beams[kRight] = from->column < scene->cols - 1;
    beams[kDown] = from->row < scene->rows - 1;
    beams[kLeft] = from->column > 0;
    for (int32_t direction = kUp; direction < kDirectionCount; ++direction) {
        if (beams[direction])
            layOutBeam(direction);
    }
}

void HoScenesMatch3::EffectThunderbolt::layOutBeam(int32_t direction) {
    static constexpr int32_t kSteps[kDirectionCount][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    const int32_t dx = kSteps[direction][0], dy = kSteps[direction][1];
    int32_t walked = 0;
    for (Match3Cell *cell = scene->cellAt(startCell->column + dx, startCell->row + dy); cell && !cell->isWall();
         cell = scene->cellAt(cell->column + dx, cell->row + dy)) {
        ++walked;
        if (cell->occupied && !cell->figure->is(Match3Figure::kArmoured))
            scene->destroyFigure(cell->figure, false, 0);
    }
    beams[direction] = walked > 0;
    beamLength[direction] = float(walked) * (dx != 0 ? scene->cellWidth : scene->cellHeight);
    const float spriteHeight = scene->thunderboltFigure->height;
    beamScale[direction] = spriteHeight > 0.0f ? beamLength[direction] / spriteHeight : 0.0f;
}

void HoScenesMatch3::EffectThunderbolt::update() {
    if (firstStep) {
        firstStep = false;
        endTime = scene->worldTime() + kDurationMs;
    }
    for (int32_t direction = kUp; direction < kDirectionCount; ++direction) {
        if (beams[direction] && beamScale[direction] > 0.0f)
            drawBeam(direction);
    }
    if (scene->worldTime() < endTime)
        return;
    done = true;
    scene->thunderboltFigure->picture.active = false;
    figure = startCell->occupied ? startCell->figure : nullptr;
}

void HoScenesMatch3::EffectThunderbolt::drawBeam(int32_t direction) {
    static constexpr float kOffsets[kDirectionCount][2] = {{0.0f, -0.5f}, {0.5f, 0.0f}, {0.0f, 0.5f}, {-0.5f, 0.0f}};
    Match3Figure *sprite = scene->thunderboltFigure;
    sprite->scaleX = 1.0f;
    sprite->scaleY = beamScale[direction];
    sprite->x = startCell->centreX + kOffsets[direction][0] * beamLength[direction];
    sprite->y = startCell->centreY + kOffsets[direction][1] * beamLength[direction];
    scene->computeScreenPlacement(sprite);
    scene->drawFigure(sprite, direction == kUp || direction == kDown ? 0.0f : 90.0f);
}

void HoScenesMatch3::EffectBomb::update() {
    static constexpr int32_t kNeighbours[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 0}, {1, 1}, {0, -1}, {0, 1}};
    if (step == 0 && cell->occupied) {
        Match3Figure *centre = cell->figure;
        if (scene->explosionTemplate) {
            centre->overlay.setFromTemplate(scene, *scene->explosionTemplate, FigureLayer::kBackground);
            centre->overlay.lifetime = 50.0f;
        }
        centre->drawLevel = 2;
        if (!centre->is(Match3Figure::kArmoured) && !next)
            then(new EffectTimer(scene, figure))->then(new EffectRemoveFigure(scene, figure));
    }
    for (const auto &offset : kNeighbours) {
        Match3Cell *neighbour = scene->cellAt(cell->column + offset[0], cell->row + offset[1]);
        if (neighbour && neighbour->occupied && !neighbour->figure->is(Match3Figure::kArmoured))
            scene->destroyFigure(neighbour->figure, false, 0);
    }
    if (++step >= kSteps)
        done = true;
}

HoScenesMatch3::EffectTimer::EffectTimer(HoScenesMatch3 *owner, Match3Figure *target)
    : Effect(owner, target, kTimer), targetFrame(owner->stepCounter + kSteps) {}

void HoScenesMatch3::EffectTimer::update() {
    if (scene->stepCounter >= targetFrame)
        done = true;
}

// The board shake.

HoScenesMatch3::EffectShakeTable::EffectShakeTable(HoScenesMatch3 *owner)
    : Effect(owner, nullptr, kShakeTable), restX(owner->boardFrame->element->x.asNumber()),
      restY(owner->boardFrame->element->y.asNumber()) {
    steps = kSteps;
}

HoScenesMatch3::EffectShakeTable::~EffectShakeTable() {
    if (!done)
        putAtRest();
    if (scene->runningShake == this)
        scene->runningShake = nullptr;
}

void HoScenesMatch3::EffectShakeTable::putAtRest() {
    SceneElement *board = scene->boardFrame->element;
    board->x.setNumber(restX);
    board->y.setNumber(restY);
}

void HoScenesMatch3::EffectShakeTable::update() {
    if (scene->stepCounter <= lastFrame)
        return;
    if (step >= steps) {
        putAtRest();
        ++step;
        done = true;
        return;
    }
    if (phase) {
        const BoardFrame &frame = *scene->boardFrame;
        const float amplitude = float(truncToInt(frame.width * frame.scaleX * 0.006666667f));
        const int32_t index = angleToTableIndex(float(crtRand() % 360));
        frame.element->x.setNumber(restX + amplitude * sinTable[index]);
        frame.element->y.setNumber(restY + amplitude * cosTable[index]);
        phase = false;
    } else {
        putAtRest();
        phase = true;
    }
    ++step;
    lastFrame = scene->stepCounter;
}

void HoScenesMatch3::EffectShakeTable::finish() {
    if (scene->runningShake == this)
        scene->runningShake = nullptr;
    Effect::finish();
}
