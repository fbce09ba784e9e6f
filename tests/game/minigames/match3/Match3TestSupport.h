#pragma once
// Match-three boards for the suites: a board scene in the script suites' running world, its properties
// table, kinds and start layout written as the scene's script by the test, figures whose pictures are
// scene images, steps of the world (the script passes, then the board's update), and the player's hand
// by pointer synthesis. Kinds are letters of the layouts; every random pick comes from crtSrand(1).

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/window/KInput.h"
#include "game/HoGameSettings.h"
#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/HoSceneImage.h"
#include "tests/game/script/ScriptRuntimeSupport.h"
#include "tests/support/PngTestSupport.h"

namespace match3test {

// A kind of the test boards: its letter in layouts, colour, type bits and drop chance.
struct Kind {
    char letter;
    int32_t colour;
    int32_t type;
    int32_t dropChance;
};

// Five colours that drop, their specials and the other kinds, then the effect pictures.
inline const std::vector<Kind> &kinds() {
    static const std::vector<Kind> list = {
        {'R', 0, 0, 10},   {'G', 1, 0, 10},  {'B', 2, 0, 10},   {'Y', 3, 0, 10},    {'P', 4, 0, 10},
        {'S', 0, 16, 0},   {'X', 0, 32, 0},  {'T', 0, 64, 0},   {'A', 0, 2, 0},     {'F', 8, 1, 0},
        {'O', 7, 4, 0},    {'N', 0, 256, 0}, {'s', 20, 0, 0},   {'e', 21, 0, 0},    {'h', 22, 0, 0},
        {'b', 23, 0, 0},   {'g', 1, 16, 0},  {'t', 24, 0, 0},
    };
    return list;
}
inline int32_t kindIndex(char letter) {
    for (size_t i = 0; i < kinds().size(); ++i) {
        if (kinds()[i].letter == letter)
            return int32_t(i);
    }
    return -1;
}

// A board: its layout (rows of kind letters, '.' for none), the kinds of its cells (rows of '.', 'g'
// generator, '#' wall, 'n' no swap; none for plain cells) and further lines of the properties table, in
// which "{s}" stands for the suffix of the build's table names (&kind0{s}).
struct BoardPlan {
    std::vector<std::string> figures;
    std::vector<std::string> cells;
    std::vector<std::string> extra;
    float cellSize = 100.0f;
    float boardX = -1.0f; // the board element's centre; its size's half by default
    float boardY = -1.0f;
    bool withEvents = true;
};

// The properties table and the event functions of a board, as its scene's script. The tables' names end
// in the suffix, so that a board built again has tables of its own.
inline std::string boardScript(const BoardPlan &plan, const std::string &suffix = "") {
    std::string text;
    if (plan.withEvents) {
        for (const char *event : {"onDroped", "onClick", "onSelected", "onStartDestroying", "onDestroyed"}) {
            text += std::string("fun ") + event + " %t %i %x %y %c %r {\n  print " + event + " %t %i %x %y %c %r\n}\n";
        }
        text += "fun onMove {\n  print onMove\n}\nfun onResetFigures {\n  print onResetFigures\n}\n";
    }
    const size_t rows = plan.figures.size(), cols = rows ? plan.figures[0].size() : 0;
    const std::string props = "&props" + suffix;
    text += "init {\n  set #mg_match3Properties " + props + "\n  set " + props + ".table $board\n";
    text += "  set " + props + ".cols " + std::to_string(cols) + "\n  set " + props + ".rows " + std::to_string(rows) + "\n";
    for (size_t k = 0; k < kinds().size(); ++k) {
        const std::string kind = "&kind" + std::to_string(k) + suffix;
        text += "  set " + props + ".figures[" + std::to_string(k) + "] " + kind + "\n";
        text += "  set " + kind + ".background $pic" + std::to_string(k) + "\n  set " + kind + ".foreground 0\n";
        text += "  set " + kind + ".color " + std::to_string(kinds()[k].colour) + "\n";
        text += "  set " + kind + ".type " + std::to_string(kinds()[k].type) + "\n";
        text += "  set " + kind + ".drop_chance " + std::to_string(kinds()[k].dropChance) + "\n";
    }
    std::map<std::string, bool> made;
    for (size_t row = 0; row < rows; ++row) {
        for (size_t column = 0; column < cols; ++column) {
            const int32_t figure = kindIndex(plan.figures[row][column]);
            const char cellKind = row < plan.cells.size() ? plan.cells[row][column] : '.';
            const int32_t type = cellKind == 'g' ? 1 : cellKind == '#' ? 2 : cellKind == 'n' ? 4 : 0;
            const std::string field = "&field_" + std::to_string(figure + 1) + "_" + std::to_string(type) + suffix;
            if (!made[field]) {
                made[field] = true;
                text += "  set " + field + ".figure " + std::to_string(figure) + "\n  set " + field + ".bottom 0\n";
                text += "  set " + field + ".top 0\n  set " + field + ".type " + std::to_string(type) + "\n";
            }
            text += "  set " + props + ".fields[" + std::to_string(row * cols + column) + "] " + field + "\n";
        }
    }
    for (std::string line : plan.extra) {
        for (size_t at = line.find("{s}"); at != std::string::npos; at = line.find("{s}"))
            line.replace(at, 3, suffix);
        text += "  " + line + "\n";
    }
    text += "  set " + props + ".created 1\n}\n";
    return text;
}

using lftest::writePng;

inline int countOf(const std::vector<std::string> &trace, const std::string &prefix) {
    int count = 0;
    for (const std::string &line : trace)
        count += line.rfind(prefix, 0) == 0;
    return count;
}

// An event line of the trace: its name and its six numbers (type, kind, screen x and y, column, row).
struct FigureEvent {
    std::string name;
    float values[6] = {};
};
inline std::vector<FigureEvent> eventsOf(const std::vector<std::string> &trace, const std::string &name) {
    std::vector<FigureEvent> events;
    for (const std::string &line : trace) {
        FigureEvent event;
        char word[64] = {};
        float *v = event.values;
        if (std::sscanf(line.c_str(), "%63s %f %f %f %f %f %f", word, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) >= 1 &&
            name == word) {
            event.name = word;
            events.push_back(event);
        }
    }
    return events;
}
// True when the trace holds the event for a figure of that type and kind in that cell.
inline bool hasFigureEvent(const std::vector<std::string> &trace, const std::string &name, int type, int kind,
                           int column, int row) {
    for (const FigureEvent &event : eventsOf(trace, name)) {
        if (event.values[0] == float(type) && event.values[1] == float(kind) && event.values[4] == float(column) &&
            event.values[5] == float(row))
            return true;
    }
    return false;
}

class Match3Test : public ScriptRuntimeTest {
protected:
    Match3Test() : savedScreen_(screenValues) {
        crtSrand(1);
        pointerSynthesisActive = true;
        synthesizedPointerDown = false;
        screenValues = ScreenValues();
        world.pointerX = world.pointerY = -1000.0f; // off the board until a test points
        board = new HoScenesMatch3(&world);
        board->setNames(names.internOrFind("alt_ho_match3"), names.internOrFind("hall_alt_ho_match3"));
        world.scenes.append(board);
        boardElement = addElement(board, "board");
        for (size_t k = 0; k < kinds().size(); ++k) {
            SceneElement *picture = addElement(board, ("pic" + std::to_string(k)).c_str());
            HoSceneImage *image = world.renderPools.newSceneImage();
            image->load(("data/pictures/kind" + std::to_string(k) + ".png").c_str());
            picture->renderable = image;
            picture->baseWidth = picture->baseHeight = 100.0f;
            picture->sx.setNumber(1.0f);
            picture->sy.setNumber(1.0f);
            pictures.push_back(picture);
        }
    }
    ~Match3Test() override {
        pointerSynthesisActive = false;
        synthesizedPointerDown = false;
        screenValues = savedScreen_;
    }

