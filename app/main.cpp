// Program entry: fixes the game's design geometry and runs the game. Command-line arguments are ignored.
#include "engine/system/KSystem.h"
#include "game/HoGame.h"

int main() {
    initSystem();
    return runGameEntry(lanternfallSettings());
}
