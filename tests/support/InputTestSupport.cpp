#include "tests/support/InputTestSupport.h"

#include "platform/WinUserWindow.h"
#include "tests/support/WinUserTestSupport.h"

namespace lftest {

void trackQuickClick() {
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP})
        winuser::trackInput(sdlevents::button(0, type, SDL_BUTTON_LEFT, 1, 10, 10));
}

} // namespace lftest
