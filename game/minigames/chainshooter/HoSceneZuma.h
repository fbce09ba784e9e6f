#pragma once
// The scene that plays the chain shooter. For now an ordinary scene: the world's factory makes it for the
// scene named "zuma", and the shooter comes with the minigame's own code.

#include "game/scene/HoScene.h"

class HoSceneZuma : public HoScene {
public:
    using HoScene::HoScene;
};
