#include "game/script/ScriptTask.h"

#include "game/player/SaveStream.h"
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

namespace {

constexpr int32_t kFirstSavedVersion = 10;
constexpr int32_t kCompletionSavedVersion = 18;
// The least a sub-task pair takes in a file: an element as two absent names, and a state.
constexpr uint32_t kSubTaskPairBytes = 3 * 5;

bool isTaskState(int32_t state) {
    return state >= kTaskReferenced && state <= kTaskCompletionHandled;
}

// A state as its block of four bytes; one read back must be a state.
bool serializeState(SaveStream &stream, int32_t &state) {
    return stream.serializeInt(state) && (stream.writing || isTaskState(state));
}

ScriptTask *subTaskOf(const ScriptTask *task, const SceneElement *element) {
    for (int32_t i = 0; element && i < task->subTasks.count(); ++i) {
        if (task->subTasks[i] && task->subTasks[i]->element == element)
            return task->subTasks[i];
    }
    return nullptr;
}

// A state read back for a task or one of its sub-tasks. An action saved while its own handler ran (a
// handler that saves the game) is armed again, as it would have been when the handler ended; left running
// it would never answer a click again.
int32_t stateAsRead(const ScriptTask *task, int32_t state) {
    return !task->isTask && state == kTaskHandlerRunning ? int32_t(kTaskEnabled) : state;
}

bool serializeSubTasks(SaveStream &stream, ScriptTask *task) {
    int32_t count = task->subTasks.count();
    if (!stream.serializeInt(count) || !stream.countFits(count, kSubTaskPairBytes))
        return false;
    for (int32_t i = 0; i < count; ++i) {
        // Reading starts from the sub-task in the same place: a pair that names its element keeps it
        // without a look-up.
        ScriptTask *subTask = i < task->subTasks.count() ? task->subTasks[i] : nullptr;
        SceneElement *element = subTask ? subTask->element : nullptr;
        int32_t state = subTask ? subTask->state : 0;
        if (!stream.serializeFields(element) || !serializeState(stream, state))
            return false;
        if (ScriptTask *matched = stream.reading ? subTaskOf(task, element) : nullptr)
            matched->state = stateAsRead(task, state);
    }
    return true;
}

} // namespace

bool serializeTask(SaveStream &stream, ScriptTask *task) {
    if (!stream.hasField(kFirstSavedVersion))
        return true;
    int32_t state = task->state;
    if (!serializeState(stream, state))
        return false;
    if (stream.reading)
        task->state = stateAsRead(task, state);
    if (stream.hasField(kCompletionSavedVersion) && !stream.serializeValue(task->isCompleted))
        return false;
    return serializeSubTasks(stream, task);
}
