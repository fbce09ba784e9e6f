#pragma once
// The chain shooter: a scene in which a chain of coloured balls rolls along a path laid out by the
// designer, a gun turned toward the pointer fires balls into it, and three or more touching balls of one
// kind vanish. Everything comes from the scene: template elements found by name ("render", "gun",
// "place_00", "place_01", optionally "bomb" and "slow"), the path's control elements in
// "#zuma_main_points", the ball templates in "$ball", and settings in "#zuma_*" variables held by
// their slots, so that the script may change them at any time.
//
// The game sets itself up lazily and silently at the start of each update until everything it needs
// exists, then plays one step per update while "#zuma_enable" is non-zero. Positions on the path are
// whole indices of its unit points, always kept inside the path.

#include <cstdint>
#include <utility>
#include <vector>

#include "game/minigames/ShooterParts.h"
#include "game/minigames/chainshooter/ChainBall.h"
#include "game/minigames/chainshooter/ChainPath.h"
#include "game/scene/HoScene.h"

struct ScriptStatement;

class HoSceneZuma : public HoScene {
public:
    static constexpr int32_t kStartOffset = 100;

    explicit HoSceneZuma(HoWorld *world);
    ~HoSceneZuma() override;

    // The scene's own update, then the set-up until it succeeds, then the game's step.
    void update() override;
    // Drops every ball and the path; with reinit the game starts over from the set-up with its
    // settings back at their defaults.
    void reset(bool reinit);

    // The chain's speed in points per step before slow motion: falling from the start speed to the
    // normal speed as the first balls are emitted.
    float scheduledSpeed() const;
    // The whole points the chain moves in this step.
    int32_t chainMove();
    // Puts the ball on the path at the index, kept inside the path, turned to the path's heading there.
    void placeAt(ChainBall *ball, int64_t index);
    // A run of three or more balls of one kind around the chain index goes to the dying balls, with the
    // slow and bomb balls that it sets off.
    void matchAt(int32_t index);

    // Speeds below one point per step and slow motion move the chain by whole points through this
    // one accumulator, shared by every chain-shooter scene and kept across resets.
    static float speedAccumulator;

    // The element "render" once the renderer is on it, else null.
    SceneElement *renderElement() const { return renderer_.element(); }

    bool setUp = false;
    ChainPath path;
    PtrArray<ScriptValue> *pathArray = nullptr; // "#zuma_main_points"
    PtrArray<ScriptValue> *kinds = nullptr;     // templates of the ordinary balls
    PtrArray<ScriptValue> *alternates = nullptr;
    PtrArray<ChainBall> chain{10}; // index 0 is the ball nearest the start of the path
    PtrArray<ChainBall> dying{10}; // destroyed balls still showing their burst
    SceneElement *gun = nullptr;
    ChainBall *flyingBall = nullptr;
    ChainBall *placeholder = nullptr; // owned by the chain while inserting, else by the scene
    bool inserting = false;
    SceneElement *bombTemplate = nullptr;
    SceneElement *slowTemplate = nullptr;
    int32_t startOffset = kStartOffset; // where balls enter, and the margin kept before the end
    float launched = 0.0f;              // balls emitted so far
    float shotVelocityX = 1.0f;
    float shotVelocityY = 1.0f;
    int32_t insertIndex = -1; // the placeholder's chain index while inserting
    SceneElement *currentPlace = nullptr; // "place_00": the ball ready to fire
    SceneElement *nextPlace = nullptr;    // "place_01"
    int32_t currentKind = 0;
    int32_t nextKind = 1;
    float slowTimer = 0.0f; // steps of slow motion left

    // The shot's glide into the chain: from the hit point, for the flight steps left of the total,
    // while the placeholder grows by the growth each step.
    ScreenPoint hitPoint;
    int32_t flightSteps = 0;
    int32_t flightTotal = 0;
    float growth = 0.0f;

    MinigameSetting enable{0.0f};
    MinigameSetting specialChance{3.0f};
    MinigameSetting bombRadius{10.0f};
    MinigameSetting slowDuration{200.0f};
    MinigameSetting bombChance{3.0f};
    MinigameSetting slowChance{3.0f};
    MinigameSetting startSpeed{40.0f};
    MinigameSetting normalSpeedAfter{50.0f};
    MinigameSetting normalSpeed{1.0f};
    MinigameSetting backwardSpeed{5.0f};
    MinigameSetting bulletSpeed{40.0f};
    MinigameSetting specialParticle;
    MinigameSetting destroyingParticle;

private:
    // Fields to their first values, a new placeholder, "zuma_reset" bound and the settings found or made
    // with their defaults written (the two particle settings only found or made).
    void init();
    static void nativeReset(void *data, ScriptStatement *call);
    void runSetUp();
    // The path from the control elements, unless they are the ones the last build refused.
    void buildPath();

    // Play, one step of each.
    void emitBall();
    ChainBall *chooseNewBall();
    void moveChain(int32_t move);
    void flyShot();
    void hitChain(ChainBall *hit, int32_t chainIndex, float distance);
    void glideShot();
    // The shot takes the placeholder's slot and the gun reloads.
    void landShot();
    void stepDying();
    void fire();
    void swap();
    void reload();
    // The two places show the templates of the current and the next kind.
    void showKinds();

    void destroyAround(int32_t index, int32_t depth);
    void explode(ChainBall *bomb, int32_t index, int32_t depth);
    void flagDead(ChainBall *ball, int32_t life, int32_t emit);
    void moveDeadToDying();

    void insertBall(int32_t index, ChainBall *ball);
    // After the chain changed: where the placeholder stands now.
    void refreshInsertIndex();
    // An index below the span, drawn when there is a choice; 0 when there is none.
    static int32_t pickIndex(int32_t span);
    static bool chanceSucceeds(const MinigameSetting &percent);
    bool isSameKind(const ChainBall *a, const ChainBall *b) const;
    // The ball's type, kind and position passed to the script's function of that name when it is defined.
    void signalBall(const char *function, const ChainBall *ball);

    SceneRendererHolder renderer_;
    std::vector<ScreenPoint> refusedControls_; // the control points of the last path refused
    bool pathWarned_ = false;
    bool updating_ = false;     // the game's step is running: a reset asked for now waits
    bool resetPending_ = false; // for the start of the next update
    std::vector<std::pair<ChainBall *, int32_t>> pendingBlasts_; // explosions nested too deep, with their index
};
