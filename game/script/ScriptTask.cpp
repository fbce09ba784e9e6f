#include "game/script/ScriptTask.h"

#include "game/script/ScriptContext.h"
#include "game/script/ScriptKeywords.h"

ScriptValue *ScriptTask::findProperty(ScriptTask *task, const char *internedName) {
    if (internedName == kwElement)
        return &task->elementValue;
    if (internedName == kwName)
        return &task->nameValue;
    if (internedName == kwIsCompleted)
        return &task->isCompleted;
    if (internedName == kwScene)
        return task->context ? &task->context->sceneValue : nullptr;
    return nullptr;
}
