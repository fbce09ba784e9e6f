#include "game/player/PickFlight.h"

#include <algorithm>
#include <string>

#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/player/HoInventoryItem.h"
#include "game/player/InventoryBar.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptEvent.h"
#include "game/script/ScriptExecution.h"
#include "game/util/NumberedName.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kArcHeight = 400.0f; // 400 x (t - t^2): 100 units at the middle
constexpr float kGrowth = 4.0f;      // 1 + 4 x (t - t^2): twice the size at the middle
constexpr float kFadeRate = 6.6666665f;
constexpr int32_t kStopEmittingTicks = 5;
constexpr float kFlightEndScale = 0.5f;
constexpr float kJournalIconSide = 60.0f;
constexpr int32_t kPickupBackDelay = -25;

void stopEmitting(ParticleEmitter *effect) {
    if (effect)
        effect->emissionFinished = 1;
}

void moveEffect(ParticleEmitter *effect, float x, float y) {
    if (!effect)
        return;
    effect->placementX = x - effect->offsetX;
    effect->placementY = y - effect->offsetY;
}

// A dead effect goes back to the free list; a live one runs a step.
void stepEffect(HoWorld *world, ParticleEmitter *&effect) {
    if (!effect)
        return;
    if (!effect->isAlive()) {
        world->renderPools.recycleEmitter(effect);
        effect = nullptr;
        return;
    }
    effect->update(kEmitterNormal);
}

HoTexture *acquirePicture(HoWorld *world, HoTexture *picture) {
    if (picture && world->context && world->context->resources)
        picture->acquire(world->context->resources);
    return picture;
}

// The picture that flies for a picked element: that of its "NAME_picked" element when the scene has
// one, else its own.
HoTexture *flyingPictureOf(SceneElement *source) {
    SceneElement *picked = source->scene ? source->scene->findElement((std::string(source->name) + "_picked").c_str())
                                         : nullptr;
    HoRenderable *renderable = picked && picked->renderable ? picked->renderable : source->renderable;
    return renderable->getTexture();
}

FlightPose slotPose(const HoInventoryItem *item, float angle) {
    return {item->targetX + item->boxW * 0.5f, item->targetY + item->boxH * 0.5f, item->boxW, item->boxH,
            kFlightEndScale, kFlightEndScale, angle};
}

void showPickup(SceneElement *element, float x, float y, int32_t time, bool visible) {
    if (!element)
        return;
    element->x.setNumber(x);
    element->y.setNumber(y);
    element->absX.setNumber(x);
    element->absY.setNumber(y);
    element->startAnimation(time, std::max(element->frameCount, time), 1.0f, true, nullptr);
    element->visible = visible ? 1 : 0;
}

void hidePickups(HoWorld *world) {
    for (SceneElement *element : {world->hud.pickupBack, world->hud.pickupFront}) {
        if (element)
            element->visible = 0;
    }
}

// Phase 1 ran out: the flight into the bar settles under the arrival glow, any other lands.
void endFlyingPhase(HoWorld *world, PickFlight *flight) {
    if (flight->kind != kFlightToBar) {
        landFlyingItem(world, flight);
        return;
    }
    arriveFlyingItem(world, flight);
    flight->phase = kFlightSettling;
    flight->elapsed = 0;
    flight->duration = kFlightSettleTicks;
    if (HoInventoryItem *item = flight->item) {
        showPickup(world->hud.pickupBack, item->centreX(), item->centreY(), kPickupBackDelay, false);
        showPickup(world->hud.pickupFront, item->centreX(), item->centreY(), 0, true);
    }
    ++world->runningFlightCount;
}

void stepFlight(HoWorld *world, PickFlight *flight) {
    if (flight->kind == kFlightToBar && flight->item)
        flight->end = slotPose(flight->item, flight->end.angle);
    if (flight->phase == kFlightFlying) {
        if (++flight->elapsed < flight->duration) {
            if (flight->duration - flight->elapsed <= kStopEmittingTicks) {
                stopEmitting(flight->effect1);
                stopEmitting(flight->effect2);
            }
            ++world->runningFlightCount;
        } else {
            endFlyingPhase(world, flight);
        }
    } else if (flight->phase == kFlightSettling) {
        if (++flight->elapsed < kFlightSettleTicks) {
            SceneElement *back = world->hud.pickupBack;
            if (back && back->currentFrame >= 0.0f)
                back->visible = 1;
            ++world->runningFlightCount;
        } else {
            landFlyingItem(world, flight);
        }
    }
    stepEffect(world, flight->effect1);
    stepEffect(world, flight->effect2);
}

