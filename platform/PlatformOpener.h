#pragma once
// The desktop's opener started for one page or document. Whether it took what it was handed is known only
// later, since it is a child process: a thread of its own waits for the child's end and records its exit
// status, so that nobody else ever waits without a bound. The opener has taken the page when it ends with
// success; while it still runs after kTakenWhileRunningAfter it counts as taken for now (an opener may live as
// long as the browser it started), until its end says otherwise. It failed when it could not be started or
// ended with a failure, whenever that end came. Shared between the caller and that thread: either may let go
// first.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

class PlatformOpener {
public:
    enum class Outcome { pending, taken, failed };
    static constexpr std::chrono::milliseconds kTakenWhileRunningAfter{2000};

    // An opener that never ran, for the reason given in a few words.
    static std::shared_ptr<PlatformOpener> refused(std::string reason);
    // Starts the program found on PATH with the one argument, without a shell.
    static std::shared_ptr<PlatformOpener> start(const char *program, const std::string &argument);

    // The outcome as it stands now; never waits. Taken may still turn to failed until the opener has ended.
    Outcome outcome() const;
    // Whether the outcome is final: the opener has ended, or never ran.
    bool ended() const;
    // The outcome, waited for at most until the opener has run for kTakenWhileRunningAfter.
    Outcome waitForOutcome() const;
    // Why it failed ("xdg-open ended with status 4"); empty unless it failed.
    std::string failure() const;
    // Whether a process was started (one that could not start, or was refused, failed at once).
    bool ran() const { return ran_; }

    PlatformOpener(std::string program, bool ran, std::string failure);

private:
    void waitForEnd(int child);
    Outcome outcomeLocked(std::chrono::steady_clock::time_point now) const;

    const std::string program_;
    const bool ran_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    mutable std::mutex lock_;
    mutable std::condition_variable ended_;
    bool running_;
    std::string failure_; // set when it could not start or ended with a failure
};
