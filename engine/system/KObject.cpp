#include "engine/system/KObject.h"

void KObjectList::append(KObjectListable *node) {
    node->next = nullptr;
    node->prev = tail;
    if (tail)
        tail->next = node;
    tail = node;
    if (!node->prev)
        head = node;
    count++;
}

void KObjectList::unlink(KObjectListable *node) {
    if (node->prev)
        node->prev->next = node->next;
    if (node->next)
        node->next->prev = node->prev;
    if (head == node)
        head = node->next;
    if (tail == node)
        tail = node->prev;
    node->next = node->prev = nullptr;
    count--;
}
