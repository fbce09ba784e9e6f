#include "game/player/ProfileRecord.h"

#include "game/HoContext.h"
#include "game/player/SaveStream.h"
#include "game/script/ScriptVariable.h"

namespace {

// The version that added each field of the record, in the file's order.
struct ProfileField {
    ProfileRecord::Variable variable;
    int32_t gate;
};

constexpr int32_t kFirstGate = 10;
constexpr int32_t kAchievementsGate = 20;
constexpr int32_t kCounterGate = 27;
constexpr int32_t kUnreadGate = 28;

const ProfileField kNumberFields[] = {
    {ProfileRecord::kTimePlayed, 10},       {ProfileRecord::kDifficulty, 10},
    {ProfileRecord::kTimePlayedVelt, 22},   {ProfileRecord::kDifficultyVelt, 22},
    {ProfileRecord::kStandardUnlocked, 19}, {ProfileRecord::kVeltUnlocked, 21},
    {ProfileRecord::kGameCompleted, 19},    {ProfileRecord::kVeltGameCompleted, 22},
};

float numberIn(const ScriptValue *value) {
    return value ? value->asNumber() : 0.0f;
}

} // namespace

ScriptValue *ProfileRecord::slot(Variable variable) const {
    ScriptVariable *bound = variables[variable];
    return bound ? bound->value : nullptr;
}

const char *ProfileRecord::name() const {
    const ScriptValue *value = slot(kName);
    if (!value || value->type != kScriptText || !value->text() || value->text()[0] == '\0')
        return nullptr;
    return value->text();
}

void ProfileRecord::reset() {
    for (int32_t i = 0; i < kVariableCount; ++i) {
        ScriptValue *value = slot(Variable(i));
        if (!value)
            continue;
        if (i == kName)
            value->clear();
        else
            value->setNumber(i == kDifficulty || i == kDifficultyVelt ? 1.0f : 0.0f);
    }
}

void ProfileRecord::copyNumbersFrom(const ProfileRecord &other) {
    for (int32_t i = kName + 1; i < kVariableCount; ++i) {
        if (ScriptValue *value = slot(Variable(i)))
            value->setNumber(numberIn(other.slot(Variable(i))));
    }
    for (int32_t i = 0; i < kValueCount; ++i)
        values[i].setNumber(other.values[i].asNumber());
}

void ProfileRecord::copyFrom(const ProfileRecord &other) {
    if (ScriptValue *value = slot(kName)) {
        const ScriptValue *source = other.slot(kName);
        const char *text = source && source->type == kScriptText && source->text() ? source->text() : "";
        value->setPointer(kScriptText, context ? context->interned.internOrFind(text) : nullptr);
        if (!value->text())
            value->clear();
    }
    copyNumbersFrom(other);
}

void ProfileRecord::moveFrom(const ProfileRecord &other) {
    if (ScriptValue *value = slot(kName)) {
        const ScriptValue *source = other.slot(kName);
        if (source && source->type == kScriptText && source->text())
            value->setPointer(kScriptText, source->text());
        else
            value->clear();
    }
    copyNumbersFrom(other);
}

bool ProfileRecord::serializeName(SaveStream &stream) {
    ScriptValue *value = slot(kName);
    const char *text = value && value->type == kScriptText ? value->text() : nullptr;
    if (!stream.serializeString(text))
        return false;
    if (stream.reading && value) {
        if (text)
            value->setPointer(kScriptText, text);
        else
            value->clear();
    }
    return true;
}

bool ProfileRecord::serializeNumber(SaveStream &stream, Variable variable) {
    ScriptValue *value = slot(variable);
    float number = numberIn(value);
    if (!stream.serializeFloat(number))
        return false;
    if (stream.reading && value)
        value->setNumber(number);
    return true;
}

bool ProfileRecord::serialize(SaveStream &stream) {
    if (!stream.hasField(kFirstGate))
        return true;
    if (!serializeName(stream))
        return false;
    for (const ProfileField &field : kNumberFields) {
        if (stream.hasField(field.gate) && !serializeNumber(stream, field.variable))
            return false;
    }
    auto serializeValues = [&](int32_t first, int32_t count, int32_t gate) {
        for (int32_t i = first; stream.hasField(gate) && i < first + count; ++i) {
            if (!stream.serializeValue(values[i]))
                return false;
        }
        return true;
    };
    return serializeValues(0, kAchievementCount, kAchievementsGate) &&
           serializeValues(kUnreadOffset, kAchievementCount, kUnreadGate) &&
           serializeValues(kCounterIndex, 1, kCounterGate);
}
