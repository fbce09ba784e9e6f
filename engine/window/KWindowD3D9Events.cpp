// The window procedure of the game window: window messages become engine events for the game's event
// callback; activation, the cursor's visibility, closing, screen savers and suspension are handled
// here. An optional pointer synthesis turns the mouse into a single-pointer touch stream.

#include "engine/window/KWindowD3D9.h"

#include "engine/system/KSystem.h"
#include "engine/window/KInput.h"
#include "engine/window/KWindowEvent.h"
#include "platform/WinUserInput.h"

namespace {

// The touch stream made from the mouse while pointer synthesis is on (engine-wide, like the pointer).
struct PointerSynthesisState {
    bool touching = false;
    int32_t lastX = -1, lastY = -1;
    int64_t lastPressTime = -1;
    int32_t releaseCountdown = -1;
    int32_t releaseX = 0, releaseY = 0;
    int pendingDoublePresses = 0;
};

PointerSynthesisState synthesis;

constexpr int32_t kOffscreen = -1000;
constexpr int32_t kDoublePressMs = 500;
constexpr int32_t kReleaseDelayMs = 20;

int32_t mouseButtonOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        return 1;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return 2;
    default:
        return 3;
    }
}

void showCursorUntilShown() {
    while (ShowCursor(TRUE) < 0) {
    }
}

void hideCursorUntilHidden() {
    while (ShowCursor(FALSE) >= 0) {
    }
}

// The event as the callback gets it: a copy of `event` with another type, button and position.
KWindowEvent followUp(const KWindowEvent &event, uint32_t type, int32_t x, int32_t y) {
    KWindowEvent sent = event;
    sent.type = type;
    sent.button = 1;
    sent.x = x;
    sent.y = y;
    sent.phase = 0;
    sent.pointerA = sent.pointerB = sent.pointerC = 0;
    sent.pointerX = sent.pointerY = sent.previousX = sent.previousY = 0;
    return sent;
}

void makePointerEvent(KWindowEvent &event, int32_t phase) {
    event.phase = phase;
    event.pointerA = 1;
    event.pointerB = 0;
    event.pointerC = 1;
    event.pointerX = event.x;
    event.pointerY = event.y;
    event.previousX = synthesis.lastX;
    event.previousY = synthesis.lastY;
    event.type = kEventPointer;
    event.x = event.y = 0;
}

} // namespace

KWindowEvent makeWindowEvent(UINT message, WPARAM wParam, LPARAM lParam, int32_t x, int32_t y) {
    KWindowEvent event;
    switch (message) {
    case WM_MOUSEMOVE:
        event.type = kEventMouseMove;
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        event.type = kEventButtonUp;
        event.button = (uint32_t)mouseButtonOf(message);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        event.type = kEventButtonDown;
        event.button = (uint32_t)mouseButtonOf(message);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        event.type = kEventDoubleClick;
        event.button = (uint32_t)mouseButtonOf(message);
        break;
    case WM_MOUSEWHEEL:
        event.type = kEventWheel;
        event.wheelDelta = (int16_t)(uint16_t)((wParam >> 16) & 0xFFFF);
        break;
    case WM_KEYDOWN:
        event.type = kEventKeyDown;
        event.virtualKey = (uint32_t)wParam;
        event.engineKey = keyFromVirtualKey((int32_t)wParam);
        event.keyByte = (uint8_t)((lParam >> 16) & 0xFF);
        break;
    case WM_KEYUP:
        event.type = kEventKeyUp;
        event.virtualKey = (uint32_t)wParam;
        event.engineKey = keyFromVirtualKey((int32_t)wParam);
        event.keyByte = (uint8_t)(wParam & 0xFF);
        break;
    case WM_CHAR:
        event.type = kEventCharacter;
        event.character = (uint32_t)wParam;
        break;
    case WM_CONTEXTMENU:
        event.type = kEventContextMenu;
        break;
    case WM_ACTIVATE:
        event.type = (wParam & 0xFFFF) == WA_INACTIVE ? kEventDeactivate : kEventActivate;
        if ((wParam & 0xFFFF) > WA_CLICKACTIVE)
            event.type = kEventNone;
        break;
    case WM_POWERBROADCAST:
        event.type = wParam == PBT_APMSUSPEND ? kEventSuspend
                     : wParam == PBT_APMRESUMEAUTOMATIC ? kEventResume
                                                        : kEventNone;
        break;
    default:
        break;
    }
    event.x = x;
    event.y = y;
    event.message = message;
    event.lParam = (uint32_t)lParam;
    return event;
}

