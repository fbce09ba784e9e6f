#pragma once
// An inventory item: one thing the player can carry, made once at world start-up and kept for the
// world's life. Begun with what other records know it by (its world and interned name, through which
// saved references find it again); the counters, layout and drawing come with the inventory.

class HoWorld;

class HoInventoryItem {
public:
    // The name is interned in the world's table.
    HoInventoryItem(const char *name, HoWorld *world);
    virtual ~HoInventoryItem() = default;
    HoInventoryItem(const HoInventoryItem &) = delete;
    HoInventoryItem &operator=(const HoInventoryItem &) = delete;

    HoWorld *world;
    const char *name;
};
