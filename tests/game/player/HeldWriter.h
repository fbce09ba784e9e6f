#pragma once
// Holds a save writer's thread inside a job until let go: the jobs asked for meanwhile wait behind it, as
// behind a write that the disk does not finish. The job holds its own share of what lets it go, so that it
// may reach the writer's thread after the HeldWriter is gone (behind a stuck job, or late on a busy machine).

#include <future>
#include <memory>
#include <mutex>
#include <string>

#include "game/player/SaveWriter.h"

class HeldWriter {
public:
    // What a held job waits on, shared by whoever lets it go and the job.
    struct Let {
        std::promise<void> promise;
        std::shared_future<void> released = promise.get_future().share();
        std::once_flag once;
        void letGo() {
            std::call_once(once, [this] { promise.set_value(); });
        }
    };

    explicit HeldWriter(SaveWriter &writer) {
        writer.keepCopy("", {}, [let = let_](const std::string &) { let->released.wait(); });
    }
    ~HeldWriter() { letGo(); }
    HeldWriter(const HeldWriter &) = delete;
    HeldWriter &operator=(const HeldWriter &) = delete;
    void letGo() { let_->letGo(); }

private:
    const std::shared_ptr<Let> let_ = std::make_shared<Let>();
};
