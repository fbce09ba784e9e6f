// The chain shooter's rules, one step each: the chain's speed, the emission of new balls, the chain's
// motion with its gaps, the shot's flight, hit and glide into the chain, matches with their slow and bomb
// balls, the dying balls, firing and the events that tell the script.

#include <algorithm>

#include "engine/system/KSystem.h"
#include "game/HoGameSettings.h"
#include "game/minigames/chainshooter/HoSceneZuma.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptExecution.h"
#include "game/util/MathTables.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kSlowMotionSpeed = 0.2f;
// Points beyond "need" that still count as touching.
constexpr int64_t kContactSlack = 5;
// Points beyond the bomb's radius in widths that it still reaches.
constexpr int64_t kBlastSlack = 5;
constexpr int32_t kBurstLifeSteps = 400;
constexpr int32_t kBurstEmitSteps = 50;
constexpr float kGlideStepsPerUnit = 0.1f;
// Explosions that set off explosions recurse; deeper than this they wait for the end of the match.
constexpr int32_t kMostNestedBlasts = 32;

float distanceBetween(const DisplayNode &a, const DisplayNode &b) {
    return distanceBetween(ScreenPoint{a.x, a.y}, ScreenPoint{b.x, b.y});
}

// The visible design area: the screen's size over the art scale.
ScreenPoint visibleDesignSize() {
    const float scale = sceneArtScale();
    return {screenValues.width / scale, screenValues.height / scale};
}

} // namespace

float HoSceneZuma::scheduledSpeed() const {
    const float after = normalSpeedAfter.number();
    const float normal = normalSpeed.number();
    if (after > 0.0f && launched < after)
        return (after - launched) / after * (startSpeed.number() - normal) + normal;
    return normal;
}

int32_t HoSceneZuma::chainMove() {
    float speed = scheduledSpeed();
    if (slowTimer > 0.0f)
        speed = kSlowMotionSpeed;
    if (slowTimer > 0.0f || speed < 1.0f) {
        speedAccumulator += speed;
        if (speedAccumulator < 1.0f)
            return 0;
        speedAccumulator = 0.0f;
        return 1;
    }
    return truncToInt(speed);
}

int32_t HoSceneZuma::pickIndex(int32_t span) {
    return span > 0 ? crtRand() % span : 0;
}

bool HoSceneZuma::chanceSucceeds(const MinigameSetting &percent) {
    return crtRand() % 100 < percent.whole();
}

// The placeholder is of no kind: it never rolls back to a neighbour and never joins a run.
bool HoSceneZuma::isSameKind(const ChainBall *a, const ChainBall *b) const {
    return a != placeholder && b != placeholder && a->kind == b->kind;
}

void HoSceneZuma::placeAt(ChainBall *ball, int64_t index) {
    const int32_t last = path.pointCount() - 1;
    const int32_t at = int32_t(std::clamp<int64_t>(index, 0, last));
    const ScreenPoint &point = path.points[size_t(at)];
    ball->setX(point.x);
    ball->setY(point.y);
    ball->setAngle(path.headings[size_t(std::min(at, last - 1))] + ball->baseAngle);
    ball->pathIndex = at;
}

void HoSceneZuma::insertBall(int32_t index, ChainBall *ball) {
    if (chain.insertAt(index))
        chain.set(index, ball);
    else
        delete ball;
    refreshInsertIndex();
}

void HoSceneZuma::refreshInsertIndex() {
    if (inserting)
        insertIndex = chain.indexOf(placeholder);
}

void HoSceneZuma::signalBall(const char *function, const ChainBall *ball) {
    ScriptValue values[4];
    values[0].setNumber(float(ball->ballType));
    values[1].setNumber(float(ball->kind));
    values[2].setNumber(ball->x);
    values[3].setNumber(ball->y);
    runNamedHookWithValues(findFunction(&script, function), values, 4);
}

// ---- Emission and the chain's motion ----

