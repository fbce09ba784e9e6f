#include "game/world/StartUpAsks.h"

#include "engine/system/KSystem.h"

void StartUpAsks::doAll(HoWorld *world) {
    std::vector<std::pair<const char *, Ask>> asks;
    asks.swap(asks_);
    for (const auto &ask : asks)
        ask.second(world);
}

void StartUpAsks::dropAll() {
    for (const auto &ask : asks_)
        logMessage("Game: a loaded world set aside never takes the screen: its start-up's %s is dropped", ask.first);
    asks_.clear();
}
