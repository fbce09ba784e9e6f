#include "game/player/SaveWriter.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "engine/system/KSystem.h"
#include "game/player/DamagedFiles.h"
#include "platform/TestHooks.h"

const char *describeFileError(PlatformFileError error) {
    switch (error) {
    case PlatformFileError::kNone:
        return "written";
    case PlatformFileError::kNoRoom:
        return "no room left on the disk";
    case PlatformFileError::kNoPermission:
        return "no permission to write there";
    case PlatformFileError::kTimedOut:
        return "the disk did not finish in time";
    case PlatformFileError::kOther:
        break;
    }
    return "the system refused the write";
}

bool writeSaveFileNow(const std::string &path, const void *bytes, size_t size, PlatformFileError *error,
                      const char *kind) {
    PlatformFileError why = PlatformFileError::kOther;
    const bool written = !path.empty() && platformReplaceFile(path.c_str(), bytes, size, &why);
    if (!written)
        logMessage("Game: cannot write %s %s: %s, ERROR", kind, path.c_str(), describeFileError(why));
    if (error)
        *error = written ? PlatformFileError::kNone : why;
    return written;
}

namespace {

// The jobs on each file (resolved paths) that have begun and not ended, in every writer of the process, in
// the order they began: a job's turn comes when none began before it. A writer's own jobs follow each other
// anyway; the line keeps the order between writers, above all behind a job given up on, which is still in
// line until it ends. Never destroyed: a thread given up on may end while the process does.
class FileTurns {
public:
    struct Turn {
        uint64_t ticket = 0;
        std::string what; // the job, for the log
        bool givenUp = false;
    };

    // Takes a place at the end of the file's line; the job first in line before it, if any.
    std::optional<Turn> join(const std::string &path, std::string what, uint64_t *ticket) {
        std::lock_guard<std::mutex> lock(mutex_);
        *ticket = ++tickets_;
        std::deque<Turn> &line = lines_[path];
        std::optional<Turn> ahead;
        if (!line.empty())
            ahead = line.front();
        line.push_back({*ticket, std::move(what)});
        return ahead;
    }
    void waitForTurn(const std::string &path, uint64_t ticket) {
        std::unique_lock<std::mutex> lock(mutex_);
        left_.wait(lock, [&] { return lines_.at(path).front().ticket == ticket; });
    }
    void markGivenUp(const std::string &path, uint64_t ticket) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Turn *turn = find(path, ticket))
            turn->givenUp = true;
    }
    void leave(const std::string &path, uint64_t ticket) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto line = lines_.find(path);
        if (line == lines_.end())
            return;
        std::erase_if(line->second, [ticket](const Turn &turn) { return turn.ticket == ticket; });
        if (line->second.empty())
            lines_.erase(line);
        left_.notify_all();
    }

private:
    Turn *find(const std::string &path, uint64_t ticket) {
        const auto line = lines_.find(path);
        if (line == lines_.end())
            return nullptr;
        for (Turn &turn : line->second) {
            if (turn.ticket == ticket)
                return &turn;
        }
        return nullptr;
    }

    std::mutex mutex_;
    std::condition_variable left_;
    std::map<std::string, std::deque<Turn>> lines_;
    uint64_t tickets_ = 0;
};

FileTurns &fileTurns() {
    static auto *turns = new FileTurns;
    return *turns;
}

// "the save of <file>, asked earlier and given up on," for the log.
std::string describeAhead(const FileTurns::Turn &ahead) {
    return ahead.what + (ahead.givenUp ? ", asked earlier and given up on," : ", asked earlier,");
}

} // namespace

struct SaveWriter::Job {
    enum class Kind : uint8_t { kWrite, kUnmade, kRemove, kSetAside, kKeepCopy };
    Kind kind = Kind::kWrite;
    uint64_t number = 0; // jobs asked before it and itself
    uint64_t frame = 0;  // the frame it was asked on
    std::string path;
    FileImage image{nullptr, std::free};
    size_t size = 0;
    const char *announcement = nullptr;
    PlatformFileError unmadeError = PlatformFileError::kOther; // why a save that was not made failed
    std::vector<uint8_t> copy; // the bytes a damaged file's copy keeps
    AsideDone asideDone;
    bool afterRefusedRemoval = false; // a removal of the file was refused before it: its outcome comes back

