#pragma once
// One player profile as the engine keeps it: references to the nine variables through which the
// scripts see the profile (its name, play times, difficulties and progress flags, variables of the
// "game" scene), and 81 values of its own that mirror the scripts' achievement arrays (40 unlocked,
// 40 unread, and the unread counter). The world holds eleven: slot 0 belongs to no profile, slots 1 to
// 10 are the player's. Each keeps its context, through which it interns the texts it writes.

#include <cstdint>

#include "game/script/ScriptValue.h"

class HoContext;
class SaveStream;
struct ScriptVariable;

inline constexpr int32_t kProfileSlotCount = 10;
inline constexpr int32_t kProfileRecordCount = kProfileSlotCount + 1;

// Slots 1 to 10 are the player's profiles.
inline bool isPlayerSlot(int32_t slot) {
    return slot >= 1 && slot <= kProfileSlotCount;
}

class ProfileRecord {
public:
    // The bound variables, in the record's order.
    enum Variable : int32_t {
        kName,
        kTimePlayed,
        kTimePlayedVelt,
        kDifficulty,
        kDifficultyVelt,
        kStandardUnlocked,
        kVeltUnlocked,
        kGameCompleted,
        kVeltGameCompleted,
        kVariableCount,
    };
    static constexpr int32_t kAchievementCount = 40;
    static constexpr int32_t kUnreadOffset = kAchievementCount;
    static constexpr int32_t kCounterIndex = 2 * kAchievementCount;
    static constexpr int32_t kValueCount = kCounterIndex + 1;

    // No context, no variable bound, every value none.
    ProfileRecord() = default;

    // The bound variables as a new profile has them: no name, both difficulties 1, the rest 0. The
    // record's own values are kept.
    void reset();
    // Takes the other record's profile: its name as a text (the empty text when it has none), and its
    // numbers for the eight other variables and the 81 values (0 where it holds no number).
    void copyFrom(const ProfileRecord &other);
    // Takes the other record's profile as a slot that moves down the list: the name as a text or none,
    // the numbers as copyFrom takes them.
    void moveFrom(const ProfileRecord &other);
    // The record in the profile list, in either direction, each field from the version that added it
    // (nothing before 10). Read values go into the bound variables (numbers, the name a text); a
    // variable that is not bound is written as 0 and ignores what is read.
    bool serialize(SaveStream &stream);

    // The name the variable holds; null when it holds no text or the empty one.
    const char *name() const;
    // The bound variable's slot, or null.
    ScriptValue *slot(Variable variable) const;

    HoContext *context = nullptr;
    ScriptVariable *variables[kVariableCount] = {};
    ScriptValue values[kValueCount];

private:
    void copyNumbersFrom(const ProfileRecord &other);
    bool serializeNumber(SaveStream &stream, Variable variable);
    bool serializeName(SaveStream &stream);
};
