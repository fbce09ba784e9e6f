#include "game/scene/ElementPickInfo.h"

#include <algorithm>

#include "game/HoGameSettings.h"
#include "game/scene/HoScene.h"

void ElementPickInfo::init(SceneElement *element) {
    *this = ElementPickInfo();
    display = element;
    coverScreen();
}

void ElementPickInfo::coverScreen() {
    const float scale = sceneArtScale();
    left = top = 0.0f;
    right = std::max(screenValues.width, screenValues.wideWidth) / scale;
    bottom = screenValues.height / scale;
}
