#include "game/player/SaveWriter.h"

#include "engine/system/KSystem.h"
#include "game/player/DamagedFiles.h"

const char *describeFileError(PlatformFileError error) {
    switch (error) {
    case PlatformFileError::kNone:
        return "written";
    case PlatformFileError::kNoRoom:
        return "no room left on the disk";
    case PlatformFileError::kNoPermission:
        return "no permission to write there";
    case PlatformFileError::kOther:
        break;
    }
    return "the system refused the write";
}

bool writeSaveFileNow(const std::string &path, const void *bytes, size_t size, PlatformFileError *error) {
    PlatformFileError why = PlatformFileError::kOther;
    const bool written = !path.empty() && platformReplaceFile(path.c_str(), bytes, size, &why);
    if (!written)
        logMessage("Game: cannot write save file %s: %s, ERROR", path.c_str(), describeFileError(why));
    if (error)
        *error = written ? PlatformFileError::kNone : why;
    return written;
}

void SaveWriter::startThread() {
    if (!thread_.joinable()) {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
        thread_ = std::thread([this] { run(); });
    }
}

bool SaveWriter::write(std::string path, FileImage image, size_t size, const char *announcement) {
    Job job;
    job.path = std::move(path);
    job.image = std::move(image);
    job.size = size;
    job.announcement = announcement;
    return submit(std::move(job)) == PlatformFileError::kNone;
}

void SaveWriter::reportUnmade(std::string path, PlatformFileError error, const char *announcement) {
    Job job;
    job.kind = Kind::kUnmade;
    job.path = std::move(path);
    job.unmadeError = error;
    job.announcement = announcement;
    submit(std::move(job));
}

void SaveWriter::remove(std::string path) {
    Job job;
    job.kind = Kind::kRemove;
    job.path = std::move(path);
    submit(std::move(job));
}

void SaveWriter::setAside(std::string path, AsideDone done) {
    Job job;
    job.kind = Kind::kSetAside;
    // Resolved as the writes' paths are, so that no write of the file folds past it.
    job.path = path.empty() ? path : resolveDataPath(path.c_str());
    job.asideDone = std::move(done);
    submit(std::move(job));
}

void SaveWriter::keepCopy(std::string path, std::vector<uint8_t> bytes, AsideDone done) {
    Job job;
    job.kind = Kind::kKeepCopy;
    job.path = path.empty() ? path : resolveDataPath(path.c_str());
    job.copy = std::move(bytes);
    job.asideDone = std::move(done);
    submit(std::move(job));
}

SaveWriter::Job *SaveWriter::waitingWriteOf(const std::string &path) {
    for (auto job = jobs_.rbegin(); job != jobs_.rend(); ++job) {
        if (job->path == path)
            return job->kind == Kind::kWrite ? &*job : nullptr;
    }
    return nullptr;
}

PlatformFileError SaveWriter::submit(Job job) {
    std::unique_lock<std::mutex> lock(mutex_);
    job.frame = frame_;
    if (thread_.joinable()) {
        Job *waiting = job.kind == Kind::kWrite ? waitingWriteOf(job.path) : nullptr;
        if (waiting) {
            // Only the last bytes of a file matter: they go out in the waiting write's place, announced
            // as either asked.
            waiting->image = std::move(job.image);
            waiting->size = job.size;
            if (job.announcement)
                waiting->announcement = job.announcement;
            return PlatformFileError::kNone;
        }
        doneJob_.wait(lock, [this] { return jobs_.size() < kMostWaitingJobs; });
        jobs_.push_back(std::move(job));
        wake_.notify_one();
        return PlatformFileError::kNone;
    }
    lock.unlock();
    const PlatformFileError error = perform(job);
    lock.lock();
    record(job, error);
    return error;
}

void SaveWriter::waitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    doneJob_.wait(lock, [this] { return idle(); });
}

bool SaveWriter::waitUntilIdleFor(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return doneJob_.wait_for(lock, bound, [this] { return idle(); });
}

