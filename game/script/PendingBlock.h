#pragma once
// A block held for later: by "after" and the animation and fade commands until a timer runs out, by
// "wait" until an event fires. It keeps the task that was current and the local block with a copy of
// its locals' values as they were when it was made, and runs later with both put back, so a timed
// block sees the values its code saw. Records are made and freed one by one; a queue owns them.

#include <cstdint>
#include <vector>

#include "game/script/ScriptValue.h"

struct ScriptBlock;
struct ScriptContext;
struct ScriptEvent;
struct ScriptStatement;
struct ScriptTask;

struct PendingBlock {
    ScriptContext *context = nullptr;
    ScriptStatement *statement = nullptr; // the statement that made it
    ScriptBlock *block = nullptr;
    ScriptTask *task = nullptr;
    ScriptBlock *localBlock = nullptr;
    std::vector<ScriptValue> savedLocals; // the local block's values, in list order
    int32_t ticks = 0;                    // left to run
    ScriptEvent *event = nullptr;         // waited for
    uint8_t fx = 0; // an fx record neither makes the world busy nor holds its task back
};

// A record for the block of parameter i, or null when that is no block, or an empty block run
// without a current task. A non-fx record made under a current task joins the task's pending blocks.
PendingBlock *makePendingBlock(ScriptContext *context, ScriptStatement *statement, int32_t i, bool fx);
// Runs the record's block with its task current and its saved locals in place, then puts both back
// and takes the record off its task's pending blocks.
void runPendingBlock(PendingBlock *record);
// Takes the record off its task's pending blocks and frees it.
void freePendingBlock(PendingBlock *record);

// The five passes of every step, each over every context before the next pass: blocks whose timers
// ran out, event countdowns, blocks waiting for events, the handler walk, and the clearing of the
// fired flags (which also counts the completed tasks still to be handled).
void tickAfterQueue(ScriptContext *context);
void tickEvents(ScriptContext *context);
void tickWaitQueue(ScriptContext *context);
void runContextHandlers(ScriptContext *context);
void clearEventFlags(ScriptContext *context);
// Runs every queued after block at once, the fewest ticks first (among equal counts the one nearest
// the end of the queue).
void flushAfterQueue(ScriptContext *context);
