#pragma once
// The process-wide resource critical section. Every load of a game resource runs inside it, and so do the
// game-load thread's reads (pictures made ahead of a scene change need not: they touch no resource of
// the game, and the resource layer keeps its own reads apart). It is
// made by a static initialiser before the game starts and deleted at exit, and it is re-entrant by its
// owning thread: loading an atlas texture loads the atlas page it stands on while holding it.

#include "platform/WinBase.h"

CRITICAL_SECTION *resourceCriticalSection();

// Holds a critical section for the life of a scope.
class KCriticalSectionHold {
public:
    explicit KCriticalSectionHold(CRITICAL_SECTION *section) : section_(section) { EnterCriticalSection(section_); }
    ~KCriticalSectionHold() { LeaveCriticalSection(section_); }
    KCriticalSectionHold(const KCriticalSectionHold &) = delete;
    KCriticalSectionHold &operator=(const KCriticalSectionHold &) = delete;

private:
    CRITICAL_SECTION *section_;
};
