// Program entry. The game object and its start-up come with the game application.
#include <cstdio>

#include "engine/KSystem.h"

int main() {
    initSystem();
    std::fprintf(stderr, "lanternfall: the game cannot start yet: the game application is not built.\n");
    return 1;
}
