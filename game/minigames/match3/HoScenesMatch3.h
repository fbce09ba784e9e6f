#pragma once
// A scene that plays a match-three board over its ordinary elements. The scene's script configures it
// through one table, the function value "#mg_match3Properties" with named fields (board element, size,
// figure kinds, start layout), which the scene reads lazily at the start of every update until it is
// complete; it answers through five native functions and runs script functions of fixed names as
// events. The board draws after the scene's own elements.
//
// Every visible change is an effect: a small state machine stepped in a figure's own list once per update
// or in the scene's list once per drawn frame. Effects can chain a successor and carry completion
// callbacks, which is how a swap, a match and a special figure's creation become sequences. Script events
// run in the middle of those walks, so the walks survive figures released and effects added under them,
// and a reset asked for by an event is carried out at the start of the next update.

#include <cstdint>
#include <memory>
#include <string>

#include "game/minigames/ShooterParts.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptValue.h"

struct BoardFrame;
struct FigureTemplate;
struct Match3Cell;
struct Match3Figure;
struct ParticleEmitter;
struct SceneElement;
struct ScriptFunction;
struct ScriptStatement;

class HoScenesMatch3 : public HoScene {
public:
    class Effect;
    class EffectMove;
    class EffectShake;
    class EffectImplode;
    class EffectExpand;
    class EffectRemoveFigure;
    class EffectPingPong;
    class EffectChangeFigure;
    class EffectThunderbolt;
    class EffectBomb;
    class EffectTimer;
    class EffectShakeTable;

    // A doubly linked list of effects that owns them. An effect that is finishing while its list is
    // destroyed (its figure released by its own finish) is only unlinked and marked orphaned; whoever
    // runs its finish deletes it afterwards.
    class EffectList {
    public:
        EffectList() = default;
        ~EffectList();
        EffectList(const EffectList &) = delete;
        EffectList &operator=(const EffectList &) = delete;

        Effect *first() const { return first_; }
        Effect *last() const { return last_; }
        int32_t count() const { return count_; }
        bool empty() const { return count_ == 0; }
        void append(Effect *effect);
        void unlink(Effect *effect);
        // Deletes every effect but the ones finishing, which are unlinked and marked orphaned.
        void destroyAll();

    private:
        Effect *first_ = nullptr;
        Effect *last_ = nullptr;
        int32_t count_ = 0;
    };

    // A scene operation run with a figure when an effect finishes.
    using Callback = void (HoScenesMatch3::*)(Match3Figure *figure);

    static constexpr float kDefaultMovingSpeed = 20.0f;
    static constexpr float kDefaultHintTime = 200.0f;
    static constexpr int32_t kMaxBoardSide = 1000;
    static constexpr int32_t kPatternRows = 32;
    static constexpr int32_t kPatternPairs = 7; // six steps and the closing (count, special type)
    static constexpr int32_t kSpareFigures = 4;  // beyond one per cell: the thunderbolt and tutorial figures
    static constexpr int32_t kTopDrawLevel = 3; // the thunderbolt's level, drawn last

    explicit HoScenesMatch3(HoWorld *world);
    ~HoScenesMatch3() override;

    // One world step: the scene's own update, the button edges, the properties while they are not read,
    // the tutorial gating, the input steps when input is not held back, then the board step.
    void update() override;
    // The scene's elements, then the board in its draw levels, then one step of the scene's effects.
    void draw(float alpha, SceneGroup *group = nullptr) override;

    // The natives, bound to the scene's context by name.
    static void nativeReset(void *scene, ScriptStatement *call);
    static void nativeHintPosition(void *scene, ScriptStatement *call);
    static void nativeFieldInputEnable(void *scene, ScriptStatement *call);
    static void nativeSkipTutorial(void *scene, ScriptStatement *call);
    static void nativeChangeFigure(void *scene, ScriptStatement *call);