void HoSceneZuma::emitBall() {
    if (!chain.empty()) {
        const ChainBall *front = chain[0];
        if (int64_t(front->pathIndex) - startOffset <= truncToInt(front->width * front->scaleX))
            return;
    }
    ChainBall *ball = chain.empty() ? nullptr : chooseNewBall();
    if (!ball) {
        const int32_t kind = pickIndex(templateCount(kinds) - 1);
        ball = new ChainBall(this, templateAt(kinds, kind), ChainBall::kOrdinary, kind);
    }
    placeAt(ball, startOffset);
    insertBall(0, ball);
    launched += 1.0f;
}

// An alternate ball by the special chance, else a bomb or a slow ball by theirs; null for an ordinary one.
ChainBall *HoSceneZuma::chooseNewBall() {
    if (specialChance.number() != 0.0f && templateCount(alternates) > 0 && chanceSucceeds(specialChance)) {
        const int32_t kind = pickIndex(templateCount(alternates) - 1);
        auto *ball = new ChainBall(this, templateAt(alternates, kind), ChainBall::kAlternate, kind);
        if (SceneElement *particle = specialParticle.element())
            ball->addChild(new DisplayNode(this, ball, particle));
        return ball;
    }
    if (bombTemplate && bombChance.number() != 0.0f && chanceSucceeds(bombChance))
        return new ChainBall(this, bombTemplate, ChainBall::kBomb, -1);
    if (slowTemplate && chanceSucceeds(slowChance))
        return new ChainBall(this, slowTemplate, ChainBall::kSlow, -1);
    return nullptr;
}

// The first ball moves; each ball behind it is pushed by its neighbour, follows a neighbour that rolls back,
// or, apart from it by a gap, rolls back to a neighbour of its own kind. Balls pushed past the end of the
// path leave it. A ball that closes its gap is matched there, and the step's motion ends.
void HoSceneZuma::moveChain(int32_t move) {
    emitBall();
    if (chain.empty())
        return;
    ChainBall *first = chain[0];
    placeAt(first, int64_t(first->pathIndex) + move);
    first->previousIndex = first->pathIndex;
    bool gap = false;
    for (int32_t i = 1; i < chain.count();) {
        ChainBall *ball = chain[i];
        const ChainBall *before = chain[i - 1];
        ball->previousIndex = ball->pathIndex;
        const int64_t distance = int64_t(ball->pathIndex) - (gap ? before->previousIndex : before->pathIndex);
        const int32_t need = needBetween(*ball, *before);
        const int64_t touching = int64_t(before->pathIndex) + need;
        if (distance > int64_t(need) + kContactSlack) {
            gap = isSameKind(ball, before);
            if (gap) {
                placeAt(ball, int64_t(ball->pathIndex) - backwardSpeed.whole());
                ball->closingGap = 1;
            }
        } else if (gap) {
            placeAt(ball, touching);
        } else if (startOffset + touching > path.pointCount()) {
            if (ball == placeholder) {
                landShot();
                return;
            }
            delete chain.removeAt(i);
            refreshInsertIndex();
            continue;
        } else {
            placeAt(ball, touching);
            if (ball->closingGap) {
                ball->closingGap = 0;
                matchAt(i);
                return;
            }
        }
        ++i;
    }
    if (slowTimer > 0.0f)
        slowTimer -= 1.0f;
}

// ---- The shot ----

void HoSceneZuma::fire() {
    if (flyingBall)
        return;
    const float gunX = gun->x.asNumber(), gunY = gun->y.asNumber();
    const ScreenPoint pointer = world->scenePointer();
    const int32_t angle = angleToTableIndex(headingDegrees(pointer.x - gunX, pointer.y - gunY));
    flyingBall = new ChainBall(this, templateAt(kinds, currentKind), ChainBall::kOrdinary, currentKind);
    flyingBall->setX(gunX);
    flyingBall->setY(gunY);
    currentPlace->visible = 0;
    const float speed = bulletSpeed.number();
    shotVelocityX = sinTable[angle] * speed;
    shotVelocityY = cosTable[angle] * speed;
    signalBall("onGunFired", flyingBall);
}