    bool saves() const { return kind == Kind::kWrite || kind == Kind::kUnmade; }
    // It changes the file or one beside it, and so takes its turn on it.
    bool changesFile() const { return kind != Kind::kUnmade && !path.empty(); }
    Unfinished asUnfinished() const {
        return {describe(), saves() ? path : std::string(), kind == Kind::kRemove ? path : std::string()};
    }
    std::string describe() const {
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
};

// What the caller and the thread share, kept alive by the thread as long as it runs.
struct SaveWriter::State {
    struct KeptOutcome {
        uint64_t frame;
        Outcome outcome;
        uint64_t number = 0; // the job's
    };
    // In the caller's thread until the thread starts; on it until the end; after the end, in the thread
    // that ended it.
    enum class Mode : uint8_t { kCaller, kThread, kEnded };

    explicit State(const char *kind) : fileKind(kind) {}

    const char *fileKind; // for the log
    std::mutex mutex;
    std::condition_variable wake;    // the thread: a job came, or the end
    std::condition_variable doneJob; // the waiters: a job was taken or done
    Mode mode = Mode::kCaller;
    std::thread::id endedBy; // the thread that ended the writer's thread
    std::deque<Job> jobs;
    bool working = false;      // the thread does a job taken from the queue
    uint64_t taken = 0;        // jobs taken from the queue so far
    uint64_t overdue = 0;      // the number of the job at work that outlasted a wait's bound (0: none)
    bool waitsForGivenUp = false; // the job at work waits for its turn behind a job given up on
    uint64_t workingFrame = 0; // the frame the job at work was asked on
    uint64_t workingNumber = 0;
    uint64_t workingTicket = 0; // its place in its file's line
    Job::Kind workingKind = Job::Kind::kWrite;
    std::string workingPath;
    Unfinished workingJob; // what it does
    std::chrono::steady_clock::time_point workingSince;
    uint64_t toldLong = 0; // the number of the last job told as long at work
    uint64_t giveUps = 0;  // the ends that gave jobs up so far
    std::vector<Unfinished> givenUp; // the jobs the last of them gave up
    uint64_t asked = 0;    // jobs asked for so far
    std::deque<KeptOutcome> outcomes;
    std::map<std::string, uint64_t> lastSaveAsked; // the number of each file's last save asked for
    std::map<std::string, uint64_t> lastSaveWritten; // the number of each file's last save written whole
    // Files whose removal the disk refused, not asked again since (resolved paths).
    std::set<std::string> refusedRemovals;
    uint64_t frame = 0;
    bool lastFailed = false;
    // Files whose last write failed or was not finished when a wait gave up (resolved paths): the next
    // one written is an outcome.
    std::map<std::string, PlatformFileError> failingFiles; // and why each failed last
    // The number of the writer's thread; a thread whose number it no longer is has been ended or let go
    // (the job it ends then is no longer the writer's).
    uint64_t generation = 0;
    // Damaged files that could not be set aside or copied (resolved paths): no save writes over them.
    std::set<std::string> held;
    // Files whose game was discarded, with the number of the last job asked before: the saves of them up to
    // it neither mark them failed nor bring back an outcome.
    std::map<std::string, uint64_t> forgotten;
    WaitingHook waitingHook;
    std::thread::id waitingThread; // the thread whose waits call the hook