    // Board geometry and look-ups.
    Match3Cell *cellAt(int32_t column, int32_t row) const;
    // The current "movingSpeed" when it is a number above 0, else 20; the current "hintTime" when it is
    // a finite number, else 200.
    float movingSpeed() const;
    float hintTime() const;
    // The world's running time in milliseconds.
    double worldTime() const;

    // Figures.
    // A free record in use as a figure of the template, in no cell and without pictures; null when the pool
    // is full or the template has no background picture.
    Match3Figure *takeFigure(int32_t templateIndex);
    // The same with the template's pictures, standing at the centre of the cell when there is one.
    Match3Figure *placeFigure(int32_t templateIndex, int32_t column, int32_t row);
    void releaseFigure(Match3Figure *figure);
    void computeScreenPlacement(Match3Figure *figure);
    void drawFigure(Match3Figure *figure, float extraAngle);
    // Takes an emitter from the world's holder; null when there is none.
    ParticleEmitter *acquireEmitter();
    void recycleEmitter(ParticleEmitter *emitter);

    // Effects: appended to the figure's list and started; started; appended to the scene's list.
    void pushFigureEffect(Match3Figure *figure, Effect *effect);
    void startEffect(Effect *effect);
    void pushSceneEffect(Effect *effect);

    // Rules.
    // The first pattern row that the figure would complete standing at the cell; -1 when none.
    int32_t findPattern(const Match3Figure *figure, int32_t column, int32_t row) const;
    void destroyFigure(Match3Figure *figure, bool makeSpecial, int32_t specialType);
    // Completion callbacks.
    void removeMatches(Match3Figure *figure);
    void clearSelectionCallback(Match3Figure *figure);
    void moveEventCallback(Match3Figure *figure);

    // Events: the six numbers of the figure into the declared formals, or none.
    void runFigureEvent(ScriptFunction *event, Match3Figure *figure);
    void runPlainEvent(ScriptFunction *event);

    // The move search: a figure that can complete a pattern by a swap, or null after reshuffling a board
    // that has none.
    Match3Figure *findMove();
    // Every figure of the board shrinks away, and the generators fill the board anew.
    void reshuffle();
    // True when the board is read and nothing on it moves, shakes or has effects.
    bool isAtRest() const;

    // State (see the comments of each group).
    bool propertiesRead = false;
    int32_t cols = 0;
    int32_t rows = 0;
    MinigameSetting movingSpeedSetting{kDefaultMovingSpeed, MinigameSetting::kAboveZero}; // "movingSpeed"
    std::unique_ptr<BoardFrame> boardFrame;
    std::unique_ptr<Match3Cell[]> cells;          // cols x rows, row-major
    std::unique_ptr<Match3Figure[]> figures;      // the pool, cols x rows + 4 records
    int32_t figureCount = 0;
    float cellWidth = 0.0f;
    float cellHeight = 0.0f;
    float cellDiagonal = 0.0f;
    float diagonalRatio = 0.0f;
    std::unique_ptr<FigureTemplate[]> templates;
    int32_t templateCount = 0;

    // Input.
    Match3Figure *pressedFigure = nullptr;
    Match3Figure *selectedFigure = nullptr;
    Match3Figure *secondFigure = nullptr;
    Match3Figure *hoveredFigure = nullptr;
    uint32_t stepCounter = 0; // board updates since the reset
    float pointerX = 0.0f; // board-local
    float pointerY = 0.0f;
    float previousPointerX = 0.0f;
    float previousPointerY = 0.0f;
    float pressX = 0.0f;
    float pressY = 0.0f;
    bool pressed = false;
    bool released = false;
    bool buttonDown = false;
    bool pointerMoved = false;
    // Whether a pointer step has read the pointer since the reset: the hover step works from the last
    // step's pointer, and before the first reading that is the board's corner, not the pointer.
    bool pointerRead = false;
    uint32_t busyUntil = 0;

