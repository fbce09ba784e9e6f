// Reading the board's properties table, "#mg_match3Properties": a function value whose named fields the
// scene's script fills, read once "created" is 1. A table that is not complete yet is read again at the
// next update; a reading that fails frees what it built, and its message is given once while the
// failure stays the same.

#include <cstdio>
#include <string>

#include "engine/system/KSystem.h"
#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptVariable.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

namespace {

// The table a value holds, or null.
const ScriptFunction *tableOf(const ScriptValue *value) {
    return value && value->type == kScriptFunction ? static_cast<const ScriptFunction *>(value->pointer) : nullptr;
}

const ScriptValue *numberOf(const ScriptValue *value) {
    return value && value->type == kScriptNumber ? value : nullptr;
}

// A template index named by a number within 0 .. count - 1, else -1.
int32_t templateIndexOf(const ScriptValue *value, int32_t count) {
    const ScriptValue *number = numberOf(value);
    return number && number->number >= 0.0f && number->number < float(count) ? truncToInt(number->number) : -1;
}

// A table's fields are its named values, found by their interned names.
class PropertyTable {
public:
    PropertyTable(HoWorld *world, const ScriptFunction *table) : world_(world), table_(table) {}

    const ScriptValue *field(const char *key) const {
        const char *name = world_->names().findInterned(key);
        for (int32_t i = 0; name && i < table_->namedValues.count(); ++i) {
            if (table_->namedValues[i]->name == name)
                return &table_->namedValues[i]->value;
        }
        return nullptr;
    }
    bool hasFields(std::initializer_list<const char *> keys) const {
        for (const char *key : keys) {
            if (!field(key))
                return false;
        }
        return true;
    }
    // A field's number cut to a whole number; 0 when it holds anything else.
    int32_t wholeNumber(const char *key) const {
        const ScriptValue *number = numberOf(field(key));
        return number ? truncToInt(number->number) : 0;
    }

private:
    HoWorld *world_;
    const ScriptFunction *table_;
};

} // namespace

void HoScenesMatch3::reportFailure(const std::string &failure, const char *scriptMessage, bool logged) {
    freeBoard();
    if (failure == lastFailure_)
        return;
    lastFailure_ = failure;
    if (scriptMessage)
        reportScriptError(world->messages(), 0, nullptr, scriptMessage);
    if (logged)
        logMessage("Game: %s, ERROR", failure.c_str());
}

