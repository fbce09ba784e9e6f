#include "game/script/PendingBlock.h"

#include <algorithm>
#include <utility>

#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptResolve.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

void leaveTask(PendingBlock *record) {
    if (!record->task)
        return;
    int32_t index = record->task->pending.indexOf(record);
    if (index >= 0)
        record->task->pending.removeSwappingLast(index);
}

// Exchanges the saved values with the local block's values, position by position.
void swapLocals(PendingBlock *record) {
    PtrArray<ScriptVariable> *locals = record->localBlock ? record->localBlock->locals : nullptr;
    if (!locals)
        return;
    size_t count = std::min(size_t(locals->count()), record->savedLocals.size());
    for (size_t i = 0; i < count; ++i)
        std::swap(*locals->get(int32_t(i))->value, record->savedLocals[i]);
}

// Runs the due records from the last found to the first, freeing each; records they queue go to the
// queues, never to this list.
void runReady(PtrArray<PendingBlock> &ready) {
    while (!ready.empty()) {
        PendingBlock *record = ready.removeAt(ready.count() - 1);
        runPendingBlock(record);
        freePendingBlock(record);
    }
}

} // namespace

PendingBlock *makePendingBlock(ScriptContext *context, ScriptStatement *statement, int32_t i, bool fx) {
    ScriptValue *value = getStatementParam(context, statement, i);
    ScriptBlock *block = value && value->type == kScriptBlock ? static_cast<ScriptBlock *>(value->pointer) : nullptr;
    HoWorld *world = context->world;
    if (!block || (block->statements.empty() && !world->currentTask))
        return nullptr;
    auto *record = new PendingBlock;
    record->context = context;
    record->statement = statement;
    record->block = block;
    record->task = world->currentTask;
    record->localBlock = world->currentLocalBlock;
    record->fx = fx ? 1 : 0;
    if (PtrArray<ScriptVariable> *locals = record->localBlock ? record->localBlock->locals : nullptr) {
        record->savedLocals.reserve(size_t(locals->count()));
        for (int32_t k = 0; k < locals->count(); ++k)
            record->savedLocals.push_back(*locals->get(k)->value);
    }
    if (!fx && record->task)
        record->task->pending.append(record);
    return record;
}

void runPendingBlock(PendingBlock *record) {
    HoWorld *world = record->context->world;
    ScriptTask *callerTask = world->currentTask;
    ScriptBlock *callerLocals = world->currentLocalBlock;
    world->setCurrentTask(record->task);
    world->currentLocalBlock = record->localBlock;
    swapLocals(record);
    if (record->block)
        runBlock(record->context, record->block);
    swapLocals(record);
    world->currentLocalBlock = callerLocals;
    world->setCurrentTask(callerTask);
    leaveTask(record);
}

void freePendingBlock(PendingBlock *record) {
    if (!record)
        return;
    leaveTask(record);
    delete record;
}

void tickAfterQueue(ScriptContext *context) {
    HoWorld *world = context->world;
    PtrArray<PendingBlock> &ready = world->readyAfterBlocks;
    PtrArray<PendingBlock> &queue = context->afterQueue;
    ready.clear();
    for (int32_t i = queue.count() - 1; i >= 0; --i) {
        PendingBlock *record = queue[i];
        if (!record) {
            queue.removeSwappingLast(i);
        } else if (--record->ticks < 1) {
            ready.append(queue.removeSwappingLast(i));
        } else if (!record->fx) {
            ++world->busyCount;
        }
    }
    runReady(ready);
}

void tickEvents(ScriptContext *context) {
    for (int32_t i = 0; i < context->events.count(); ++i) {
        ScriptEvent *event = context->events[i];
        if (event->ticks > 0 && --event->ticks == 0)
            event->firePending = 1;
        if (event->firePending) {
            event->fired = 1;
            event->firePending = 0;
            event->waitedOn = 0;
        }
    }
}

void tickWaitQueue(ScriptContext *context) {
    PtrArray<PendingBlock> &ready = context->world->readyWaitBlocks;
    PtrArray<PendingBlock> &queue = context->waitQueue;
    ready.clear();
    for (int32_t i = queue.count() - 1; i >= 0; --i) {
        PendingBlock *record = queue[i];
        if (!record || !record->event)
            freePendingBlock(queue.removeSwappingLast(i));
        else if (isEventFired(record->event))
            ready.append(queue.removeSwappingLast(i));
    }
    runReady(ready);
}

void runContextHandlers(ScriptContext *context) {
    runObjectHandlers(context, context->scripts);
}

void clearEventFlags(ScriptContext *context) {
    for (int32_t i = 0; i < context->events.count(); ++i)
        context->events[i]->fired = 0;
    for (int32_t i = 0; i < context->tasks.count(); ++i) {
        if (context->tasks[i]->state == kTaskCompleted)
            ++context->world->runningTaskCount;
    }
}

void flushAfterQueue(ScriptContext *context) {
    PtrArray<PendingBlock> &queue = context->afterQueue;
    while (!queue.empty()) {
        // The first record found is the first candidate, so every record is run, whatever its count.
        int32_t nearest = -1;
        for (int32_t i = queue.count() - 1; i >= 0; --i) {
            PendingBlock *record = queue[i];
            if (record && (nearest < 0 || record->ticks < queue[nearest]->ticks))
                nearest = i;
        }
        if (nearest < 0) {
            queue.clear();
            return;
        }
        PendingBlock *record = queue.removeSwappingLast(nearest);
        runPendingBlock(record);
        freePendingBlock(record);
    }
}
