#pragma once
// The writer of the player's files, the one owner of every change to them. The bytes of a save are made
// on the main thread; writing them crash-safely (a temporary file, its sync, the rename, the folder's
// sync), deleting files and setting damaged ones aside go to one writer thread, in the order they were
// asked for, so a frame never waits for the disk and a later change of a file always lands after an
// earlier one. A write of a file that waits behind another waiting write of the same file takes that
// one's place (only the last bytes matter), and the queue is bounded: past its bound the caller waits
// for room. A write that fails is logged by the writer as it fails.
// The main thread takes, once a frame, the outcomes it acts on: a write that failed, the first one
// written after a failure (of any file, and of that file), and one that asked to be announced when
// written. A load waits until the writer is idle, so that it reads what was saved; the writer's end waits
// for its last job. An end that cannot wait for ever (the display gone) waits a while and hears what was
// not finished.
//
// Until its thread is started the writer does each job in the caller's thread, with the same outcomes
// (the suites that save and read back at once rely on it).
//
// Under the fixed clock of scripted runs an outcome is taken a fixed number of frames after its job was
// asked for, waiting for the writer then if it is still at work: the frame it arrives on is always the
// same, and the disk has those frames to do its work beside the game (frames that keep real time while
// the writer is busy, so that it seldom has to be waited for).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/WinBase.h"

// A file's bytes as the save stream makes them (allocated with malloc).
using FileImage = std::unique_ptr<uint8_t[], void (*)(void *)>;

// Writes the bytes crash-safely into the file at the resolved path; a failure is logged with the file's
// name and why. Why it failed goes to `error` when one is given.
bool writeSaveFileNow(const std::string &path, const void *bytes, size_t size, PlatformFileError *error = nullptr);
// Why a file could not be written, in a few words for the log.
const char *describeFileError(PlatformFileError error);

class SaveWriter {
public:
    static constexpr uint64_t kFixedClockOutcomeFrames = 20;
    // Jobs that may wait at once; a save of every file the game keeps fits many times over.
    static constexpr size_t kMostWaitingJobs = 64;
    // Told, on the writer's thread, the name a damaged file was set aside as (empty: it stayed).
    using AsideDone = std::function<void(const std::string &aside)>;

    struct Outcome {
        std::string path;
        PlatformFileError error = PlatformFileError::kNone; // kNone: written
        const char *announcement = nullptr;                 // the event to fire once it is written
        // The player asked for this save (it has an announcement): a failure is told whatever came before.
        bool asked() const { return announcement != nullptr; }
    };

    SaveWriter() = default;
    ~SaveWriter() { finish(); }
    SaveWriter(const SaveWriter &) = delete;
    SaveWriter &operator=(const SaveWriter &) = delete;

    // From now on jobs go to the writer thread.
    void startThread();
    bool threaded() const { return thread_.joinable(); }
    // Hands over the bytes of the file at the resolved path. With the thread: true, the outcome comes
    // later; without: whether the file was written. `announcement` (a static text or null) comes back
    // with the outcome when the file is written; a save with one is a save the player asked for.
    bool write(std::string path, FileImage image, size_t size, const char *announcement = nullptr);
    // A save of the file at the path that could not be made (the caller logged why): its outcome is a
    // failure for that reason, in its place among the jobs.
    void reportUnmade(std::string path, PlatformFileError error = PlatformFileError::kOther,
                      const char *announcement = nullptr);
    // Deletes the file at the resolved path after every job asked for before.
    void remove(std::string path);
    // Renames the damaged file at the path aside ("<file>.damaged"); `done` hears its new name. A file
    // that could not be set aside is not written over by a later save of this run (that save fails).
    void setAside(std::string path, AsideDone done);
    // Writes the bytes of a damaged file aside as a copy, the file staying; `done` hears the copy's name. A
    // file whose copy could not be written is not written over by a later save of this run either.
    void keepCopy(std::string path, std::vector<uint8_t> bytes, AsideDone done);
    // Waits until every job asked for so far is done.
    void waitUntilIdle();
    // The same, for at most the time given; whether every job was done.
    bool waitUntilIdleFor(std::chrono::milliseconds bound);
    // What the jobs waiting or at work would do, for the log ("the save of <file>"), the one at work first.
    std::vector<std::string> unfinished();
    // A job is waiting or at work.
    bool busy();
    // Once a frame, on the main thread: the outcomes to act on, in the order of their jobs.
    std::vector<Outcome> takeOutcomes(bool fixedClock);
    // Does every job left and ends the thread; later jobs are done in the caller's thread.
    void finish();

private:
    enum class Kind : uint8_t { kWrite, kUnmade, kRemove, kSetAside, kKeepCopy };
    struct Job {
        Kind kind = Kind::kWrite;
        uint64_t frame = 0; // the frame it was asked on
        std::string path;
        FileImage image{nullptr, std::free};
        size_t size = 0;
        const char *announcement = nullptr;
        PlatformFileError unmadeError = PlatformFileError::kOther; // why a save that was not made failed
        std::vector<uint8_t> copy; // the bytes a damaged file's copy keeps
        AsideDone asideDone;
    };
    struct KeptOutcome {
        uint64_t frame;
        Outcome outcome;
    };

    // Does the job now without the thread, or queues it for the thread; the outcome of a job done now.
    PlatformFileError submit(Job job);
    // Under the lock: the waiting write of the file that a new write of it may take the place of.
    Job *waitingWriteOf(const std::string &path);
    void run();
    PlatformFileError perform(const Job &job);
    // A save that would write over a damaged file that could not be set aside or copied: refused, logged.
    PlatformFileError refuseWriteOverHeld(const Job &job);
    // Under the lock: the job's outcome, kept when the main thread is to act on it.
    void record(const Job &job, PlatformFileError error);
    // Under the lock: no job is waiting or at work.
    bool idle() const { return jobs_.empty() && !working_; }
    // Under the lock: no job asked on the frame or before it is waiting or at work.
    bool doneUpTo(uint64_t frame) const;
    static std::string describe(Kind kind, const std::string &path);

    std::mutex mutex_;
    std::condition_variable wake_;   // the thread: a job came, or the end
    std::condition_variable doneJob_; // the waiters: a job was taken or done
    std::deque<Job> jobs_;
    bool working_ = false;      // the thread does a job taken from the queue
    uint64_t workingFrame_ = 0; // the frame that job was asked on
    std::string workingWhat_;   // what that job does, for the log
    std::deque<KeptOutcome> outcomes_;
    uint64_t frame_ = 0;
    bool lastFailed_ = false;
    // Files whose last write failed (resolved paths, under the lock): the next one written is an outcome.
    std::set<std::string> failingFiles_;
    bool stopping_ = false;
    // Damaged files that could not be set aside or copied (resolved paths, under the lock): no save writes
    // over them.
    std::set<std::string> held_;
    std::thread thread_;
};
