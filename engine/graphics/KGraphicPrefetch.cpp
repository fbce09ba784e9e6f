#include "engine/graphics/KGraphicPrefetch.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "engine/graphics/KGraphic.h"
#include "engine/system/KSystemLog.h"
#include "platform/BackgroundWork.h"
#include "platform/WinBase.h"

namespace {

struct Job {
    std::string file;
    KGraphicPrefetch::Maker maker;
    uint64_t ticket;
};

struct Entry {
    enum State { queued, making, made } state = queued;
    uint64_t ticket = 0;
    KGraphic *picture = nullptr;
};

// The queue, the pictures in hand and the workers. Each request of a file takes a ticket: work whose entry
// was discarded (or asked for again since) is deleted when it finishes, never handed out.
class Prefetch {
public:
    ~Prefetch() { stop(); }

    void request(const std::vector<std::string> &files, const KGraphicPrefetch::Maker &maker) {
        std::lock_guard<std::mutex> guard(lock_);
        if (workers_.empty())
            startWorkers();
        for (const std::string &file : files) {
            if (entries_.count(file))
                continue;
            entries_[file].ticket = ++tickets_;
            queue_.push_back(Job{file, maker, tickets_});
        }
        work_.notify_all();
    }

    KGraphic *take(const char *file) {
        std::unique_lock<std::mutex> guard(lock_);
        auto found = entries_.find(file);
        if (found == entries_.end())
            return nullptr;
        if (found->second.state == Entry::queued) {
            forgetQueued(found->first);
            entries_.erase(found);
            return nullptr;
        }
        const uint64_t ticket = found->second.ticket;
        done_.wait(guard, [&] {
            found = entries_.find(file);
            return found == entries_.end() || found->second.ticket != ticket || found->second.state == Entry::made;
        });
        if (found == entries_.end() || found->second.ticket != ticket)
            return nullptr;
        KGraphic *picture = found->second.picture;
        entries_.erase(found);
        return picture;
    }

    // Every file but the kept ones is forgotten.
    void discard(const std::vector<std::string> &kept = {}) {
        std::vector<KGraphic *> unclaimed;
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (auto entry = entries_.begin(); entry != entries_.end();) {
                if (std::find(kept.begin(), kept.end(), entry->first) != kept.end()) {
                    ++entry;
                    continue;
                }
                if (entry->second.picture)
                    unclaimed.push_back(entry->second.picture);
                entry = entries_.erase(entry);
            }
            std::erase_if(queue_, [&](const Job &job) { return !entries_.count(job.file); });
        }
        done_.notify_all();
        for (KGraphic *picture : unclaimed)
            delete picture;
    }

    void stop() {
        discard();
        std::vector<std::thread> workers;
        {
            std::unique_lock<std::mutex> guard(lock_);
            stopping_ = true;
            work_.notify_all();
            workers.swap(workers_);
        }
        for (std::thread &worker : workers)
            worker.join();
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = false;
    }

    size_t pending() {
        std::lock_guard<std::mutex> guard(lock_);
        return entries_.size();
    }

    size_t made() {
        std::lock_guard<std::mutex> guard(lock_);
        return std::count_if(entries_.begin(), entries_.end(),
                             [](const auto &entry) { return entry.second.state == Entry::made; });
    }

    bool working() {
        std::lock_guard<std::mutex> guard(lock_);
        return std::any_of(entries_.begin(), entries_.end(),
                           [](const auto &entry) { return entry.second.state != Entry::made; });
    }

private:
    void startWorkers() {
        const int count = platformUsableProcessorCount();
        for (int i = 0; i < count; ++i)
            workers_.emplace_back([this] { work(); });
    }

    void forgetQueued(const std::string &file) {
        for (auto job = queue_.begin(); job != queue_.end(); ++job) {
            if (job->file == file) {
                queue_.erase(job);
                return;
            }
        }
    }

    void work() {
        // The frames go on meanwhile: decoding gives way to their drawing.
        platformMarkBackgroundThread();
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            work_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            Job job = std::move(queue_.front());
            queue_.pop_front();
            auto entry = entries_.find(job.file);
            if (entry == entries_.end() || entry->second.ticket != job.ticket)
                continue;
            entry->second.state = Entry::making;
            guard.unlock();
            KGraphic *picture = nullptr;
            {
                KLogSilence quiet;
                picture = job.maker(job.file);
            }
            guard.lock();
            auto found = entries_.find(job.file);
            if (found != entries_.end() && found->second.ticket == job.ticket) {
                if (picture) {
                    found->second.state = Entry::made;
                    found->second.picture = picture;
                } else {
                    entries_.erase(found);
                }
                picture = nullptr;
            }
            done_.notify_all();
            if (picture) {
                guard.unlock();
                delete picture;
                guard.lock();
            }
        }
    }

    std::mutex lock_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<Job> queue_;
    std::unordered_map<std::string, Entry> entries_;
    std::vector<std::thread> workers_;
    uint64_t tickets_ = 0;
    bool stopping_ = false;
};

Prefetch &prefetch() {
    static Prefetch state;
    return state;
}

} // namespace

void KGraphicPrefetch::request(const std::vector<std::string> &files, const Maker &maker) {
    prefetch().request(files, maker);
}

KGraphic *KGraphicPrefetch::take(const char *file) {
    return file ? prefetch().take(file) : nullptr;
}

void KGraphicPrefetch::discard() {
    prefetch().discard();
}

void KGraphicPrefetch::discardExcept(const std::vector<std::string> &files) {
    prefetch().discard(files);
}

void KGraphicPrefetch::stop() {
    prefetch().stop();
}

size_t KGraphicPrefetch::pending() {
    return prefetch().pending();
}

bool KGraphicPrefetch::working() {
    return prefetch().working();
}

size_t KGraphicPrefetch::made() {
    return prefetch().made();
}