void recycleFlight(HoWorld *world, PickFlight *flight) {
    world->renderPools.recycleEmitter(flight->effect1);
    world->renderPools.recycleEmitter(flight->effect2);
    flight->effect1 = flight->effect2 = nullptr;
    world->flightPool.recycle(flight);
}

// The flying picture (with the pieces of an item returning to the bar); where it stands.
FlightFrame drawFlight(const PickFlight &flight) {
    const FlightFrame frame = flightFrameAt(flight, float(flight.elapsed) / float(flight.duration));
    QuadPlacement place;
    place.absX = frame.pose.x;
    place.absY = frame.pose.y;
    place.width = frame.pose.width;
    place.height = frame.pose.height;
    place.pivotX = place.pivotY = 0.5f;
    place.angle = frame.pose.angle;
    const QuadCorners quad = rotatedQuadCorners(place);
    const float colour[4] = {1.0f, 1.0f, 1.0f, frame.alpha};
    auto drawPicture = [&](HoTexture *picture) {
        if (picture)
            drawOnSharedBatch(picture, kBlendNormal, colour, FrameRect::whole(picture->width, picture->height), quad);
    };
    drawPicture(flight.picture);
    const HoInventoryItem *item = flight.item;
    if (flight.kind == kFlightBackToBar && item && item->pieced) {
        for (int32_t piece = 0; piece < item->pieceCount(); ++piece) {
            if (item->pieces[piece])
                drawPicture(item->pieceIcons[piece]);
        }
    }
    return frame;
}

} // namespace

FlightFrame flightFrameAt(const PickFlight &flight, float t) {
    const FlightPose &from = flight.start, &to = flight.end;
    const float arc = t - t * t;
    FlightFrame frame;
    FlightPose &pose = frame.pose;
    pose.x = lerp(from.x, to.x, t);
    pose.y = lerp(from.y, to.y, t) - kArcHeight * arc;
    // The larger side of the picture goes to the end size; the other keeps the picture's proportions.
    if (from.width >= from.height) {
        pose.width = lerp(from.width, to.width, t);
        pose.height = from.width != 0.0f ? pose.width * from.height / from.width : 0.0f;
    } else {
        pose.height = lerp(from.height, to.height, t);
        pose.width = from.height != 0.0f ? pose.height * from.width / from.height : 0.0f;
    }
    if (flight.kind != kFlightBackToBar) {
        pose.width *= 1.0f + kGrowth * arc;
        pose.height *= 1.0f + kGrowth * arc;
    }
    const float u = 2.0f * t - t * t;
    pose.angle = lerp(from.angle, to.angle, u);
    pose.scaleX = lerp(from.scaleX, to.scaleX, u);
    pose.scaleY = lerp(from.scaleY, to.scaleY, u);
    frame.alpha = flight.kind == kFlightToBar ? 1.0f : std::clamp((1.0f - t) * kFadeRate, 0.0f, 1.0f);
    return frame;
}

void HoWorld::pickItem(int32_t kind, SceneElement *source, HoInventoryItem *item, ScriptEvent *event) {
    // A duration that rounds to nothing would make the draw divide 0 by 0: a flight lasts a tick at least.
    const int32_t duration = std::max(roundToInt(double(configurationNumber("hud.inventory.picking_anim_time", 1.5f)) * 100.0), 1);
    PickFlight *flight = flightPool.acquire();
    *flight = PickFlight();
    if (inventory.flights.append(flight) < 0) {
        flightPool.recycle(flight);
        return;
    }
    flight->kind = kind;
    flight->item = item;
    flight->event = event;
    flight->duration = duration;
    if (item && !item->isUsed()) {
        ++item->flightsInProgress;
        if (kind != kFlightBackToBar)
            addToInventoryBar(this, item);
        inventory.lastPicked = item;
    } else if (item) {
        flight->pickedDone = 1;
    }
    if ((!item || !item->isUsed()) && source && source->renderable) {
        flight->picture = acquirePicture(this, flyingPictureOf(source));
        flight->source = source;
        flight->start = {source->absX.asNumber(),      source->absY.asNumber(),      source->w.asNumber(),
                         source->h.asNumber(),         source->absScaleX.asNumber(), source->absScaleY.asNumber(),
                         source->absAngle.asNumber()};
        if (kind == kFlightToBar && item) {
            flight->end = slotPose(item, flight->start.angle);
        } else if (kind == kFlightToJournal) {
            flight->end = {configurationNumber("journal.pick_to_x", 60.0f), configurationNumber("journal.pick_to_y", 673.0f),
                           kJournalIconSide, kJournalIconSide, kFlightEndScale, kFlightEndScale, flight->start.angle};
            runNamedHook(hooks.diaryPicked, nullptr);
        }
        flight->phase = kFlightFlying;
        flight->effect1 = spawnEmitterAt("object_found", false, hudScene, flight->start.x, flight->start.y, false);
        flight->effect2 = spawnEmitterAt("object_found2", false, hudScene, flight->start.x, flight->start.y, false);
        ++runningFlightCount;
    } else if (kind == kFlightBackToBar && item) {
        flight->picture = acquirePicture(this, item->icon);
        const ScreenPoint from = scenePointer();
        flight->start = {from.x, from.y, item->boxW, item->boxH, kFlightEndScale, kFlightEndScale, 0.0f};
        flight->end = slotPose(item, 0.0f);
        flight->phase = kFlightFlying;
    } else {
        landFlyingItem(this, flight);
    }
}

