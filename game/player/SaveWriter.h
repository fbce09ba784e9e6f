#pragma once
// The writer of the player's files, the one owner of every change to them. The bytes of a save are made
// on the main thread; writing them crash-safely (a temporary file, its sync, the rename, the folder's
// sync), deleting files and setting damaged ones aside go to one writer thread, in the order they were
// asked for, so a frame never waits for the disk and a later change of a file always lands after an
// earlier one. A write of a file that waits behind another waiting write of the same file takes that
// one's place (only the last bytes matter), and the queue is bounded: past its bound the caller waits
// for room. A write that fails is logged by the writer as it fails.
// The main thread takes, once a frame, the outcomes it acts on: a write that failed, the first one
// written after a failure (of any file, and of that file), one that asked to be announced when written,
// the deletion of a file whose last write failed, a removal the disk refused, and the first removal or
// write of that file done after it. A refused removal is asked again before the next job asked of the
// writer (unless that job is a removal or write of the same file, which takes its place). A load waits until the writer is idle, so that it
// reads what was saved; the writer's end waits for its last job.
// No wait of the caller's is endless: a disk that never answers (a hung network disk) must not freeze the
// game or keep it from ending. A wait lasts at most longestWait(); once one has outlasted its bound, later
// waits on the same job at work return at once, and so do waits on a job that waits for one given up on
// (below). A save that waited past the bound for room in the queue fails (timed out). A save not finished
// when a wait gave up counts as failed until its file is written, so its outcome comes back either way.
// The end gives up what is left after its wait: the thread is let go with the job at work (it ends when
// the system lets it; the jobs behind it are never done).
//
// Jobs on one file take turns across every writer of the process: no job of any kind (a write, a removal,
// setting aside, a copy) on a file starts before an earlier one on it has ended, a job given up on
// included, so a given-up job never lands over a later change, nor does a later write share the temporary
// that a given-up write may still be writing. On the writer's thread a job whose turn has not come waits
// for it (logged), after every job asked before it; if the end gives it up too, it is named among the jobs
// not done, and it still runs when its turn comes unless the process ends first. Where the job would be
// done in the caller's thread, it is refused instead (logged; a save fails as not finished in time), since
// nothing would bound that wait.
//
// Until its thread is started the writer does each job in the caller's thread, with the same outcomes
// (the suites that save and read back at once rely on it); so it does after the end for the thread that
// ended it. A job asked after the end from any other thread (the game-load thread setting a damaged file
// aside while the game quits) is refused at once and logged, as above: nothing would bound that thread's
// wait on the disk. Every method may be called from any thread at any time, the end included.
//
// Under the fixed clock of scripted runs an outcome is taken a fixed number of frames after its job was
// asked for, waiting for the writer then if it is still at work (frames that keep real time while the
// writer is busy, so that it seldom has to be waited for). There nothing gives up on a disk that is merely
// slow: longestWait() is then far longer than a slow disk needs, so the frame an outcome arrives on is the
// same from run to run unless a job outlasts even that bound (a disk that is stuck), whose outcome then
// arrives on a later frame.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/WinBase.h"

// A file's bytes as the save stream makes them (allocated with malloc).
using FileImage = std::unique_ptr<uint8_t[], void (*)(void *)>;

// Writes the bytes crash-safely into the file at the resolved path; a failure is logged with the file's
// kind ("save file"), its name and why. Why it failed goes to `error` when one is given.
bool writeSaveFileNow(const std::string &path, const void *bytes, size_t size, PlatformFileError *error = nullptr,
                      const char *kind = "save file");
// Why a file could not be written, in a few words for the log.
const char *describeFileError(PlatformFileError error);

class SaveWriter {
public:
    static constexpr uint64_t kFixedClockOutcomeFrames = 20;
    // Jobs that may wait at once; a save of every file the game keeps fits many times over.
    static constexpr size_t kMostWaitingJobs = 64;
    // The longest the caller waits for the writer at once on the real clock, and under the fixed clock of
    // scripted runs, where only a disk that is stuck may make a wait give up.
    static constexpr std::chrono::milliseconds kLongestWait{5000};
    static constexpr std::chrono::milliseconds kLongestFixedClockWait{std::chrono::minutes(2)};
    // A wait of the thread that set the waiting hook that lasts this long has the game show that it waits.
    static constexpr std::chrono::milliseconds kShowWaitingAfter{500};
    // Called on the thread that set it, once in each of its waits on the writer that lasts kShowWaitingAfter,
    // without the writer's lock: the game draws that it waits for the disk.
    using WaitingHook = std::function<void()>;
    // Told, on the writer's thread, the name a damaged file was set aside as (empty: it stayed).
    using AsideDone = std::function<void(const std::string &aside)>;

    struct Outcome {
        std::string path;
        PlatformFileError error = PlatformFileError::kNone; // kNone: written
        const char *announcement = nullptr;                 // the event to fire once it is written
        bool discarded = false; // the file is deleted or its game discarded: nothing of it is left to tell as not saved
        // A later save of the file was asked before this outcome was taken: what comes of that one is the
        // file's, and a failure of this one is no longer the player's news.
        bool superseded = false;
        // The outcome of the file's removal: refused, or done after an earlier removal of it was refused.
        bool removal = false;
        // The player asked for this save (it has an announcement): a failure is told whatever came before.
        bool asked() const { return announcement != nullptr; }
    };
    // A job not done when a wait ended: what it would do, for the log ("the save of <file>"), the file it
    // saves (empty for a job that saves nothing) and the file it deletes (empty for a job that deletes none).
    struct Unfinished {
        std::string what;
        std::string savePath;
        std::string removalPath;
    };