    // The loop of the thread of that number.
    void run(uint64_t mine);
    // Under the lock: the job taken from the queue is at work, its place taken in its file's line; the job
    // ahead of it there, if any.
    std::optional<FileTurns::Turn> startWorking(const Job &job);
    // On the thread of that number: waits for the job's turn behind the one ahead of it, saying so.
    void waitForTurn(const Job &job, uint64_t ticket, const FileTurns::Turn &ahead, uint64_t mine);
    // In the caller's thread: the job now, or refused when its turn has not come.
    PlatformFileError performNow(const Job &job);
    PlatformFileError perform(const Job &job);
    // A save that must not land now: over a damaged file that could not be set aside or copied. Refused
    // and logged.
    PlatformFileError refuseWrite(const Job &job);
    // A job not done (logged by the caller): a save fails as not finished in time, and a damaged file of
    // which nothing was kept aside is held.
    PlatformFileError refuse(const Job &job);
    // Tells a job that sets a damaged file aside or copies it the name it was kept as (empty: none, and no
    // save writes over the file).
    void tellAside(const Job &job, const std::string &aside);
    // Under the lock: the job's outcome, kept when the main thread is to act on it.
    void record(const Job &job, PlatformFileError error);
    // Under the lock: the job goes in the queue, waiting for room at most the longest wait; nothing when the
    // thread ended meanwhile (the job is left to the caller).
    std::optional<PlatformFileError> queue(std::unique_lock<std::mutex> &lock, Job &job);
    // The removals the disk refused, each to be asked again before the job: one of the job's own file (a
    // removal or a save) takes its place instead, its outcome coming back.
    std::vector<std::string> takeRefusedRemovals(Job &job);
    // Under the lock: the job, a removal or a save of a file whose removal was refused (asked before the refusal
    // was known, or taking it over), replaced what the file held unless it failed; its outcome then comes back.
    // A save that failed leaves the old bytes, whose removal is asked again.
    bool replacesRefusedRemoval(const Job &job, bool failed) {
        const bool refused = refusedRemovals.count(job.path) > 0 || job.afterRefusedRemoval;
        if (!failed)
            refusedRemovals.erase(job.path);
        else if (refused && job.saves())
            refusedRemovals.insert(job.path);
        return refused;
    }
    // Under the lock: no job is waiting or at work.
    bool idle() const { return jobs.empty() && !working; }
    // Under the lock: no job asked on the frame or before it is waiting or at work.
    bool doneUpTo(uint64_t frame) const {
        return !(working && workingFrame <= frame) && (jobs.empty() || jobs.front().frame > frame);
    }
    // Under the lock: the waiting write of the file that a new write of it may take the place of.
    Job *waitingWriteOf(const std::string &path);
    // Under the lock: waits until `done` holds, at most the bound, and not at all while the job at work is
    // one that outlasted a bound already or waits behind a job given up on; whether it holds.
    template <typename Done>
    bool waitFor(std::unique_lock<std::mutex> &lock, std::chrono::milliseconds bound, Done done);
    // Under the lock: the jobs at work and waiting.
    std::vector<Unfinished> jobsLeft() const;
    // Under the lock: the jobs at work and waiting, each save among them counted as failed until its file
    // is written.
    std::vector<Unfinished> markJobsLeftFailed();
    // Under the lock: the job at work is known stuck when it has been at work for the bound (not while it
    // waits for its turn behind a job given up on, nor when it began during a wait that outlasted the bound).
    void markStuckIfOutlasted(std::chrono::milliseconds bound);
    // Under the lock: the save of the file, asked as that job, was discarded since.
    bool isForgotten(const std::string &path, uint64_t number) const {
        const auto file = forgotten.find(path);
        return file != forgotten.end() && number <= file->second;
    }
    // Under the lock: a save not finished counts as failed until its file is written.
    void markNotFinished(const std::string &path, uint64_t number) {
        if (!path.empty() && !isForgotten(path, number))
            failingFiles[path] = PlatformFileError::kTimedOut;
    }
    // Under the lock: the thread is let go; the waiting jobs are never done, and the one at work keeps its
    // place in its file's line until it ends.
    void giveUp();
};

SaveWriter::SaveWriter(const char *fileKind) : state_(std::make_shared<State>(fileKind)) {}

namespace {

std::atomic<int64_t> longestWaitForTests{0}; // milliseconds; zero: the clock's

} // namespace

std::chrono::milliseconds SaveWriter::longestWait() {
    if (const int64_t wait = longestWaitForTests.load())
        return std::chrono::milliseconds(wait);
    return platformFixedClockEnabled() ? kLongestFixedClockWait : kLongestWait;
}

void SaveWriter::setLongestWaitForTests(std::chrono::milliseconds wait) { longestWaitForTests = wait.count(); }

void SaveWriter::startThread() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->mode == State::Mode::kThread)
        return;
    state_->mode = State::Mode::kThread;
    thread_ = std::thread([state = state_, mine = ++state_->generation] { state->run(mine); });
}

bool SaveWriter::threaded() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->mode == State::Mode::kThread;
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
    job.kind = Job::Kind::kUnmade;
    job.path = std::move(path);
    job.unmadeError = error;
    job.announcement = announcement;
    submit(std::move(job));
}

void SaveWriter::remove(std::string path) {
    // Whatever was written of the file before goes with it.
    forget(path);
    Job job;
    job.kind = Job::Kind::kRemove;
    job.path = std::move(path);
    submit(std::move(job));
}