std::string SaveWriter::describe(Kind kind, const std::string &path) {
    switch (kind) {
    case Kind::kWrite:
    case Kind::kUnmade:
        return "the save of " + path;
    case Kind::kRemove:
        return "the removal of " + path;
    case Kind::kSetAside:
        return "setting the damaged " + path + " aside";
    case Kind::kKeepCopy:
        return "the copy of the damaged " + path;
    }
    return path;
}

std::vector<std::string> SaveWriter::unfinished() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> jobs;
    if (working_)
        jobs.push_back(workingWhat_);
    for (const Job &job : jobs_)
        jobs.push_back(describe(job.kind, job.path));
    return jobs;
}

bool SaveWriter::busy() {
    std::lock_guard<std::mutex> lock(mutex_);
    return !idle();
}

std::vector<SaveWriter::Outcome> SaveWriter::takeOutcomes(bool fixedClock) {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t frame = frame_++;
    std::vector<Outcome> taken;
    if (fixedClock && frame < kFixedClockOutcomeFrames)
        return taken;
    const uint64_t due = fixedClock ? frame - kFixedClockOutcomeFrames : frame;
    if (fixedClock)
        doneJob_.wait(lock, [this, due] { return doneUpTo(due); });
    while (!outcomes_.empty() && outcomes_.front().frame <= due) {
        taken.push_back(std::move(outcomes_.front().outcome));
        outcomes_.pop_front();
    }
    return taken;
}

void SaveWriter::finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        wake_.notify_one();
    }
    if (thread_.joinable())
        thread_.join();
}

void SaveWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        // A caller may wait for room in the queue.
        doneJob_.notify_all();
        working_ = true;
        workingFrame_ = job.frame;
        workingWhat_ = describe(job.kind, job.path);
        lock.unlock();
        const PlatformFileError error = perform(job);
        lock.lock();
        working_ = false;
        record(job, error);
    }
}

PlatformFileError SaveWriter::refuseWriteOverHeld(const Job &job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!held_.count(job.path))
            return PlatformFileError::kNone;
    }
    logMessage("Game: cannot write save file %s: it is damaged and could not be set aside or copied, so it is kept as "
               "it is, ERROR",
               job.path.c_str());
    return PlatformFileError::kOther;
}

PlatformFileError SaveWriter::perform(const Job &job) {
    PlatformFileError error = PlatformFileError::kNone;
    std::string aside;
    switch (job.kind) {
    case Kind::kWrite:
        error = refuseWriteOverHeld(job);
        if (error == PlatformFileError::kNone)
            writeSaveFileNow(job.path, job.image.get(), job.size, &error);
        break;
    case Kind::kUnmade:
        error = job.unmadeError;
        break;
    case Kind::kRemove:
        if (!job.path.empty())
            platformDeleteFile(job.path.c_str());
        break;
    case Kind::kSetAside:
        aside = setDamagedFileAside(job.path);
        break;
    case Kind::kKeepCopy:
        aside = keepDamagedCopy(job.path, job.copy.data(), job.copy.size());
        break;
    }
    // A damaged file of which nothing could be kept aside stays the only place its bytes are.
    if ((job.kind == Kind::kSetAside || job.kind == Kind::kKeepCopy) && aside.empty()) {
        std::lock_guard<std::mutex> lock(mutex_);
        held_.insert(job.path);
    }
    if (job.asideDone)
        job.asideDone(aside);
    return error;
}

void SaveWriter::record(const Job &job, PlatformFileError error) {
    if (job.kind == Kind::kWrite || job.kind == Kind::kUnmade) {
        const bool failed = error != PlatformFileError::kNone;
        const bool fileRecovered = !failed && failingFiles_.erase(job.path) > 0;
        if (failed)
            failingFiles_.insert(job.path);
        if (failed || lastFailed_ || fileRecovered || job.announcement)
            outcomes_.push_back({job.frame, {job.path, error, job.announcement}});
        lastFailed_ = failed;
    }
    doneJob_.notify_all();
}

bool SaveWriter::doneUpTo(uint64_t frame) const {
    return !(working_ && workingFrame_ <= frame) && (jobs_.empty() || jobs_.front().frame > frame);
}
