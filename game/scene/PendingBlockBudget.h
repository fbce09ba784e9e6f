#pragma once
// How often one flush of timed blocks may run the blocks of one statement. The flush before a save runs
// every block that waits and the blocks that those queue; but a timer that re-arms itself (an animation
// whose end block starts it again, an "after" that calls its own function) queues a new block at every
// run, and the flush would never end, or run it thousands of times, far ahead of the game. So the blocks
// of a statement run as often as it had blocks waiting when the flush began, or once when it had none;
// a block beyond that stays where it is and runs in its time after the save, as the timer meant.

#include <cstdint>
#include <unordered_map>

#include "game/script/PendingBlock.h"

class PendingBlockBudget {
public:
    void countWaiting(const PendingBlock *block) {
        if (block)
            ++waiting_[block->statement];
    }
    bool mayRun(const PendingBlock *block) const {
        if (!block)
            return true;
        const auto ran = ran_.find(block->statement);
        if (ran == ran_.end())
            return true;
        const auto waiting = waiting_.find(block->statement);
        return ran->second < (waiting == waiting_.end() ? 1 : waiting->second);
    }
    void ran(const PendingBlock *block) {
        if (block)
            ++ran_[block->statement];
    }

private:
    std::unordered_map<const ScriptStatement *, int32_t> waiting_;
    std::unordered_map<const ScriptStatement *, int32_t> ran_;
};