LRESULT gameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto *owner = reinterpret_cast<KWindowD3D9 *>(GetWindowLongPtrW(window, GWL_USERDATA));
    if (!owner)
        return DefWindowProcW(window, message, wParam, lParam);
    return owner->windowProcedure(window, message, wParam, lParam);
}

LRESULT KWindowD3D9::windowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!messageHook || messageHook(handle, message, wParam, lParam)) {
        if (message == WM_POWERBROADCAST && wParam == PBT_APMQUERYSUSPEND)
            return fullScreen ? BROADCAST_QUERY_DENY : TRUE;
        KWindowEvent event =
            makeWindowEvent(message, wParam, lParam, (int32_t)(int16_t)getCursorX(), (int32_t)(int16_t)getCursorY());
        applyEventSideEffects(message, wParam);
        if (eventCallback && !sendEngineEvent(event, wParam))
            return 0;
    }
    return handleOwnMessages(handle, message, wParam, lParam);
}

// What activation and power messages do to the window besides making their event.
void KWindowD3D9::applyEventSideEffects(UINT message, WPARAM wParam) {
    if (message == WM_ACTIVATE) {
        WPARAM state = wParam & 0xFFFF;
        if (state == WA_ACTIVE || state == WA_CLICKACTIVE) {
            if (fullScreen) {
                ShowWindow(window, SW_SHOWNORMAL);
                SetFocus(window);
            } else if (systemCursorHidden) {
                hideCursorUntilHidden();
            }
        } else if (state == WA_INACTIVE) {
            ClipCursor(nullptr);
            if (!fullScreen) {
                if (systemCursorHidden)
                    showCursorUntilShown();
                skipInactiveWait = true;
            }
        }
    } else if (message == WM_POWERBROADCAST) {
        if (wParam == PBT_APMSUSPEND && fullScreen)
            minimize();
        if (wParam == PBT_APMRESUMEAUTOMATIC && !fullScreen) {
            ShowWindow(window, SW_SHOWNORMAL);
            SetFocus(window);
        }
    }
}

// Hands the event (and what goes with it) to the callback; false when the callback consumed it.
bool KWindowD3D9::sendEngineEvent(KWindowEvent &event, WPARAM wParam) {
    if (event.type == kEventCharacter && wParam < 256) {
        KWindowEvent byte = event;
        byte.type = kEventCharByte;
        byte.keyByte = (uint8_t)wParam;
        byte.character = 0;
        eventCallback(&byte);
    }
    if (pointerSynthesis) {
        synthesizePointer(event);
    } else if (event.type == kEventDoubleClick) {
        KWindowEvent press = event;
        press.type = kEventButtonDown;
        eventCallback(&press);
    }
    if (event.type == kEventNone)
        return true;
    if (event.type == kEventPointer) {
        synthesizedPointerX = event.pointerX;
        synthesizedPointerY = event.pointerY;
        if (event.phase == 0)
            synthesizedPointerDown = true;
        else if (event.phase == 2)
            synthesizedPointerDown = false;
    }
    if (!eventCallback(&event))
        return false;
    if (pointerSynthesis)
        sendPointerFollowUps(event);
    return true;
}

