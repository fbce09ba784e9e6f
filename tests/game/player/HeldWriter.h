#pragma once
// Holds a save writer's thread inside a job until let go: the jobs asked for meanwhile wait behind it, as
// behind a write that the disk does not finish.

#include <atomic>
#include <future>
#include <string>

#include "game/player/SaveWriter.h"

class HeldWriter {
public:
    explicit HeldWriter(SaveWriter &writer) {
        // The job holds the future by value: it may start after this holder is gone.
        writer.keepCopy("", {}, [let = let_.get_future().share()](const std::string &) { let.wait(); });
    }
    ~HeldWriter() { letGo(); }
    HeldWriter(const HeldWriter &) = delete;
    HeldWriter &operator=(const HeldWriter &) = delete;
    void letGo() {
        if (!gone_.exchange(true))
            let_.set_value();
    }

private:
    std::promise<void> let_;
    std::atomic<bool> gone_{false};
};
