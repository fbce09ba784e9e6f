#pragma once
// The scene that plays a bubble shooter: coloured bubbles hang on a hexagonal grid from the top of a
// board element; a gun at the bottom, turned toward the pointer, shoots bubbles that bounce off the
// side walls and stick where they touch; three or more of one kind burst, and bubbles no longer held
// from the top row fall. Every few shots a new row is pushed in at the top: the bottom row's cells are
// recycled there and the shifted rows swap parity.
//
// Everything comes from the scene: the elements "render", "gun", "place_00" and "place_01", the board
// and the burst decoration named by settings, and the templates of "$bubble" (their named values
// "gunshot_disable" and "bomb"). The settings are scene variables held by slot, so a script change acts
// at once. The game sets itself up, quietly, in the first step that finds all it needs, and tells the
// script nothing.
//
// Floods stamp bubbles with the scene's step counter instead of clearing marks, and walk an explicit
// stack in the order a recursion over the neighbours would, so a big field never overflows the stack and
// bubbles burst in the same order.

#include <cstdint>
#include <vector>

#include "game/minigames/ShooterParts.h"
#include "game/minigames/bubbleshooter/FieldBubble.h"
#include "game/scene/HoScene.h"
#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class KGraphic;

class HoSceneBubbleShooter : public HoScene {
public:
    static constexpr int32_t kListGrowStep = 10;
    static constexpr int32_t kFilledRows = 5;
    static constexpr int32_t kMaxGridSide = 1000;

    explicit HoSceneBubbleShooter(HoWorld *world);
    ~HoSceneBubbleShooter() override;

    // One step: the scene's own update, then the set-up until it succeeds, then the aim, the swap on
    // the secondary button, the shot's flight, the falling and bursting bubbles, firing on a click and
    // every bubble's node.
    void update() override;

    // The grid cell at (row, col), or null outside the grid.
    FieldSlot *slotAt(int32_t row, int32_t col) const {
        if (row < 0 || row >= rows || col < 0 || col >= cols)
            return nullptr;
        return slots[row * cols + col];
    }
    // The neighbour of the cell in one of six directions (0 to 5: left, right, up, down, then the two
    // diagonals on the side the row is offset to), or null outside the grid.
    FieldSlot *neighbour(const FieldSlot *cell, int32_t direction) const {
        static constexpr int8_t kRowSteps[6] = {0, 0, -1, 1, -1, 1};
        static constexpr int8_t kColSteps[4] = {-1, 1, 0, 0};
        const int32_t colStep = direction < 4 ? kColSteps[direction] : isOffsetRow(cell->row) ? 1 : -1;
        return slotAt(cell->row + kRowSteps[direction], cell->col + colStep);
    }
    // Whether the row is one of those shifted half a cell to the right.
    bool isOffsetRow(int32_t row) const { return ((row & 1) != 0) == oddRowsShifted; }
    // A new bubble of the kind, cloned from its template.
    FieldBubble *newBubble(int32_t kind);
    // The bubble takes the cell, joins the field and stands at the cell's centre.
    void placeInField(FieldBubble *bubble, FieldSlot *cell);
    // Whether the flying shot at the point sticks (near enough to a stuck bubble, or to one and the top
    // edge): it then stands in the nearest free cell and its kind's group is matched.
    bool stickTest(ScreenPoint point, float boardTop);
    // The free cell nearest the point that may take a bubble, or null.
    FieldSlot *nearestFreeSlot(ScreenPoint point) const;
    // The distance from the point to the nearest stuck bubble, exact up to the reach (beyond it, some
    // distance above the reach).
    float nearestStuckDistance(ScreenPoint point, float reach) const;
    // The board's edges as the board element stands now; false while "#_table" holds no element.
    bool boardEdges(float &left, float &top, float &right, float &bottom) const;