void SaveWriter::setAside(std::string path, AsideDone done) {
    Job job;
    job.kind = Job::Kind::kSetAside;
    // Resolved as the writes' paths are, so that no write of the file folds past it.
    job.path = path.empty() ? path : resolveDataPath(path.c_str());
    job.asideDone = std::move(done);
    submit(std::move(job));
}

void SaveWriter::keepCopy(std::string path, std::vector<uint8_t> bytes, AsideDone done) {
    Job job;
    job.kind = Job::Kind::kKeepCopy;
    job.path = path.empty() ? path : resolveDataPath(path.c_str());
    job.copy = std::move(bytes);
    job.asideDone = std::move(done);
    submit(std::move(job));
}

SaveWriter::Job *SaveWriter::State::waitingWriteOf(const std::string &path) {
    for (auto job = jobs.rbegin(); job != jobs.rend(); ++job) {
        if (job->path == path)
            return job->kind == Job::Kind::kWrite ? &*job : nullptr;
    }
    return nullptr;
}

std::vector<std::string> SaveWriter::State::takeRefusedRemovals(Job &job) {
    std::lock_guard<std::mutex> lock(mutex);
    if (job.kind == Job::Kind::kRemove || job.saves())
        job.afterRefusedRemoval = refusedRemovals.erase(job.path) > 0 || job.afterRefusedRemoval;
    const std::set<std::string> again = std::exchange(refusedRemovals, {});
    return {again.begin(), again.end()};
}

PlatformFileError SaveWriter::submit(Job job) {
    for (std::string &path : state_->takeRefusedRemovals(job)) {
        Job again;
        again.kind = Job::Kind::kRemove;
        again.path = std::move(path);
        again.afterRefusedRemoval = true;
        submit(std::move(again));
    }
    State &state = *state_;
    std::unique_lock<std::mutex> lock(state.mutex);
    job.frame = state.frame;
    job.number = ++state.asked;
    if (job.saves())
        state.lastSaveAsked[job.path] = job.number;
    if (state.mode == State::Mode::kThread) {
        if (const std::optional<PlatformFileError> queued = state.queue(lock, job))
            return *queued;
    }
    const bool mayWait = state.mode == State::Mode::kCaller || state.endedBy == std::this_thread::get_id();
    lock.unlock();
    if (!mayWait)
        logMessage("Game: %s is not done: it was asked after the writer's thread ended, from a thread that has no "
                   "bound on a wait for the disk, ERROR",
                   job.describe().c_str());
    const PlatformFileError error = mayWait ? state.performNow(job) : state.refuse(job);
    lock.lock();
    state.record(job, error);
    return error;
}

std::optional<PlatformFileError> SaveWriter::State::queue(std::unique_lock<std::mutex> &lock, Job &job) {
    Job *waiting = job.kind == Job::Kind::kWrite ? waitingWriteOf(job.path) : nullptr;
    if (waiting) {
        // Only the last bytes of a file matter: they go out in the waiting write's place, announced as
        // either asked.
        waiting->number = job.number;
        waiting->image = std::move(job.image);
        waiting->size = job.size;
        waiting->afterRefusedRemoval = waiting->afterRefusedRemoval || job.afterRefusedRemoval;
        if (job.announcement)
            waiting->announcement = job.announcement;
        return PlatformFileError::kNone;
    }
    const bool room = waitFor(lock, longestWait(), [this] { return jobs.size() < kMostWaitingJobs; });
    if (mode != Mode::kThread)
        return std::nullopt;
    if (!room) {
        // The disk has stopped answering: the job fails rather than the game stopping with it.
        logMessage("Game: %s is given up: the disk has not finished the jobs before it, ERROR", job.describe().c_str());
        record(job, PlatformFileError::kTimedOut);
        return PlatformFileError::kTimedOut;
    }
    jobs.push_back(std::move(job));
    wake.notify_one();
    return PlatformFileError::kNone;
}

template <typename Done>
bool SaveWriter::State::waitFor(std::unique_lock<std::mutex> &lock, std::chrono::milliseconds bound, Done done) {
    if (done())
        return true;
    if (working && (taken == overdue || waitsForGivenUp))
        return false;
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + bound;
    const bool shows = waitingHook && waitingThread == std::this_thread::get_id();
    if (shows && bound > kShowWaitingAfter) {
        if (doneJob.wait_until(lock, started + kShowWaitingAfter, done))
            return true;
        // The hook draws; the writer must be free to finish meanwhile.
        WaitingHook hook = waitingHook;
        lock.unlock();
        hook();
        lock.lock();
    }
    if (doneJob.wait_until(lock, deadline, done))
        return true;
    markStuckIfOutlasted(bound);
    return false;
}

