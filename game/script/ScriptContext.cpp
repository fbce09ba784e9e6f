#include "game/script/ScriptContext.h"

#include <cctype>
#include <cstring>
#include <string>

#include "game/script/PendingBlock.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/NumberedName.h"
#include "game/world/HoWorld.h"

namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The first record of the list whose name is the interned pointer; null for none or a null name.
template <typename Record>
Record *firstNamed(const PtrArray<Record> &list, const char *internedName) {
    for (int32_t i = 0; internedName && i < list.count(); ++i) {
        if (list[i]->name == internedName)
            return list[i];
    }
    return nullptr;
}

// The record of the interned name in the list; else a new record from the pool, given its context,
// name and own value and then set up by the caller's initialiser, appended to the list. A null name
// always makes a new record.
template <typename Record, typename Initialiser>
Record *findOrCreateRecord(PtrArray<Record> &list, HoObjectPool<Record> &pool, ScriptContext *context,
                           const char *internedName, int32_t valueType, Initialiser initialise) {
    if (Record *found = firstNamed(list, internedName))
        return found;
    Record *record = pool.allocate();
    record->context = context;
    record->name = internedName;
    record->nameValue.setPointer(kScriptText, internedName);
    record->value.setPointer(valueType, record);
    initialise(record);
    list.append(record);
    return record;
}

// The record of the list whose name is the text, found without interning it; null when none.
template <typename Record>
Record *findNamedRecord(const PtrArray<Record> &list, const ScriptContext *context, const char *name) {
    return firstNamed(list, context && name ? context->world->names().findInterned(name) : nullptr);
}

// The list that a variable of the name lives in: the current local block's for '%' names (null when
// there is none), else the context's.
PtrArray<ScriptVariable> *variableListFor(ScriptContext *context, const char *name) {
    if (name[0] != '%')
        return &context->variables;
    ScriptBlock *local = context->world->currentLocalBlock;
    return local ? local->locals : nullptr;
}

// The variable of the interned name in the list: the context's own through its index, a block's locals
// (a short list) by a scan.
ScriptVariable *findInList(ScriptContext *context, PtrArray<ScriptVariable> &list, const char *interned) {
    if (&list == &context->variables)
        return context->variableIndex.find(list, interned);
    return firstNamed(list, interned);
}

// door_07 is also entry 7 of the array door: the base is made an array when it holds none.
void addToBaseArray(ScriptContext *context, const char *name, ScriptValue *slot) {
    int32_t index = numberedSuffix(name);
    if (index < 0)
        return;
    std::string base(name, std::strlen(name) - 3);
    ScriptVariable *array = findOrCreateVariable(context, base.c_str(), nullptr);
    if (!array)
        return;
    storeArrayEntry(makeArrayValue(array->value, context->world->scriptPools), index, slot);
}

} // namespace

void createSceneScriptContext(ScriptContext *context, HoWorld *world, HoScene *scene) {
    context->world = world;
    context->scene = scene;
    context->sceneValue.setPointer(kScriptScene, scene);
    context->statement = nullptr;
    context->scripts = world->scriptPools.newBlock(false);
    PtrArrayStorage *lists[] = {&context->afterQueue, &context->waitQueue, &context->variables,
                                &context->functions,  &context->tasks,     &context->events};
    for (PtrArrayStorage *list : lists)
        list->clear();
    context->variableIndex.reset();
    findOrCreateVariable(context, "#scene", &context->sceneValue);
    context->onEscape = findOrCreateFunction("on_escape", context);
    context->onDummyClick = findOrCreateFunction("on_dummy_click", context);
}

void destroyScriptContext(PtrArray<PendingBlock> *queue) {
    for (int32_t i = 0; i < queue->count(); ++i)
        freePendingBlock(queue->get(i));
    queue->clear();
}

ScriptVariable *findOrCreateVariable(ScriptContext *context, const char *name, ScriptValue *slot) {
    if (!context || !name)
        return nullptr;
    const char *interned = context->world->names().internOrFind(name);
    PtrArray<ScriptVariable> *list = variableListFor(context, interned);
    if (!list)
        return nullptr;
    if (ScriptVariable *found = findInList(context, *list, interned))
        return found;
    ScriptVariable *variable = context->world->scriptPools.newVariable(interned, slot);
    list->append(variable);
    addToBaseArray(context, interned, variable->value);
    return variable;
}

ScriptFunction *findOrCreateFunction(const char *name, ScriptContext *context) {
    HoWorld *world = context->world;
    return findOrCreateRecord(context->functions, world->scriptPools.functions, context,
                              world->names().internOrFind(name), kScriptFunction,
                              [](ScriptFunction *function) { function->isDefined.setNumber(0.0f); });
}

ScriptFunction *bindNative(const char *name, ScriptContext *context, ScriptNativeHandler native, void *data) {
    ScriptFunction *function = findOrCreateFunction(name, context);
    function->native = native;
    function->nativeData = data;
    return function;
}

ScriptTask *findOrCreateTask(const char *name, ScriptContext *context) {
    HoWorld *world = context->world;
    return findOrCreateRecord(context->tasks, world->scriptPools.tasks, context, world->names().internOrFind(name),
                              kScriptTask, [](ScriptTask *task) { task->isCompleted.setNumber(0.0f); });
}

ScriptEvent *findOrCreateEvent(const char *name, ScriptContext *context) {
    HoWorld *world = context->world;
    return findOrCreateRecord(context->events, world->scriptPools.events, context,
                              world->names().internOrFind(name), kScriptEvent,
                              [](ScriptEvent *event) { event->active.setNumber(1.0f); });
}

ScriptVariable *findVariable(const ScriptContext *context, const char *name) {
    const char *interned = context && name ? context->world->names().findInterned(name) : nullptr;
    return interned ? context->variableIndex.find(context->variables, interned) : nullptr;
}

ScriptFunction *findFunction(const ScriptContext *context, const char *name) {
    return context ? findNamedRecord(context->functions, context, name) : nullptr;
}

ScriptEvent *findEvent(const ScriptContext *context, const char *name) {
    return context ? findNamedRecord(context->events, context, name) : nullptr;
}

bool isNumericText(const char *text) {
    return text && (isDigit(text[0]) || (text[0] == '-' && isDigit(text[1])));
}