void KWindowD3D9::synthesizePointer(KWindowEvent &event) {
    if (event.type == kEventButtonDown || event.type == kEventDoubleClick) {
        if (event.button != 1) {
            event.type = kEventNone;
            return;
        }
        if (synthesis.touching || synthesis.releaseCountdown >= 0) {
            // A new touch while the old one has not been closed: close it first. The new touch begins
            // without a previous position, as every touch does.
            synthesis.touching = false;
            synthesis.releaseCountdown = -1;
            synthesis.lastX = synthesis.lastY = -1;
            KWindowEvent up = followUp(event, kEventButtonUp, synthesis.releaseX, synthesis.releaseY);
            eventCallback(&up);
            KWindowEvent away = followUp(event, kEventMouseMove, kOffscreen, kOffscreen);
            eventCallback(&away);
        }
        int32_t x = event.x, y = event.y;
        makePointerEvent(event, 0);
        synthesis.touching = true;
        synthesis.lastX = x;
        synthesis.lastY = y;
        int64_t now = (int64_t)getMilliseconds();
        if (synthesis.lastPressTime >= 0 && now - synthesis.lastPressTime < kDoublePressMs) {
            KWindowEvent doublePress = followUp(event, kEventPointerDoublePress, 0, 0);
            doublePress.button = 0;
            doublePress.pointerX = x;
            doublePress.pointerY = y;
            eventCallback(&doublePress);
            ++synthesis.pendingDoublePresses;
            synthesis.lastPressTime = -1;
        } else {
            synthesis.lastPressTime = now;
        }
        return;
    }
    if (event.type == kEventMouseMove && synthesis.touching) {
        int32_t x = event.x, y = event.y;
        makePointerEvent(event, 1);
        synthesis.lastX = x;
        synthesis.lastY = y;
        return;
    }
    bool leftRelease = event.type == kEventButtonUp && event.button == 1;
    if ((leftRelease || event.type == kEventDeactivate) && synthesis.touching) {
        makePointerEvent(event, 2);
        synthesis.touching = false;
        synthesis.lastX = synthesis.lastY = -1;
        return;
    }
    if (event.type == kEventButtonUp)
        event.type = kEventNone; // a release without a touch, or of another button
}

void KWindowD3D9::sendPointerFollowUps(const KWindowEvent &event) {
    if (event.type == kEventPointer) {
        if (event.phase == 0) {
            KWindowEvent down = followUp(event, kEventButtonDown, event.pointerX, event.pointerY);
            eventCallback(&down);
            KWindowEvent move = followUp(event, kEventMouseMove, event.pointerX, event.pointerY);
            eventCallback(&move);
        } else if (event.phase == 1) {
            KWindowEvent move = followUp(event, kEventMouseMove, event.pointerX, event.pointerY);
            eventCallback(&move);
        } else {
            synthesis.releaseX = event.pointerX;
            synthesis.releaseY = event.pointerY;
            synthesis.releaseCountdown = kReleaseDelayMs;
        }
    }
    for (; synthesis.pendingDoublePresses > 0; --synthesis.pendingDoublePresses) {
        KWindowEvent doubleClick = followUp(event, kEventDoubleClick, event.pointerX, event.pointerY);
        eventCallback(&doubleClick);
    }
}

void KWindowD3D9::tickPointerSynthesis(int32_t elapsedMs) {
    if (synthesis.releaseCountdown < 0)
        return;
    synthesis.releaseCountdown -= elapsedMs;
    if (synthesis.releaseCountdown > 0)
        return;
    synthesis.releaseCountdown = -1;
    KWindowEvent base;
    KWindowEvent up = followUp(base, kEventButtonUp, synthesis.releaseX, synthesis.releaseY);
    if (eventCallback)
        eventCallback(&up);
    KWindowEvent away = followUp(base, kEventMouseMove, kOffscreen, kOffscreen);
    if (eventCallback)
        eventCallback(&away);
}

void KWindowD3D9::resetPointerSynthesis() {
    synthesis = PointerSynthesisState{};
}

LRESULT KWindowD3D9::handleOwnMessages(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
        quitRequested = true;
        PostQuitMessage(0);
        return 1;
    case WM_SYSCOMMAND:
        if (fullScreen && ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER))
            return 0;
        break;
    case WM_NCMOUSEMOVE:
        if (!fullScreen && !mouseOutside) {
            if (systemCursorHidden)
                showCursorUntilShown();
            mouseOutside = true;
        }
        break;
    case WM_MOUSEMOVE:
        if (!fullScreen && mouseOutside && hasFocus()) {
            if (systemCursorHidden)
                hideCursorUntilHidden();
            mouseOutside = false;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(handle, message, wParam, lParam);
}

void KWindowD3D9::setMessageHook(KWindowMessageHook hook) {
    messageHook = hook;
}

void KWindowD3D9::setEventCallback(KWindowEventCallback callback) {
    eventCallback = callback;
}

bool KWindowD3D9::isMouseInWindow() {
    return mouseOutside ? false : hasFocus();
}

bool KWindowD3D9::getPointerSynthesis() {
    return pointerSynthesis;
}

void KWindowD3D9::setPointerSynthesis(bool on) {
    pointerSynthesis = on;
    pointerSynthesisActive = on;
    if (!on)
        resetPointerSynthesis();
}