void HoSceneZuma::flyShot() {
    if (!flyingBall)
        return;
    if (inserting) {
        glideShot();
        return;
    }
    const float radius = flyingBall->radius();
    const ScreenPoint visible = visibleDesignSize();
    if (flyingBall->x < -radius || flyingBall->x > visible.x + radius || flyingBall->y < -radius ||
        flyingBall->y > visible.y + radius) {
        delete flyingBall;
        flyingBall = nullptr;
        insertIndex = -1;
        reload();
        return;
    }
    int32_t nearest = -1;
    float nearestDistance = visible.y;
    for (int32_t i = 0; i < chain.count(); ++i) {
        const float distance = distanceBetween(*chain[i], *flyingBall);
        if (distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    if (nearest >= 0 && nearestDistance <= chain[nearest]->radius() + radius) {
        hitChain(chain[nearest], nearest, nearestDistance);
        return;
    }
    flyingBall->setX(flyingBall->x + shotVelocityX);
    flyingBall->setY(flyingBall->y + shotVelocityY);
}

// The placeholder enters the chain beside the ball hit, behind it when the shot came from the start's
// side (never behind the first ball), and grows to a ball's size while the shot glides into it.
void HoSceneZuma::hitChain(ChainBall *hit, int32_t chainIndex, float distance) {
    hitPoint = {flyingBall->x, flyingBall->y};
    const ScreenPoint &previous = path.pointAt(int64_t(hit->pathIndex) - 1);
    const ScreenPoint &next = path.pointAt(int64_t(hit->pathIndex) + 1);
    const float towardPrevious = distanceBetween(hitPoint, previous);
    const float towardNext = distanceBetween(hitPoint, next);
    flightSteps = flightTotal = truncToInt(distance * kGlideStepsPerUnit);
    placeholder->width = 1.0f;
    growth = flightSteps > 0 ? 2.0f * flyingBall->radius() / float(flightSteps) : 0.0f;
    inserting = true;
    signalBall("onHit", hit);
    if (towardNext > towardPrevious && chainIndex > 0) {
        placeAt(placeholder, int64_t(hit->pathIndex) - truncToInt(hit->radius()));
        insertBall(chainIndex, placeholder);
    } else {
        placeAt(placeholder, int64_t(hit->pathIndex) + 1);
        insertBall(chainIndex + 1, placeholder);
    }
}

// A quadratic Bezier from the hit point, through a point one ball's width beside the path, to the slot.
void HoSceneZuma::glideShot() {
    if (flightSteps <= 0) {
        landShot();
        return;
    }
    placeholder->width = placeholder->width * placeholder->scaleX + growth;
    const int64_t slot = placeholder->pathIndex;
    const ScreenPoint &here = path.pointAt(slot);
    const ScreenPoint &ahead = path.pointAt(slot + 3);
    const int32_t side = angleToTableIndex(headingDegrees(ahead.x - here.x, ahead.y - here.y) - 90.0f);
    const float width = flyingBall->width * flyingBall->scaleX;
    const float controlX = here.x + width * sinTable[side], controlY = here.y + width * cosTable[side];
    const float u = float(flightTotal - flightSteps) / float(flightTotal);
    const float ax = hitPoint.x + (controlX - hitPoint.x) * u, ay = hitPoint.y + (controlY - hitPoint.y) * u;
    const float bx = controlX + (placeholder->x - controlX) * u, by = controlY + (placeholder->y - controlY) * u;
    flyingBall->setX(ax + (bx - ax) * u);
    flyingBall->setY(ay + (by - ay) * u);
    --flightSteps;
}

void HoSceneZuma::landShot() {
    const int32_t slot = chain.indexOf(placeholder);
    if (slot >= 0 && flyingBall) {
        chain.set(slot, flyingBall);
        flyingBall->ballType = ChainBall::kOrdinary;
        placeAt(flyingBall, placeholder->pathIndex);
        matchAt(slot);
    } else {
        if (slot >= 0)
            chain.removeAt(slot);
        delete flyingBall;
    }
    insertIndex = -1;
    flyingBall = nullptr;
    inserting = false;
    reload();
}

// ---- Matches and what they destroy ----

void HoSceneZuma::matchAt(int32_t index) {
    if (index < 0 || index >= chain.count() || chain[index] == placeholder)
        return;
    // A neighbour joins while it is of the run's kind and near enough the last ball joined on its side.
    auto joins = [this](const ChainBall *candidate, const ChainBall *last) {
        const int32_t need = needBetween(*candidate, *last);
        const int64_t apart = std::abs(int64_t(candidate->pathIndex) - last->pathIndex);
        return isSameKind(candidate, last) && apart <= int64_t(need) + need / 10;
    };
    int32_t first = index, last = index;
    while (first > 0 && joins(chain[first - 1], chain[first]))
        --first;
    while (last + 1 < chain.count() && joins(chain[last + 1], chain[last]))
        ++last;
    if (last - first + 1 < 3)
        return;
    for (int32_t j = first; j <= last; ++j)
        destroyAround(j, 0);
    while (!pendingBlasts_.empty()) {
        const auto [bomb, at] = pendingBlasts_.back();
        pendingBlasts_.pop_back();
        explode(bomb, at, 0);
    }
    moveDeadToDying();
    refreshInsertIndex();
}

// The ball at the index, when it is an ordinary or alternate one, bursts; slow and bomb balls go off
// there and beside it.
void HoSceneZuma::destroyAround(int32_t index, int32_t depth) {
    for (int32_t at = index - 1; at <= index + 1; ++at) {
        if (at < 0 || at >= chain.count() || chain[at]->dead)
            continue;
        ChainBall *ball = chain[at];
        switch (ball->ballType) {
        case ChainBall::kOrdinary:
        case ChainBall::kAlternate:
            if (at != index)
                break;
            if (SceneElement *burst = destroyingParticle.element()) {
                auto *node = new DisplayNode(this, ball, burst);
                node->setX(ball->x);
                node->setY(ball->y);
                ball->addChild(node);
            }
            flagDead(ball, kBurstLifeSteps, kBurstEmitSteps);
            ball->setScaleX(0.0f);
            signalBall("onDestroyed", ball);
            break;
        case ChainBall::kSlow:
            slowTimer += slowDuration.number();
            flagDead(ball, 0, 0);
            ball->setScaleX(0.0f);
            signalBall("onDestroyed", ball);
            break;
        case ChainBall::kBomb:
            flagDead(ball, 0, 0);
            ball->setScaleY(0.0f);
            signalBall("onDestroyed", ball);
            explode(ball, at, depth + 1);
            break;
        default: break;
        }
    }
}

// Every ball within the bomb's radius in balls on each side, and within that many of its widths on the
// path, is destroyed in turn.
void HoSceneZuma::explode(ChainBall *bomb, int32_t index, int32_t depth) {
    if (depth > kMostNestedBlasts) {
        pendingBlasts_.emplace_back(bomb, index);
        return;
    }
    const int64_t reach = bombRadius.whole();
    const int64_t within = reach * truncToInt(bomb->width * bomb->scaleX) + kBlastSlack;
    const int64_t from = std::max<int64_t>(0, index - reach);
    const int64_t to = std::min<int64_t>(chain.count() - 1, index + reach);
    for (int64_t k = from; k <= to; ++k) {
        if (std::abs(int64_t(chain[int32_t(k)]->pathIndex) - bomb->pathIndex) < within)
            destroyAround(int32_t(k), depth);
    }
}

void HoSceneZuma::flagDead(ChainBall *ball, int32_t life, int32_t emit) {
    ball->dead = 1;
    ball->lifeSteps = life;
    ball->emitSteps = emit;
}

void HoSceneZuma::moveDeadToDying() {
    for (int32_t i = 0; i < chain.count();) {
        if (chain[i]->dead)
            dying.append(chain.removeAt(i));
        else
            ++i;
    }
}

void HoSceneZuma::stepDying() {
    for (int32_t i = 0; i < dying.count();) {
        ChainBall *ball = dying[i];
        if (ball->emitSteps == 0)
            ball->setActive(0);
        else
            --ball->emitSteps;
        if (ball->lifeSteps < 1) {
            delete dying.removeAt(i);
            continue;
        }
        --ball->lifeSteps;
        ++i;
    }
}
