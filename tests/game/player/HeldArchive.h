#pragma once
// A data disk that holds the first thread other than the one that made it to ask for one file, until the
// test releases it (at the latest after a minute, so that a test gone wrong ends); every other ask passes
// on to the archives mounted before it, as for a file that is not there. Mounted after them, it is asked
// only for names that none of them holds. The held thread keeps the resource layer's list of archives
// read-locked, so the layer's cleanup (at the game's end) waits for it: a test releases it before the end,
// or the end waits out the minute. The layer owns the archive and deletes it at its cleanup, before or
// after this object goes: what the two share is held by shared ownership.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchive.h"

class HeldArchive {
public:
    explicit HeldArchive(std::string name) : state_(std::make_shared<State>()) {
        state_->name = std::move(name);
        state_->maker = std::this_thread::get_id();
        KResource::linkArchive(new Archive(state_));
    }
    HeldArchive(const HeldArchive &) = delete;
    HeldArchive &operator=(const HeldArchive &) = delete;
    ~HeldArchive() { release(); }

    // Waits, a minute at most, until a thread is held; true when one is.
    bool waitUntilHeld() {
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::minutes(1), [this] { return state_->held; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->released = true;
        state_->changed.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::string name;
        std::thread::id maker;
        bool held = false;
        bool released = false;
    };

    class Archive : public KResourceArchive {
    public:
        explicit Archive(std::shared_ptr<State> state) : state_(std::move(state)) {}
        int32_t openArchive(const char *, uint32_t, const char *) override { return 0; }
        bool enumerateFolder(const char *, EnumerateFolderCallback, void *) override { return true; }
        bool enumerateEntries(EnumerateFolderCallback, void *) override { return true; }
        bool getFileInfo(const char *name, FileInfo *) override { return holdOnce(name); }
        KResourceFile *openFile(const char *name) override {
            holdOnce(name);
            return nullptr;
        }
        bool loadFile(const char *name, unsigned char **, uint32_t *) override { return holdOnce(name); }

    private:
        // False, after holding the caller when it is the first to be held.
        bool holdOnce(const char *name) {
            std::unique_lock<std::mutex> lock(state_->mutex);
            if (state_->held || !name || state_->name != name || std::this_thread::get_id() == state_->maker)
                return false;
            state_->held = true;
            state_->changed.notify_all();
            state_->changed.wait_for(lock, std::chrono::minutes(1), [this] { return state_->released; });
            return false;
        }
        std::shared_ptr<State> state_;
    };

    std::shared_ptr<State> state_;
};
