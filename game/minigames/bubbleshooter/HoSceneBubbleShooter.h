#pragma once
// The scene that plays the bubble shooter. For now an ordinary scene: the world's factory makes it for the
// scene named "bubbleshooter", and the shooter comes with the minigame's own code.

#include "game/scene/HoScene.h"

class HoSceneBubbleShooter : public HoScene {
public:
    using HoScene::HoScene;
};
