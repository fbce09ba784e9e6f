// Program entry. The game object and its start-up come with the game application.
#include <cstdio>

int main() {
    std::fprintf(stderr, "lanternfall: the game cannot start yet: the game application is not built.\n");
    return 1;
}
