// The sounds that scene scripts name: held with the scene's pictures, and picked among their variants.

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptResolve.h"
#include "game/world/HoWorld.h"

namespace {

HoSound *soundOf(const ScriptValue &value) {
    auto *resource = value.type == kScriptSound ? static_cast<HoResource *>(value.pointer) : nullptr;
    return resource && resource->type == kResourceSound ? static_cast<HoSound *>(resource) : nullptr;
}

// Every sound parameter of the statements and of the blocks in them, one use each.
void changeSoundUses(HoResourceManager *manager, ScriptBlock *statements, bool acquire) {
    for (int32_t i = 0; statements && i < statements->statements.count(); ++i) {
        ScriptStatement *statement = statements->statements[i];
        for (int32_t p = 0; p < statement->paramCount(); ++p) {
            const ScriptValue &value = statement->params[p];
            if (value.type == kScriptBlock)
                changeSoundUses(manager, static_cast<ScriptBlock *>(value.pointer), acquire);
            else if (HoSound *sound = soundOf(value))
                acquire ? sound->acquire(manager) : sound->release(manager);
        }
    }
}

HoResourceManager *resourcesOf(ScriptContext *context) {
    return context->world->context->resources;
}

} // namespace

void acquireSceneScriptResources(ScriptContext *context, ScriptBlock *statements) {
    changeSoundUses(resourcesOf(context), statements, true);
}

void releaseSceneScriptResources(ScriptContext *context, ScriptBlock *statements) {
    changeSoundUses(resourcesOf(context), statements, false);
}

HoSound *namedSoundParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    ScriptValue *value = getStatementParam(context, statement, i);
    return value ? soundOf(*value) : nullptr;
}

HoSound *pickSoundVariant(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    return pickVariant(namedSoundParam(context, statement, i));
}

HoSound *pickVariant(HoSound *sound) {
    if (!sound || sound->variants.empty())
        return sound;
    int32_t count = sound->variants.count();
    int32_t pick = 0;
    // Drawn again until it differs from the last pick; with one variant there is nothing to draw.
    if (count > 1) {
        do
            pick = randomInt(count - 1, 0);
        while (pick == sound->lastVariant);
    }
    sound->lastVariant = pick;
    return sound->variants[pick];
}