void SaveWriter::State::markStuckIfOutlasted(std::chrono::milliseconds bound) {
    if (working && !waitsForGivenUp && std::chrono::steady_clock::now() - workingSince >= bound)
        overdue = taken;
}

void SaveWriter::waitUntilIdle() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->doneJob.wait(lock, [this] { return state_->idle(); });
}

bool SaveWriter::waitUntilIdleFor(std::chrono::milliseconds bound) {
    State &state = *state_;
    std::unique_lock<std::mutex> lock(state.mutex);
    // An end that gave the jobs up meanwhile leaves the writer idle with its jobs not done.
    const uint64_t giveUps = state.giveUps;
    return state.waitFor(lock, bound, [&state] { return state.idle(); }) && state.giveUps == giveUps;
}

std::vector<SaveWriter::Unfinished> SaveWriter::State::jobsLeft() const {
    std::vector<Unfinished> left;
    if (working)
        left.push_back(workingJob);
    for (const Job &job : jobs)
        left.push_back(job.asUnfinished());
    return left;
}

std::vector<SaveWriter::Unfinished> SaveWriter::State::markJobsLeftFailed() {
    if (working)
        markNotFinished(workingJob.savePath, workingNumber);
    for (const Job &job : jobs)
        markNotFinished(job.asUnfinished().savePath, job.number);
    return jobsLeft();
}

std::vector<SaveWriter::Unfinished> SaveWriter::markJobsLeftFailed() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->markJobsLeftFailed();
}

bool SaveWriter::lastWriteFailed(const std::string &path) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->failingFiles.count(path) > 0;
}

PlatformFileError SaveWriter::lastFailureOf(const std::string &path) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto file = state_->failingFiles.find(path);
    return file == state_->failingFiles.end() ? PlatformFileError::kNone : file->second;
}

bool SaveWriter::busy() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return !state_->idle();
}

void SaveWriter::forget(const std::string &path) {
    State &state = *state_;
    std::lock_guard<std::mutex> lock(state.mutex);
    state.forgotten[path] = state.asked;
    const bool failed = state.failingFiles.erase(path) > 0;
    const bool kept = std::erase_if(state.outcomes, [&](const State::KeptOutcome &outcome) {
                          return outcome.outcome.path == path;
                      }) > 0;
    // Whoever keeps a failure of the file to tell hears that there is none left.
    if (failed || kept)
        state.outcomes.push_back({state.frame, {path, PlatformFileError::kNone, nullptr, true}});
}

bool SaveWriter::removalAsked(const std::string &path) {
    State &state = *state_;
    std::lock_guard<std::mutex> lock(state.mutex);
    for (auto job = state.jobs.rbegin(); job != state.jobs.rend(); ++job) {
        if (job->path == path)
            return job->kind == Job::Kind::kRemove;
    }
    return state.refusedRemovals.count(path) > 0 ||
           (state.working && state.workingPath == path && state.workingKind == Job::Kind::kRemove);
}

uint64_t SaveWriter::lastSaveAskedNumber(const std::string &path) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto found = state_->lastSaveAsked.find(path);
    return found == state_->lastSaveAsked.end() ? 0 : found->second;
}

uint64_t SaveWriter::lastSaveWrittenNumber(const std::string &path) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto found = state_->lastSaveWritten.find(path);
    return found == state_->lastSaveWritten.end() ? 0 : found->second;
}

bool SaveWriter::saveWaits(const std::string &path) {
    State &state = *state_;
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto savesIt = [&path](const Job &job) { return job.saves() && job.path == path; };
    return std::any_of(state.jobs.begin(), state.jobs.end(), savesIt) ||
           (state.working && state.workingPath == path && state.workingKind == Job::Kind::kWrite);
}

std::vector<SaveWriter::Unfinished> SaveWriter::takeLongJob(std::chrono::milliseconds bound) {
    State &state = *state_;
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.working || state.toldLong == state.taken ||
        std::chrono::steady_clock::now() - state.workingSince < bound)
        return {};
    state.toldLong = state.taken;
    // Known stuck now, as if a wait had outlasted its bound on it: later waits on it return at once.
    state.markStuckIfOutlasted(bound);
    state.markNotFinished(state.workingJob.savePath, state.workingNumber);
    return {state.workingJob};
}

