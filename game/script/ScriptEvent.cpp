#include "game/script/ScriptEvent.h"

namespace {

// Links are set outside the scripts; a chain this long can only be a loop.
constexpr int kMaxEventLinks = 64;

} // namespace

bool isEventFired(const ScriptEvent *event) {
    for (int hops = 0; event && hops < kMaxEventLinks; ++hops) {
        if (!event->link)
            return event->fired != 0;
        event = event->link;
    }
    return false;
}
