#include "game/player/HoInventoryRecords.h"

#include "game/player/HoInventoryItem.h"
#include "game/player/InventoryBar.h"
#include "game/player/SaveStream.h"
#include "game/world/HoWorld.h"

namespace {

bool isCounted(const HoInventoryItem *item) {
    return item->maxCount.type == kScriptNumber && item->maxCount.number > 0.0f;
}

bool writeTagged(SaveStream &stream, uint8_t tag, const char *name) {
    return stream.serializeByte(tag) && stream.serializeString(name);
}

} // namespace

bool writeInventoryRecords(HoWorld *world, SaveStream &stream) {
    const PtrArray<HoInventoryItem> &items = world->inventoryItems;
    for (int32_t i = 0; i < items.count(); ++i) {
        HoInventoryItem *item = items[i];
        if (isCounted(item) && !(writeTagged(stream, kSaveTagInventoryItem, item->name) && item->serialize(stream)))
            return false;
    }
    const PtrArray<HoInventoryItem> &bar = world->inventory.bar;
    for (int32_t i = 0; i < bar.count(); ++i) {
        if (!writeTagged(stream, kSaveTagBarItem, bar[i]->name))
            return false;
    }
    return true;
}

bool readInventoryRecord(HoWorld *world, SaveStream &stream, uint8_t tag) {
    const char *name = nullptr;
    if (!stream.serializeString(name))
        return false;
    HoInventoryItem *item = name ? world->findInventoryItem(name) : nullptr;
    if (tag == kSaveTagBarItem) {
        if (item)
            addToInventoryBar(world, item);
        return true;
    }
    if (item)
        return item->serialize(stream);
    HoInventoryItem scratch("", world);
    return scratch.serialize(stream);
}
