#pragma once
// Root of the engine's classes, and the per-class lists of live objects that the window walks to
// release and re-create device resources after a lost device.

#include <cstdint>

class KObjectBase {};

// A listable object carries its own list node, so linking needs no allocation. The list record
// belongs to the concrete class; a walk turns a node back into its object with static_cast.
class KObjectListable : public KObjectBase {
public:
    KObjectListable *next = nullptr;
    KObjectListable *prev = nullptr;
};

// One process-wide list per concrete listable class: count, head and tail, oldest first.
struct KObjectList {
    int32_t count = 0;
    KObjectListable *head = nullptr;
    KObjectListable *tail = nullptr;

    void append(KObjectListable *node);
    void unlink(KObjectListable *node);
};