void updateFlights(HoWorld *world) {
    PtrArray<PickFlight> &flights = world->inventory.flights;
    // Hooks that run on arrival may pick, use or land items: the count is read again every time, and a
    // record that has gone back to the free list is never looked at again.
    for (int32_t i = 0; i < flights.count();) {
        PickFlight *flight = flights[i];
        stepFlight(world, flight);
        const int32_t at = flights.indexOf(flight);
        if (at < 0)
            continue;
        if (flight->kind == kFlightNone && !flight->effect1 && !flight->effect2) {
            flights.removeAt(at);
            recycleFlight(world, flight);
            i = at;
            continue;
        }
        i = at + 1;
    }
}

void landFlyingItem(HoWorld *world, PickFlight *flight) {
    if (flight->kind == kFlightNone)
        return;
    if (flight->picture && world->context && world->context->resources)
        flight->picture->release(world->context->resources);
    flight->picture = nullptr;
    arriveFlyingItem(world, flight);
    flight->phase = kFlightLanded;
    if (flight->item)
        world->inventory.stayTimer = kFlightStayTicks;
    hidePickups(world);
    flight->kind = kFlightNone;
    flight->item = nullptr;
}

void arriveFlyingItem(HoWorld *world, PickFlight *flight) {
    HoInventoryItem *item = flight->item;
    if (item && !flight->pickedDone && flight->kind != kFlightBackToBar) {
        flight->pickedDone = 1;
        const int32_t piece = flight->source ? numberedSuffix(flight->source->name) : -1;
        item->pick(piece > 0 ? piece : 0);
    }
    if (item && !flight->countedDone) {
        flight->countedDone = 1;
        --item->flightsInProgress;
    }
    stopEmitting(flight->effect1);
    stopEmitting(flight->effect2);
    // The glow of arrival shows once, though a flight into the bar arrives again when it lands.
    if (item && flight->kind != kFlightBackToBar && !flight->arrived)
        world->spawnEmitterAt("item_in_inventory", false, world->hudScene, item->centreX(), item->centreY(), true);
    if (ScriptEvent *event = flight->event) {
        flight->event = nullptr;
        event->fire();
    }
    flight->arrived = 1;
    world->inventory.changed = 1;
}

void HoWorld::drawInventory() {
    const PtrArray<PickFlight> &flights = inventory.flights;
    for (int32_t i = 0; i < flights.count(); ++i) {
        PickFlight *flight = flights[i];
        for (ParticleEmitter *effect : {flight->effect1, flight->effect2}) {
            if (effect && effect->isAlive())
                effect->draw(1.0f);
        }
        if (flight->kind == kFlightNone || flight->phase != kFlightFlying || !flight->picture)
            continue;
        const FlightFrame frame = drawFlight(*flight);
        moveEffect(flight->effect1, frame.pose.x, frame.pose.y);
        moveEffect(flight->effect2, frame.pose.x, frame.pose.y);
    }
}

void landFlyingItems(HoWorld *world) {
    PtrArray<PickFlight> &flights = world->inventory.flights;
    for (int32_t i = 0; i < flights.count(); ++i) {
        if (flights[i]->phase == kFlightFlying)
            landFlyingItem(world, flights[i]);
    }
}

void releaseFlights(HoWorld *world) {
    PtrArray<PickFlight> &flights = world->inventory.flights;
    while (!flights.empty()) {
        PickFlight *flight = flights[0];
        landFlyingItem(world, flight);
        // Landing may run hooks that start or end flights; the record is found again.
        const int32_t at = flights.indexOf(flight);
        if (at >= 0)
            recycleFlight(world, flights.removeSwappingLast(at));
    }
}