    // Sizes the board element and the pictures to the plan, then runs the scene's script.
    void build(const BoardPlan &plan, const std::string &moreScript = "") {
        const float cols = float(plan.figures.empty() ? 0 : plan.figures[0].size());
        const float rows = float(plan.figures.size());
        cellSize = plan.cellSize;
        boardElement->baseWidth = cols * cellSize;
        boardElement->baseHeight = rows * cellSize;
        boardElement->x.setNumber(plan.boardX >= 0.0f ? plan.boardX : cols * cellSize * 0.5f);
        boardElement->y.setNumber(plan.boardY >= 0.0f ? plan.boardY : rows * cellSize * 0.5f);
        boardElement->sx.setNumber(1.0f);
        boardElement->sy.setNumber(1.0f);
        boardElement->angle.setNumber(0.0f);
        for (SceneElement *picture : pictures)
            picture->baseWidth = picture->baseHeight = cellSize;
        BoardPlan written = plan;
        written.withEvents = plan.withEvents && !eventsDeclared_;
        eventsDeclared_ = eventsDeclared_ || written.withEvents;
        loadText(board, boardScript(written, builds_ ? "_" + std::to_string(builds_) : "") + moreScript);
        ++builds_;
        declareSceneScripts(board);
        runSceneInitBlocks(board);
    }

