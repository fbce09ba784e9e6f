#pragma once
// The pages that the scripts handed to the desktop's opener, awaited until the script that asked hears how
// each went: its hook for a page taken, or for a page that was not, with the page's address as text. The
// opener is a child process whose outcome comes later, so the world's steps only look whether it is known
// and never wait for it; under the fixed clock of scripted runs the outcome is told a set number of steps
// after the request (waited for then, within the opener's own bound), so that those runs step alike on any
// machine. An opener that still runs then has taken the page for now; it is watched until it ends, and a
// failure at its end is told too, after the page was told taken. The world owns the list: a world let go
// takes its pages' outcomes with it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class HoScene;
class HoWorld;
class PlatformOpener;
struct PageOpening;

// The hooks that hear of a page: taken by the opener, or not.
struct PageHooks {
    const char *opened;
    const char *failed;
};

class AwaitedPages {
public:
    static constexpr int32_t kFixedClockOutcomeSteps = 10;

    // Awaits the page's outcome for the scene's script, from the world's step count now; a page without
    // an opener (its file named none) is not awaited.
    void await(const PageOpening &page, const HoScene *asker, PageHooks hooks, int32_t step);
    // At a step of the world: each page whose outcome is known (or due, under the fixed clock), and each
    // page told taken whose opener has failed since, is logged and told to the script that asked, when its
    // scene is still there.
    void tellOutcomes(HoWorld &world);

private:
    // What the script has heard of the page: nothing yet, that it was taken (the opener's end still to be
    // seen), or all there is to hear.
    enum class Told { nothing, taken, everything };
    struct Awaited {
        std::shared_ptr<PlatformOpener> opener;
        std::string address;
        const char *scene; // the asking scene's identifier
        PageHooks hooks;
        int32_t dueStep; // under the fixed clock
        Told told = Told::nothing;
    };
    // The hook the page's script is to hear now, logged; null when there is nothing to tell now.
    static const char *hookToRun(Awaited &page, bool fixedClock, int32_t step);
    // The hook for the page's outcome; null while it is not known (under the fixed clock: before its due
    // step).
    static const char *outcomeHook(Awaited &page, bool fixedClock, int32_t step);
    // For a page told taken: the failed hook once its opener has ended with a failure after all.
    static const char *lateFailureHook(Awaited &page);

    std::vector<Awaited> awaited_;
};
