#include "game/player/HoInventoryItem.h"

#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"

HoInventoryItem::HoInventoryItem(const char *itemName, HoWorld *owner)
    : world(owner), name(owner->names().internOrFind(itemName)) {}
