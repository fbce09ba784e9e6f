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

const char *AwaitedPages::hookToRun(Awaited &page, bool fixedClock, int32_t step) {
    return page.told == Told::nothing ? outcomeHook(page, fixedClock, step) : lateFailureHook(page);
}

const char *AwaitedPages::outcomeHook(Awaited &page, bool fixedClock, int32_t step) {
    using Outcome = PlatformOpener::Outcome;
    Outcome outcome = page.opener->outcome();
    if (fixedClock)
        outcome = step < page.dueStep ? Outcome::pending : page.opener->waitForOutcome();
    switch (outcome) {
    case Outcome::taken:
        logMessage("Game: the desktop's opener took %s", page.address.c_str());
        // Watched until its end is seen, even when it has come: how it ended is read only once it is known
        // to have ended, so that a failure just now is not missed.
        page.told = Told::taken;
        return page.hooks.opened;
    case Outcome::failed:
        // One that could not start was logged as it failed.
        if (page.opener->ran())
            logMessage("Game: the desktop's opener did not take %s: %s, ERROR", page.address.c_str(),
                       page.opener->failure().c_str());
        page.told = Told::everything;
        return page.hooks.failed;
    default:
        return nullptr;
    }
}

const char *AwaitedPages::lateFailureHook(Awaited &page) {
    if (!page.opener->ended())
        return nullptr;
    page.told = Told::everything;
    if (page.opener->outcome() != PlatformOpener::Outcome::failed)
        return nullptr;
    logMessage("Game: the desktop's opener did not take %s after all: %s, ERROR", page.address.c_str(),
               page.opener->failure().c_str());
    return page.hooks.failed;
}

void AwaitedPages::tellOutcomes(HoWorld &world) {
    if (awaited_.empty())
        return;
    const bool fixedClock = platformFixedClockEnabled();
    // A hook may hand another page over: what it adds is awaited after the pages still awaited.
    std::vector<Awaited> pages = std::exchange(awaited_, {}), still;
    for (Awaited &page : pages) {
        if (const char *hook = hookToRun(page, fixedClock, world.tickCounter)) {
            if (HoScene *scene = world.findScene(page.scene))
                runTextHook(&scene->script, hook, page.address.c_str());
        }
        if (page.told != Told::everything)
            still.push_back(std::move(page));
    }
    still.insert(still.end(), std::make_move_iterator(awaited_.begin()), std::make_move_iterator(awaited_.end()));
    awaited_ = std::move(still);
}
