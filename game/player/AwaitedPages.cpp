#include "game/player/AwaitedPages.h"

#include <iterator>
#include <utility>

#include "engine/system/KSystem.h"
#include "game/HoSurveyPage.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptExecution.h"
#include "game/world/HoWorld.h"
#include "platform/PlatformOpener.h"
#include "platform/TestHooks.h"

void AwaitedPages::await(const PageOpening &page, const HoScene *asker, PageHooks hooks, int32_t step) {
    if (!page.opener || !asker)
        return;
    awaited_.push_back({page.opener, page.address, asker->identifier, hooks, step + kFixedClockOutcomeSteps});
}

const char *AwaitedPages::outcomeHook(const Awaited &page, bool fixedClock, int32_t step) {
    using Outcome = PlatformOpener::Outcome;
    Outcome outcome = page.opener->outcome();
    if (fixedClock)
        outcome = step < page.dueStep ? Outcome::pending : page.opener->waitForOutcome();
    switch (outcome) {
    case Outcome::taken:
        logMessage("Game: the desktop's opener took %s", page.address.c_str());
        return page.hooks.opened;
    case Outcome::failed:
        // One that could not start was logged as it failed.
        if (page.opener->ran())
            logMessage("Game: the desktop's opener did not take %s: %s, ERROR", page.address.c_str(),
                       page.opener->failure().c_str());
        return page.hooks.failed;
    default:
        return nullptr;
    }
}

void AwaitedPages::tellOutcomes(HoWorld &world) {
    if (awaited_.empty())
        return;
    const bool fixedClock = platformFixedClockEnabled();
    // A hook may hand another page over: what it adds is awaited after the pages still awaited.
    std::vector<Awaited> pages = std::exchange(awaited_, {}), still;
    for (Awaited &page : pages) {
        const char *hook = outcomeHook(page, fixedClock, world.tickCounter);
        if (!hook) {
            still.push_back(std::move(page));
            continue;
        }
        if (HoScene *scene = world.findScene(page.scene))
            runTextHook(&scene->script, hook, page.address.c_str());
    }
    still.insert(still.end(), std::make_move_iterator(awaited_.begin()), std::make_move_iterator(awaited_.end()));
    awaited_ = std::move(still);
}