    // One world step and its frame: the clock, the poll of the player's hand, the script passes, the
    // board's update, the scene's draw, the latches consumed.
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            world.runningTime += 10.0;
            context.input.pollKeys();
            step();
            board->update();
            board->draw(1.0f);
            context.input.roll();
        }
    }

    Match3Cell *cell(int column, int row) const { return board->cellAt(column, row); }
    Match3Figure *figureAt(int column, int row) const {
        Match3Cell *at = cell(column, row);
        return at && at->occupied ? at->figure : nullptr;
    }
    // The kind letters of the board, row by row, '.' for an empty cell.
    std::vector<std::string> layout() const {
        std::vector<std::string> rows;
        for (int row = 0; row < board->rows; ++row) {
            std::string line;
            for (int column = 0; column < board->cols; ++column) {
                const Match3Figure *figure = figureAt(column, row);
                line += figure ? kinds()[size_t(figure->templateIndex)].letter : '.';
            }
            rows.push_back(line);
        }
        return rows;
    }
    // Steps until the board rests (at most the limit); the steps taken.
    int settle(int limit = 2000) {
        int steps = 0;
        while (steps < limit && !(steps > 1 && board->isAtRest())) {
            tick();
            ++steps;
        }
        return steps;
    }

    // The pointer over a cell's centre, in design units.
    void pointAt(int column, int row) {
        const BoardFrame &frame = *board->boardFrame;
        world.pointerX = frame.left + (float(column) + 0.5f) * cellSize;
        world.pointerY = frame.top + (float(row) + 0.5f) * cellSize;
    }
    void buttonDown(bool down) { synthesizedPointerDown = down; }
    // Press on one cell, move to another and let go, a step each.
    void dragSwap(int fromColumn, int fromRow, int toColumn, int toRow) {
        pointAt(fromColumn, fromRow);
        buttonDown(true);
        tick();
        pointAt(toColumn, toRow);
        tick();
        buttonDown(false);
        tick();
    }
    void click(int column, int row) {
        pointAt(column, row);
        buttonDown(true);
        tick();
        buttonDown(false);
        tick();
    }
    // A named value of the scene's properties table, made when missing.
    ScriptValue *property(const char *name) {
        return resolveValue(&board->script, propertyReference(name), true);
    }
    // Runs one line of script in the board's context, as its own init block.
    void run(const std::string &line) {
        ScriptBlock *top = world.scriptPools.newBlock(false);
        parser.parseScriptText(("init {\n" + line + "\n}\n").c_str(), top, "inline line", false);
        ScriptBlock *saved = board->script.scripts;
        board->script.scripts = top;
        declareSceneScripts(board);
        runSceneInitBlocks(board);
        board->script.scripts = saved;
    }

    HoScenesMatch3 *board = nullptr;
    SceneElement *boardElement = nullptr;
    std::vector<SceneElement *> pictures; // by kind
    float cellSize = 100.0f;

private:
    ScriptValue *propertyReference(const char *name) {
        static ScriptValue reference;
        resolveParameter(&board->script, 'v', (std::string("#mg_match3Properties.") + name).c_str(), &reference);
        return &reference;
    }
    ScreenValues savedScreen_;
    bool eventsDeclared_ = false;
    int builds_ = 0;
};

} // namespace match3test
