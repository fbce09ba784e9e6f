#pragma once
// The scene that plays the match-three board. For now an ordinary scene: the world's factory makes it for
// the scene named "alt_ho_match3", and the board comes with the minigame's own code.

#include "game/scene/HoScene.h"

class HoScenesMatch3 : public HoScene {
public:
    using HoScene::HoScene;
};
