#pragma once
// The flight of a picked object: its picture arcs from where it lay in the scene into its slot of the
// inventory bar (or into the journal), growing on the way, then a glow settles on the slot. The held
// item flies back to its slot the same way when a click misses. Flight records come from the world's
// pool and always go back to its free list, so the step takes no new record once ten are made.

#include <cstdint>

class HoInventoryItem;
class HoTexture;
class HoWorld;
struct ParticleEmitter;
struct SceneElement;
struct ScriptEvent;

enum PickFlightKind : int32_t {
    kFlightNone = 0,
    kFlightToBar = 1,
    kFlightToJournal = 3,
    kFlightBackToBar = 4, // the held item returning
};

enum PickFlightPhase : int32_t {
    kFlightLanded = 0,
    kFlightFlying = 1,
    kFlightSettling = 2, // the arrival glow
};

// Where the picture stands at one end of the flight.
struct FlightPose {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float scaleX = 0.0f;
    float scaleY = 0.0f;
    float angle = 0.0f;
};

struct PickFlight {
    int32_t kind = kFlightNone;
    HoInventoryItem *item = nullptr;
    uint8_t pickedDone = 0;  // the item's pick was counted
    uint8_t countedDone = 0; // the item's flights in progress were lowered
    ScriptEvent *event = nullptr;
    HoTexture *picture = nullptr; // one use held by the record
    SceneElement *source = nullptr;
    FlightPose start;
    FlightPose end;
    int32_t phase = kFlightLanded;
    int32_t duration = 0; // ticks
    int32_t elapsed = 0;
    ParticleEmitter *effect1 = nullptr;
    ParticleEmitter *effect2 = nullptr;
    uint8_t arrived = 0;
};

// Ticks of the arrival glow.
constexpr int32_t kFlightSettleTicks = 79;
// Ticks the panel stays open after a flight lands.
constexpr int32_t kFlightStayTicks = 200;
// Flight records made when the world starts.
constexpr int32_t kPrefilledFlights = 10;

// One step of every flight; finished records go back to the free list.
void updateFlights(HoWorld *world);
// Ends the flight at once: the item arrives and the record is emptied (kind 0).
void landFlyingItem(HoWorld *world, PickFlight *flight);
// The item reaches the inventory: picked (with the piece its source element's name numbers), its
// flight no longer counted, the arrival effect started and the event fired.
void arriveFlyingItem(HoWorld *world, PickFlight *flight);
// Lands every flight still in the air (before a save).
void landFlyingItems(HoWorld *world);
// Ends every flight and gives every record back to the free list.
void releaseFlights(HoWorld *world);
// Where a flight's picture stands at a fraction t of its flight (x and y its centre), and its alpha.
struct FlightFrame {
    FlightPose pose;
    float alpha = 0.0f;
};
FlightFrame flightFrameAt(const PickFlight &flight, float t);