    PtrArray<FieldBubble> fieldBubbles{kListGrowStep};
    PtrArray<FieldBubble> bursting{kListGrowStep};
    PtrArray<FieldBubble> falling{kListGrowStep};
    bool setUp = false;
    SceneRendererHolder render; // the element "render" with its renderer
    int32_t burstingCount = 0;  // bursting bubbles not yet shrunk away; firing waits for 0
    PtrArray<ScriptValue> *templates = nullptr;
    FieldBubble *flyingBubble = nullptr;
    float shotDirX = 0.0f;
    float shotDirY = 0.0f;
    float radius = 1.0f;
    float cellWidth = 2.0f; // the bubble's diameter and the horizontal grid step
    float rowHeight = 0.0f;
    MinigameSetting bulletSpeed{20.0f};      // "#_bullet_speed": unit moves of the shot per step
    MinigameSetting dropSpeed{20.0f};        // "#_drop_speed"
    MinigameSetting destroyingTime{100.0f};  // "#_destroying_time": steps of shrinking
    MinigameSetting stickyCeiling{0.0f};     // "#_sticky_ceiling"
    MinigameSetting newBubblesAfter{5.0f};   // "#_new_bubbles_after": shots per new row
    MinigameSetting table;                   // "#_table": the board element
    MinigameSetting destroyingElement;       // "#_destroying_element": the burst decoration
    SceneElement *gun = nullptr;
    SceneElement *currentPlace = nullptr; // "place_00": the bubble to fire
    SceneElement *nextPlace = nullptr;    // "place_01"
    int32_t currentKind = 0;
    int32_t nextKind = 0;
    PtrArray<FieldSlot> slots{kListGrowStep};
    int32_t cols = 0;
    int32_t rows = 0;
    KGraphic *linePicture = nullptr; // draws the aim line
    ScreenPoint fieldCorners[4];     // top-left, top-right, bottom-right, bottom-left
    ScreenPoint aimPoint;
    ScreenPoint stickPoint;
    bool oddRowsShifted = true;
    float shotsSinceRow = 0.0f;

    // Spaces the starts of bursts; one value for the whole program.
    static int32_t burstPacing;

private:
    struct BoardRect {
        float left, top, width, height;
    };
    // Where the board element's picture stands, by its position, size and scale.
    static BoardRect boardRectOf(const SceneElement &board);
    void init();
    bool trySetUp();
    // The board's corners, the cell sizes and the grid's size; false, with nothing changed, while they
    // make no grid.
    bool measureField(SceneElement *board);
    void buildSlots();
    void fillFirstRows();
    float cellX(int32_t row, int32_t col) const;
    // The kind's template when it is an element with a picture that the gun may load.
    bool isGunKind(int32_t kind) const;
    // How many kinds other than `except` the gun may load.
    int32_t countGunKinds(int32_t except) const;
    // A kind drawn with rand until the gun may load it and it is not `avoid` (unless it is the only such
    // kind); -1 when the gun may load none.
    int32_t drawGunKind(int32_t avoid);
    // A kind drawn with rand for the field, or -1 without templates.
    int32_t drawFieldKind();
    float templateNumber(int32_t kind, const char *internedName) const;

    void aim();
    // Where the line through two points meets the line through two others; false when they are
    // parallel or the result is not finite.
    static bool intersect(ScreenPoint a1, ScreenPoint a2, ScreenPoint b1, ScreenPoint b2, ScreenPoint &at);
    void swap();
    void reload();
    void showKinds();

    void fire();
    void fly();
    void loseShot();
    void newRowTest();
    static void takeSlot(FieldBubble *bubble, FieldSlot *cell);
    static void freeSlot(FieldBubble *bubble);
    void matchFrom(FieldBubble *shot);
    void drop();
    void bombCheck(FieldBubble *shot);
    void stepFalling();
    void stepBursting();
    void addRow();
    void updateNodes();

    // Visits every bubble reachable from the start through neighbours that `accept` takes and that are
    // not stamped in this step, stamping each, in the order of a depth-first recursion.
    template <typename Accept, typename Visit>
    void flood(FieldSlot *start, Accept accept, Visit visit);
    bool isStamped(const FieldBubble *bubble) const { return bubble->visitStamp == frameCounter; }
    float visibleDesignWidth() const;
    struct CellBlock {
        int32_t firstRow, lastRow, firstCol, lastCol;
    };
    // The rows and columns that hold every cell within the reach of the point.
    CellBlock cellsNear(ScreenPoint point, float reach) const;

    struct FloodFrame {
        FieldSlot *cell;
        int32_t nextDirection;
    };
    std::vector<FloodFrame> floodStack_;
    const char *gunshotDisableName_ = nullptr; // interned
    const char *bombName_ = nullptr;
    bool sizeRefusalLogged_ = false;
};