    // Tutorial.
    Match3Figure *tutorialSteps[3] = {};
    bool tutorialActive = false;
    int32_t tutorialSpawnIndex = 0;

    int8_t patterns[kPatternRows][kPatternPairs][2] = {};
    int32_t patternRowCount = 0;
    int32_t patternLastPair = 0;
    EffectList sceneEffects;
    Match3Figure *thunderboltFigure = nullptr;
    const FigureTemplate *selectionTemplate = nullptr;
    const FigureTemplate *explosionTemplate = nullptr;
    const FigureTemplate *hintSpecialTemplate = nullptr;
    std::unique_ptr<int32_t[]> dropTable;
    int32_t dropTableLength = 0;
    float hintTimer = 0.0f;
    MinigameSetting hintTimeSetting{kDefaultHintTime}; // "hintTime" when it was a number when read
    int32_t destroyedCount = 0;
    EffectShakeTable *runningShake = nullptr;

    // The events, found once by name.
    ScriptFunction *onDroped = nullptr;
    ScriptFunction *onClick = nullptr;
    ScriptFunction *onSelected = nullptr;
    ScriptFunction *onMove = nullptr;
    ScriptFunction *onStartDestroying = nullptr;
    ScriptFunction *onDestroyed = nullptr;
    ScriptFunction *onResetFigures = nullptr;

private:
    void fullReset();
    void bindNatives();
    // Frees the board and everything read with it; the pattern table and the natives stay.
    void freeBoard();
    // "match3_reset": now, or at the start of the next update while the board is being worked.
    void requestReset(const ScriptValue *table);
    void runPendingReset();

    // The properties table (HoScenesMatch3Properties.cpp).
    void readProperties(const ScriptValue *table);
    // Why the last reading failed, so that a message is not repeated while the failure stays the same.
    void reportFailure(const std::string &failure, const char *scriptMessage, bool logged);
    void buildDropTable();
    std::string lastFailure_;

    // The board (HoScenesMatch3Board.cpp).
    void loadPatternTable();
    void buildCells();
    void boardStep();
    void stepCell(Match3Cell &cell);
    // Steps the figure's effects; false when a finish emptied the figure's cell.
    bool stepFigureEffects(Match3Figure *figure);
    bool tryFall(Match3Figure *figure);
    bool isComingFromAbove(const Match3Cell &cell) const;
    void moveFigureToCell(Match3Figure *figure, Match3Cell &target, float speed);
    void refill(Match3Cell &cell);
    int32_t pickDropTemplate();
    void swapWith(int32_t column, int32_t row);
    void drawBoard();
    void stepSceneEffects();
    void chainDestruction(Match3Figure *figure, const FigureTemplate *replacement, int32_t replacementIndex);

    // Input (HoScenesMatch3Input.cpp).
    bool readButton() const;
    void pointerStep();
    // The cell under the pointer, or null.
    Match3Cell *pointerCell() const;
    void hoverStep();
    void pressStep();
    void dragStep();
    void releaseStep();
    void selectFigure(Match3Figure *figure);
    void showSelection(Match3Figure *figure, int32_t drawLevel, bool runEvent);
    void clearSelection();
    static bool isIdle(const Match3Figure *figure);

    // Hints and tutorial (HoScenesMatch3Events.cpp, HoScenesMatch3Tutorial.cpp).
    void hintStep();
    Match3Figure *tutorialHintFigure() const;
    void setUpTutorialStep(int32_t step, int32_t templateIndex);
    void gateTutorialCells();
    void setCellInput(int32_t column, int32_t row, bool enabled);
    void advanceTutorial();
    // The template of the next tutorial spawn, or -1 for a random one.
    int32_t tutorialFeedTemplate();

    // Update and draw are running: a reset asked for now waits for the next update.
    int32_t working_ = 0;
    bool reshuffling_ = false;
    bool resetPending_ = false;
    ScriptValue pendingResetTable_;
};