    // `fileKind` names the files it writes in its log lines.
    explicit SaveWriter(const char *fileKind = "save file");
    ~SaveWriter() { finish(); }
    SaveWriter(const SaveWriter &) = delete;
    SaveWriter &operator=(const SaveWriter &) = delete;

    // The longest any wait on the writer lasts at once, whichever clock runs: the bound to give the
    // waits of waitUntilIdleFor().
    static std::chrono::milliseconds longestWait();
    // For the tests of the bound: the longest wait of every writer of the process, whichever clock runs
    // (zero: the clock's again).
    static void setLongestWaitForTests(std::chrono::milliseconds wait);

    // From now on jobs go to a writer thread, again after an end: a thread given up on is never taken back
    // (its job keeps its turn on its file until it ends).
    void startThread();
    // The writer thread takes the jobs.
    bool threaded();
    // Hands over the bytes of the file at the resolved path. With the thread: true, the outcome comes
    // later (false when no room came in the queue); without: whether the file was written. `announcement` (a static text or null) comes back
    // with the outcome when the file is written; a save with one is a save the player asked for.
    bool write(std::string path, FileImage image, size_t size, const char *announcement = nullptr);
    // A save of the file at the path that could not be made (the caller logged why): its outcome is a
    // failure for that reason, in its place among the jobs.
    void reportUnmade(std::string path, PlatformFileError error = PlatformFileError::kOther,
                      const char *announcement = nullptr);
    // Deletes the file at the resolved path after every job asked for before. A file deleted is no longer
    // one whose last write failed.
    void remove(std::string path);
    // Renames the damaged file at the path aside ("<file>.damaged"); `done` hears its new name. A file
    // that could not be set aside is not written over by a later save of this run (that save fails).
    void setAside(std::string path, AsideDone done);
    // Writes the bytes of a damaged file aside as a copy, the file staying; `done` hears the copy's name. A
    // file whose copy could not be written is not written over by a later save of this run either.
    void keepCopy(std::string path, std::vector<uint8_t> bytes, AsideDone done);
    // Waits until every job asked for so far is done, however long that takes: for tests and tools, never
    // for the game's own threads.
    void waitUntilIdle();
    // Waits until every job asked for so far is done, for at most the time given; whether they were. Returns
    // at once when the job at work has outlasted an earlier bound already, and false when an end on another
    // thread gave the jobs up meanwhile.
    bool waitUntilIdleFor(std::chrono::milliseconds bound);
    // Counts each save waiting or at work as failed from now on until its file is written, so that its
    // outcome comes back when it ends; the jobs waiting or at work, the one at work first.
    std::vector<Unfinished> markJobsLeftFailed();
    // The last write of the file at the resolved path failed, or was not finished when a wait gave up.
    bool lastWriteFailed(const std::string &path);
    // Why it failed, as far as the writer knows now, whether or not its outcome was taken (kNone: it did not).
    PlatformFileError lastFailureOf(const std::string &path);
    // A job is waiting or at work.
    bool busy();
    // The file's failure mark goes now, and no job of it asked so far marks it again or brings back its
    // failure: the game the file held is discarded (its profile reset or deleted), whatever still waits.
    void forget(const std::string &path);
    // The last job asked of the file at the resolved path, waiting or at work, is its removal, or its removal
    // was refused and is to be asked again: whoever reads the file now reads what is about to go (a load takes
    // it as missing).
    bool removalAsked(const std::string &path);
    // The writer's numbers of the last save of the file at the resolved path asked for so far, and of the
    // last one written whole (0: none): a caller that keeps what each save held knows which the disk holds.
    uint64_t lastSaveAskedNumber(const std::string &path);
    uint64_t lastSaveWrittenNumber(const std::string &path);
    // A save of the file at the resolved path is waiting or at work: it is not written yet.
    bool saveWaits(const std::string &path);
    // The job at work, once it has been at work longer than the bound, once per job (nothing otherwise): a
    // write that the disk has not finished is told without anyone waiting for it. A save among them counts as
    // failed from now on until its file is written, so that its outcome comes back when it ends; it is known
    // stuck, as after a wait that outlasted its bound, once it has been at work that long since its turn on its
    // file came.
    std::vector<Unfinished> takeLongJob(std::chrono::milliseconds bound);
    // The waits of the calling thread call the hook once they have lasted kShowWaitingAfter (null: none).
    void setWaitingHook(WaitingHook hook);
    // The hook when the calling thread set it (null otherwise): for its other long waits, such as on the
    // game-load thread.
    WaitingHook waitingHookOfThisThread() const;
    // Once a frame, on the main thread: the outcomes to act on, in the order of their jobs.
    std::vector<Outcome> takeOutcomes(bool fixedClock);
    // Does every job left, waiting at most the bound, and ends the thread; later jobs are done in the
    // calling thread (and refused in any other). The jobs not done by then are given up (see above), each
    // save among them counted as failed, and returned, also by the end of any other thread that waited
    // meanwhile.
    std::vector<Unfinished> finish(std::chrono::milliseconds bound = longestWait());

private:
    struct State;
    struct Job;

    // Does the job now without the thread, or queues it for the thread; the outcome of a job done now.
    PlatformFileError submit(Job job);

    // Shared with the thread, which may outlive the writer once given up; never replaced.
    const std::shared_ptr<State> state_;
    std::thread thread_; // handed over under the state's lock
};
