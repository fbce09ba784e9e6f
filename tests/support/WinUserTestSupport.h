#pragma once
// For the tests of the window layer and of the game window above it: window classes registered in one
// line, and SDL events as the window layer receives them from the machine, made for one SDL window.

#include <SDL2/SDL.h>

#include <gtest/gtest.h>

#include "platform/WinUser.h"

// Registers a window class of this program; true when it was registered.
inline bool registerTestClass(const char16_t *className, WNDPROC procedure, UINT style = 0, HICON icon = nullptr) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.style = style;
    description.lpfnWndProc = procedure;
    description.hIcon = icon;
    description.lpszClassName = className;
    return RegisterClassExW(&description) != 0;
}

namespace sdlevents {

inline SDL_Event key(Uint32 windowId, Uint32 type, SDL_Keycode sym, SDL_Scancode scancode,
                     Uint16 mods = KMOD_NONE) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = windowId;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mods;
    return event;
}

inline SDL_Event button(Uint32 windowId, Uint32 type, Uint8 which, Uint8 clicks, int x, int y) {
    SDL_Event event{};
    event.type = type;
    event.button.windowID = windowId;
    event.button.button = which;
    event.button.clicks = clicks;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    return event;
}

inline SDL_Event motion(Uint32 windowId, int x, int y) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = windowId;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

inline SDL_Event text(Uint32 windowId, const char *characters) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = windowId;
    SDL_strlcpy(event.text.text, characters, sizeof event.text.text);
    return event;
}

inline SDL_Event window(Uint32 windowId, Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = what;
    return event;
}

inline SDL_Event wheel(Uint32 windowId, int steps) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = windowId;
    event.wheel.y = steps;
    return event;
}

inline void push(SDL_Event event) {
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

} // namespace sdlevents
