// What the board takes from the scene and the world that it does not compute itself: the scene's own
// draw, the world's clock and the holder of particle emitters.

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/minigames/match3/HoScenesMatch3.h"
#include "game/world/HoWorld.h"

// The scene's draw ends with the view reset to design units, under which the board draws.
void HoScenesMatch3::runSceneDraw(float, SceneGroup *) {
    HoGame *game = world->context ? world->context->game : nullptr;
    if (game)
        game->setView(0.0f, 0.0f, 1.0f, 0.0f);
}

double HoScenesMatch3::worldTime() const {
    return world->runningTime;
}

ParticleEmitter *HoScenesMatch3::acquireEmitter() {
    return world->renderPools.acquireEmitter();
}

void HoScenesMatch3::recycleEmitter(ParticleEmitter *emitter) {
    world->renderPools.recycleEmitter(emitter);
}