void SaveWriter::setWaitingHook(WaitingHook hook) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->waitingHook = std::move(hook);
    state_->waitingThread = std::this_thread::get_id();
}

SaveWriter::WaitingHook SaveWriter::waitingHookOfThisThread() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->waitingThread == std::this_thread::get_id() ? state_->waitingHook : nullptr;
}

std::vector<SaveWriter::Outcome> SaveWriter::takeOutcomes(bool fixedClock) {
    State &state = *state_;
    std::unique_lock<std::mutex> lock(state.mutex);
    const uint64_t frame = state.frame++;
    std::vector<Outcome> taken;
    if (fixedClock && frame < kFixedClockOutcomeFrames)
        return taken;
    const uint64_t due = fixedClock ? frame - kFixedClockOutcomeFrames : frame;
    // A job that outlasts the wait brings its outcome on a later frame.
    if (fixedClock)
        state.waitFor(lock, longestWait(), [&state, due] { return state.doneUpTo(due); });
    while (!state.outcomes.empty() && state.outcomes.front().frame <= due) {
        State::KeptOutcome &kept = state.outcomes.front();
        const auto last = state.lastSaveAsked.find(kept.outcome.path);
        kept.outcome.superseded =
            !kept.outcome.discarded && last != state.lastSaveAsked.end() && last->second > kept.number;
        taken.push_back(std::move(kept.outcome));
        state.outcomes.pop_front();
    }
    return taken;
}

void SaveWriter::State::giveUp() {
    givenUp = markJobsLeftFailed();
    ++giveUps;
    jobs.clear();
    if (working)
        fileTurns().markGivenUp(workingPath, workingTicket);
    working = false;
    // A caller waiting for room goes on without the thread.
    doneJob.notify_all();
}

std::vector<SaveWriter::Unfinished> SaveWriter::finish(std::chrono::milliseconds bound) {
    State &state = *state_;
    std::unique_lock<std::mutex> lock(state.mutex);
    if (state.mode != State::Mode::kThread)
        return {};
    const uint64_t giveUps = state.giveUps;
    const bool done = state.waitFor(lock, bound, [&state] { return state.idle(); });
    // Another caller's end came first while this one waited: the jobs it gave up are not done either.
    if (state.mode != State::Mode::kThread)
        return state.giveUps == giveUps ? std::vector<Unfinished>() : state.givenUp;
    std::vector<Unfinished> left;
    if (!done) {
        state.giveUp();
        left = state.givenUp;
    }
    state.mode = State::Mode::kEnded;
    state.endedBy = std::this_thread::get_id();
    ++state.generation;
    state.wake.notify_one();
    std::thread thread = std::move(thread_);
    lock.unlock();
    if (done)
        thread.join();
    else
        thread.detach();
    return left;
}

std::optional<FileTurns::Turn> SaveWriter::State::startWorking(const Job &job) {
    working = true;
    ++taken;
    workingFrame = job.frame;
    workingNumber = job.number;
    workingKind = job.kind;
    workingPath = job.path;
    workingJob = job.asUnfinished();
    workingSince = std::chrono::steady_clock::now();
    workingTicket = 0;
    waitsForGivenUp = false;
    if (!job.changesFile())
        return std::nullopt;
    std::optional<FileTurns::Turn> ahead = fileTurns().join(job.path, job.describe(), &workingTicket);
    // Until its turn comes it waits for a job that the disk has stuck on already: no wait for it need last
    // its bound.
    waitsForGivenUp = ahead && ahead->givenUp;
    return ahead;
}

void SaveWriter::State::waitForTurn(const Job &job, uint64_t ticket, const FileTurns::Turn &ahead, uint64_t mine) {
    logMessage("Game: %s waits: %s has not ended", job.describe().c_str(), describeAhead(ahead).c_str());
    fileTurns().waitForTurn(job.path, ticket);
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (generation == mine) {
            waitsForGivenUp = false;
            // Its work begins now: the time it waited tells nothing of the disk's answer to it.
            workingSince = std::chrono::steady_clock::now();
            if (overdue == taken)
                overdue = 0;
        }
    }
    logMessage("Game: %s goes ahead: the jobs on the file before it have ended", job.describe().c_str());
}

