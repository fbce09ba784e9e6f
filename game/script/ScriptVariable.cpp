#include "game/script/ScriptVariable.h"

#include "game/player/SaveStream.h"

namespace {

constexpr int32_t kFirstSavedVersion = 10;

} // namespace

bool serializeVariableValue(SaveStream &stream, ScriptVariable *variable) {
    if (!stream.hasField(kFirstSavedVersion))
        return true;
    return variable && variable->value && stream.serializeValue(*variable->value);
}
