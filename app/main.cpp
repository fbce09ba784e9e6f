// Program entry: fixes the game's design geometry and runs the game. Command-line arguments are ignored.
#include "engine/KSystem.h"
#include "game/HoGame.h"

int main() {
    initSystem();
    GameSettings settings;
    settings.useStateSubfolder = 1;
    settings.designWidth = 2048.0f;
    settings.designHeight = 1536.0f;
    settings.wideAllowed = 1;
    settings.wideWidth = 2560.0f;
    settings.normalMode = 1;
    settings.smallMode = 0;
    return runGameEntry(settings);
}