void SaveWriter::State::run(uint64_t mine) {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [&] { return generation != mine || !jobs.empty(); });
        if (generation != mine)
            return;
        Job job = std::move(jobs.front());
        jobs.pop_front();
        // A caller may wait for room in the queue.
        doneJob.notify_all();
        const std::optional<FileTurns::Turn> ahead = startWorking(job);
        const uint64_t ticket = workingTicket;
        lock.unlock();
        if (ahead)
            waitForTurn(job, ticket, *ahead, mine);
        const PlatformFileError error = perform(job);
        if (job.changesFile())
            fileTurns().leave(job.path, ticket);
        lock.lock();
        if (generation != mine)
            return;
        working = false;
        record(job, error);
    }
}

PlatformFileError SaveWriter::State::performNow(const Job &job) {
    if (!job.changesFile())
        return perform(job);
    uint64_t ticket = 0;
    const std::optional<FileTurns::Turn> ahead = fileTurns().join(job.path, job.describe(), &ticket);
    if (ahead) {
        fileTurns().leave(job.path, ticket);
        logMessage("Game: %s is not done: %s has not ended, ERROR", job.describe().c_str(),
                   describeAhead(*ahead).c_str());
        return refuse(job);
    }
    const PlatformFileError error = perform(job);
    fileTurns().leave(job.path, ticket);
    return error;
}

PlatformFileError SaveWriter::State::refuse(const Job &job) {
    tellAside(job, std::string());
    return job.saves() ? PlatformFileError::kTimedOut : PlatformFileError::kOther;
}

PlatformFileError SaveWriter::State::refuseWrite(const Job &job) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!held.count(job.path))
            return PlatformFileError::kNone;
    }
    logMessage("Game: cannot write %s %s: it is damaged and could not be set aside or copied, so it is kept as it is, "
               "ERROR",
               fileKind, job.path.c_str());
    return PlatformFileError::kOther;
}

void SaveWriter::State::tellAside(const Job &job, const std::string &aside) {
    if (job.kind != Job::Kind::kSetAside && job.kind != Job::Kind::kKeepCopy)
        return;
    // A damaged file of which nothing could be kept aside stays the only place its bytes are.
    if (aside.empty()) {
        std::lock_guard<std::mutex> lock(mutex);
        held.insert(job.path);
    }
    if (job.asideDone)
        job.asideDone(aside);
}

PlatformFileError SaveWriter::State::perform(const Job &job) {
    PlatformFileError error = PlatformFileError::kNone;
    std::string aside;
    switch (job.kind) {
    case Job::Kind::kWrite:
        error = refuseWrite(job);
        if (error == PlatformFileError::kNone)
            writeSaveFileNow(job.path, job.image.get(), job.size, &error, fileKind);
        break;
    case Job::Kind::kUnmade:
        error = job.unmadeError;
        break;
    case Job::Kind::kRemove:
        if (!job.path.empty() && !platformDeleteFile(job.path.c_str(), &error) && error != PlatformFileError::kNone)
            logMessage("Game: cannot delete %s %s: %s; it is deleted again at the next change, ERROR", fileKind,
                       job.path.c_str(), describeFileError(error));
        break;
    case Job::Kind::kSetAside:
        aside = setDamagedFileAside(job.path);
        break;
    case Job::Kind::kKeepCopy:
        aside = keepDamagedCopy(job.path, job.copy.data(), job.copy.size());
        break;
    }
    tellAside(job, aside);
    return error;
}

void SaveWriter::State::record(const Job &job, PlatformFileError error) {
    if (job.saves() && isForgotten(job.path, job.number)) {
        // A save of a game discarded since: nothing of it is told or kept as failed.
    } else if (job.saves()) {
        const bool failed = error != PlatformFileError::kNone;
        const bool fileRecovered = !failed && failingFiles.erase(job.path) > 0;
        if (failed)
            failingFiles[job.path] = error;
        else
            lastSaveWritten[job.path] = job.number;
        const bool replacedRefused = replacesRefusedRemoval(job, failed);
        if (failed || lastFailed || fileRecovered || job.announcement || replacedRefused)
            outcomes.push_back({job.frame, {job.path, error, job.announcement}, job.number});
        lastFailed = failed;
    } else if (job.kind == Job::Kind::kRemove) {
        const bool refused = error != PlatformFileError::kNone;
        if (refused)
            refusedRemovals.insert(job.path);
        if (replacesRefusedRemoval(job, refused) || refused)
            outcomes.push_back({job.frame, {job.path, error, nullptr, false, false, true}, job.number});
    }
    doneJob.notify_all();
}