void HoScenesMatch3::readProperties(const ScriptValue *given) {
    const ScriptValue *value = given;
    if (!value) {
        ScriptVariable *variable = findOrCreateVariable(&script, "#mg_match3Properties", nullptr);
        value = variable ? variable->value : nullptr;
    }
    const ScriptFunction *tableFunction = tableOf(value);
    if (!tableFunction)
        return;
    const PropertyTable table(world, tableFunction);
    const ScriptValue *created = numberOf(table.field("created"));
    if (!created || created->number != 1.0f)
        return;

    const ScriptValue *boardValue = table.field("table");
    if (!boardValue || boardValue->type != kScriptElement || !boardValue->pointer) {
        reportFailure("table", "#mg_match3Properties.table je nepostojeci element", false);
        return;
    }
    const int32_t newCols = table.field("cols") ? table.wholeNumber("cols") : 10;
    const int32_t newRows = table.field("rows") ? table.wholeNumber("rows") : 10;
    if (newCols < 1 || newCols > kMaxBoardSide || newRows < 1 || newRows > kMaxBoardSide) {
        reportFailure("match-three board " + std::to_string(newCols) + " x " + std::to_string(newRows) +
                          " refused in scene " + (identifier ? identifier : ""),
                      nullptr, true);
        return;
    }
    freeBoard();
    boardFrame = std::make_unique<BoardFrame>(static_cast<SceneElement *>(boardValue->pointer));
    cols = newCols;
    rows = newRows;
    hintTimeSetting.bindSlot(numberOf(table.field("hintTime")));
    movingSpeedSetting.bindSlot(table.field("movingSpeed"));
    buildCells();
    figureCount = int32_t(int64_t(cols) * rows + kSpareFigures);
    figures = std::make_unique<Match3Figure[]>(size_t(figureCount));

    if (const PtrArray<ScriptValue> *kinds = arrayIn(table.field("figures"))) {
        templateCount = kinds->count();
        templates = std::make_unique<FigureTemplate[]>(size_t(templateCount));
        for (int32_t i = 0; i < templateCount; ++i) {
            const ScriptFunction *kindTable = tableOf(kinds->get(i));
            if (!kindTable)
                continue;
            const PropertyTable kind(world, kindTable);
            if (!kind.hasFields({"background", "foreground", "color", "type", "drop_chance"})) {
                char message[80];
                std::snprintf(message, sizeof message, "#mg_match3Properties.figures[%d] je neispravno", i);
                reportFailure(message, message, false);
                return;
            }
            FigureTemplate &figureTemplate = templates[i];
            figureTemplate.background = pictureElementIn(kind.field("background"));
            figureTemplate.foreground = pictureElementIn(kind.field("foreground"));
            figureTemplate.colour = kind.wholeNumber("color");
            figureTemplate.type = kind.wholeNumber("type");
            figureTemplate.dropChance = int8_t(uint8_t(kind.wholeNumber("drop_chance")));
        }
    }

    if (const PtrArray<ScriptValue> *fields = arrayIn(table.field("fields"))) {
        if (int64_t(fields->count()) != int64_t(cols) * rows) {
            reportFailure("fields", nullptr, false);
            return;
        }
        for (int32_t i = 0; i < fields->count(); ++i) {
            const ScriptFunction *fieldTable = tableOf(fields->get(i));
            if (!fieldTable)
                continue;
            const PropertyTable field(world, fieldTable);
            if (!field.hasFields({"figure", "bottom", "top", "type"}))
                continue;
            const int32_t column = i % cols, row = i / cols;
            const ScriptValue *figure = numberOf(field.field("figure"));
            if (figure && figure->number > -1.0f && figure->number < float(templateCount))
                placeFigure(truncToInt(figure->number), column, row);
            if (numberOf(field.field("type")))
                cellAt(column, row)->type = field.wholeNumber("type");
        }
    }

    const int32_t thunderbolt = templateIndexOf(table.field("effectThunderbolt"), templateCount);
    if (thunderbolt >= 0 && (thunderboltFigure = takeFigure(thunderbolt))) {
        thunderboltFigure->drawLevel = kTopDrawLevel;
        thunderboltFigure->picture.setFromTemplate(this, templates[thunderbolt], FigureLayer::kBackground);
        thunderboltFigure->picture.active = false;
    }
    const FigureTemplate **named[] = {&selectionTemplate, &explosionTemplate, &hintSpecialTemplate};
    const char *namedKeys[] = {"effectSelection", "effectExplosion", "hintSpecial"};
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t index = templateIndexOf(table.field(namedKeys[i]), templateCount);
        *named[i] = index >= 0 ? &templates[index] : nullptr;
    }
    const char *tutorialKeys[] = {"tutorial1", "tutorial2", "tutorial3"};
    for (int32_t step = 0; step < 3; ++step)
        setUpTutorialStep(step, templateIndexOf(table.field(tutorialKeys[step]), templateCount));
    buildDropTable();
    propertiesRead = true;
    lastFailure_.clear();
}

void HoScenesMatch3::buildDropTable() {
    int64_t length = 0;
    for (int32_t i = 0; i < templateCount; ++i)
        length += templates[i].dropChance > 0 ? templates[i].dropChance : 0;
    dropTableLength = int32_t(length);
    dropTable = std::make_unique<int32_t[]>(size_t(length));
    int32_t at = 0;
    for (int32_t i = 0; i < templateCount; ++i) {
        for (int32_t n = 0; n < templates[i].dropChance; ++n)
            dropTable[size_t(at++)] = i;
    }
}
