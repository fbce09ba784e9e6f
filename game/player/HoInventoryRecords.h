#pragma once
// The inventory's records in a saved game: an I record (name and state) for every item that can be
// counted (its max_count holds a number above 0), in the world's item order, then a K record (name) for
// every item of the bar, in bar order, so that a load rebuilds the bar as it was.

#include <cstdint>

class HoWorld;
class SaveStream;

bool writeInventoryRecords(HoWorld *world, SaveStream &stream);
// Reads an I or K record after its tag. An item the game no longer has is read and dropped.
bool readInventoryRecord(HoWorld *world, SaveStream &stream, uint8_t tag);
