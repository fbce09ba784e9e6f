#pragma once
// The effects of the match-three board. An effect is created by the board, appended to a list (its
// figure's, stepped once per update, or the scene's, stepped once per drawn frame) and started; it steps
// until done, then finishes: its completion callbacks run, and its successor, owned until then, is
// started on the same figure. Starting a motion or a scaling marks the older effects of its figure done,
// so a new motion supersedes them.

#include <cstdint>
#include <vector>

#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3.h"

class HoScenesMatch3::Effect {
public:
    enum TypeCode : int32_t {
        kMove = 1,
        kShake = 3,
        kImplode = 5,
        kExpand = 6,
        kRemoveFigure = 7,
        kPingPong = 8,
        kChangeFigure = 9,
        kThunderbolt = 10,
        kBomb = 11,
        kTimer = 12,
        kShakeTable = 13,
    };

    Effect(HoScenesMatch3 *owner, Match3Figure *target, int32_t code) : figure(target), scene(owner), typeCode(code) {}
    // Deletes a successor that was never started.
    virtual ~Effect();
    Effect(const Effect &) = delete;
    Effect &operator=(const Effect &) = delete;

    // One step.
    virtual void update() {}
    // The callbacks in order, then the successor started on the figure.
    virtual void finish();

    // Chains the successor and returns it, so that a chain reads from left to right.
    Effect *then(Effect *successor);
    void addCallback(Callback callback) { callbacks.push_back(callback); }
    // Motions and scalings supersede the older effects of their figure when started.
    bool supersedesOthers() const;

    bool done = false;
    Effect *next = nullptr;
    std::vector<Callback> callbacks;
    bool nextStarted = false;
    Match3Figure *figure;
    HoScenesMatch3 *scene;
    uint32_t step = 0;
    uint32_t steps = 0;
    bool firstStep = true;
    int32_t typeCode;
    // An effect that a script event adds while its list is walked waits for the next update, so that an
    // event answering its own effect with another cannot keep one walk going for ever.
    uint32_t heldUntilStep = 0;

    // The list it is in, and whether it is finishing now or was let go by its list meanwhile.
    Effect *listPrevious = nullptr;
    Effect *listNext = nullptr;
    bool finishing = false;
    bool orphaned = false;
};

class HoScenesMatch3::EffectMove : public Effect {
public:
    EffectMove(HoScenesMatch3 *owner, Match3Figure *target, float toX, float toY, float speedValue);
    void update() override;
    // The figure stops moving and has landed.
    void finish() override;

    float targetX;
    float targetY;
    float speed;
};

// Shakes the figure's x to and fro.
class HoScenesMatch3::EffectShake : public Effect {
public:
    EffectShake(HoScenesMatch3 *owner, Match3Figure *target, int32_t count, float distance);
    void update() override;

    bool direction = true;
    float remaining;
    float counter;
    float stepSize;
};

class HoScenesMatch3::EffectImplode : public Effect {
public:
    EffectImplode(HoScenesMatch3 *owner, Match3Figure *target, float stepValue)
        : Effect(owner, target, kImplode), stepSize(stepValue) {}
    void update() override;

    float stepSize;
};

class HoScenesMatch3::EffectExpand : public Effect {
public:
    EffectExpand(HoScenesMatch3 *owner, Match3Figure *target, float targetScale, float stepValue)
        : Effect(owner, target, kExpand), target(targetScale), stepSize(stepValue) {}
    void update() override;

    float target;
    float stepSize; // negative: shrinks
};

class HoScenesMatch3::EffectRemoveFigure : public Effect {
public:
    EffectRemoveFigure(HoScenesMatch3 *owner, Match3Figure *target) : Effect(owner, target, kRemoveFigure) {}
    void update() override { done = true; }
    // "onDestroyed", the base finish, then the figure leaves its cell and its record is free.
    void finish() override;
};

// The landing bounce.
class HoScenesMatch3::EffectPingPong : public Effect {
public:
    static constexpr float kStartVelocity = 15.0f;

    EffectPingPong(HoScenesMatch3 *owner, Match3Figure *target) : Effect(owner, target, kPingPong) {}
    void update() override;

    float top = kStartVelocity;
    float velocity = kStartVelocity;
    float rest = kStartVelocity;
    float startVelocity = kStartVelocity;
    bool prepared = false;
};

// Turns the figure into another kind at once; a special kind shakes the board.
class HoScenesMatch3::EffectChangeFigure : public Effect {
public:
    EffectChangeFigure(HoScenesMatch3 *owner, Match3Figure *target, const FigureTemplate &kind, int32_t kindIndex)
        : Effect(owner, target, kChangeFigure), figureTemplate(kind), templateIndex(kindIndex) {}
    void update() override;

    FigureTemplate figureTemplate;
    int32_t templateIndex;
};

// Beams from a cell up, right, down and left to the walls, destroying what they cross but armoured
// figures; drawn for 200 ms of world time with the thunderbolt figure.
class HoScenesMatch3::EffectThunderbolt : public Effect {
public:
    static constexpr double kDurationMs = 200.0;
    enum Direction : int32_t { kUp = 0, kRight, kDown, kLeft, kDirectionCount };

    // Lays out the beams and destroys what they cross.
    EffectThunderbolt(HoScenesMatch3 *owner, Match3Figure *target, Match3Cell *from);
    void update() override;

    Match3Cell *startCell;
    bool beams[kDirectionCount] = {};
    float beamLength[kDirectionCount] = {};
    float beamScale[kDirectionCount] = {};
    double endTime;

private:
    void layOutBeam(int32_t direction);
    void drawBeam(int32_t direction);
};

// Destroys the figures of the eight cells around its cell for 100 steps, those that fall in included.
class HoScenesMatch3::EffectBomb : public Effect {
public:
    static constexpr uint32_t kSteps = 100;

    EffectBomb(HoScenesMatch3 *owner, Match3Figure *target, Match3Cell *at) : Effect(owner, target, kBomb), cell(at) {}
    void update() override;

    Match3Cell *cell;
};

class HoScenesMatch3::EffectTimer : public Effect {
public:
    static constexpr uint32_t kSteps = 100;

    EffectTimer(HoScenesMatch3 *owner, Match3Figure *target);
    void update() override;

    uint32_t targetFrame;
};

// Jolts the board element for a number of board steps, then puts it back.
class HoScenesMatch3::EffectShakeTable : public Effect {
public:
    static constexpr uint32_t kSteps = 25;
    static constexpr uint32_t kLengthening = 50; // steps added by a special figure made during the shake

    explicit EffectShakeTable(HoScenesMatch3 *owner);
    // A shake cut short leaves the board element where it rests.
    ~EffectShakeTable() override;
    void update() override;
    // The scene's running shake ends.
    void finish() override;

    uint32_t lastFrame = 0;
    float restX;
    float restY;
    bool phase = true;

private:
    void putAtRest();
};
