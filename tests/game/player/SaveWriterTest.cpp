// test-labels: threaded
// The save writer, on its thread and in the caller's: jobs done in the order they were asked for; a
// failure logged and handed back with why, with the first write after it and the announced ones; under
// the fixed clock an outcome that arrives a fixed number of frames after its job; an end that waits for
// the last job; waits that end on a disk that never answers; jobs on a file that wait, whichever writer
// asked for them, until a job given up on it has ended; callers of any thread as the end comes.

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>
#include <vector>

#include "engine/system/KSystem.h"
#include "engine/system/KSystemLog.h"
#include "game/player/SaveWriter.h"
#include "platform/FileHooks.h"
#include "platform/TestHooks.h"
#include "tests/game/player/HeldWriter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class SaveWriterTest : public ::testing::Test {
protected:
    SaveWriterTest() { fileHooksReset(); }
    ~SaveWriterTest() override {
        fileHooksFailChange(0, false);
        fileHooksReset();
    }

    static FileImage imageOf(const std::string &text) {
        FileImage image(static_cast<uint8_t *>(std::malloc(text.size() + 1)), std::free);
        std::memcpy(image.get(), text.data(), text.size());
        return image;
    }
    bool write(SaveWriter &writer, const std::string &name, const std::string &text, const char *announcement = nullptr) {
        return writer.write(path(name), imageOf(text), text.size(), announcement);
    }
    std::string path(const std::string &name) const { return (folder / name).string(); }
    std::string text(const std::string &name) const {
        const std::vector<unsigned char> bytes = lftest::readFileBytes(folder / name);
        return std::string(bytes.begin(), bytes.end());
    }
    // The outcomes as "name error announcement" lines.
    std::vector<std::string> described(const std::vector<SaveWriter::Outcome> &outcomes) const {
        std::vector<std::string> lines;
        for (const SaveWriter::Outcome &outcome : outcomes)
            lines.push_back(fs::path(outcome.path).filename().string() + " " +
                            (outcome.discarded ? "discarded" : describeFileError(outcome.error)) +
                            (outcome.announcement ? std::string(" ") + outcome.announcement : "") +
                            (outcome.removal ? " removal" : ""));
        return lines;
    }

    // The jobs as "what | name of the file saved" lines.
    static std::vector<std::string> whatOf(const std::vector<SaveWriter::Unfinished> &jobs) {
        std::vector<std::string> lines;
        for (const SaveWriter::Unfinished &job : jobs)
            lines.push_back(job.what + " | " + fs::path(job.savePath).filename().string());
        return lines;
    }
    // The temporary of the file is a pipe nobody reads, as a write to a hung network disk: the write of it
    // asked now is at work and never ends until readPipe().
    bool startWriteThatNeverEnds(SaveWriter &writer, const std::string &name, const std::string &text,
                                 const char *announcement = nullptr) {
        if (mkfifo(path(name + ".tmp").c_str(), 0600) != 0)
            return false;
        const int64_t changes = fileHooksChangeCount();
        write(writer, name, text, announcement);
        return lftest::waitUntil([&] { return fileHooksChangeCount() > changes; });
    }
    // What the write at work put in the pipe; then it fails (a pipe cannot be synced) and ends.
    std::string readPipe(const std::string &name) {
        std::ifstream pipe(path(name + ".tmp"));
        return std::string(std::istreambuf_iterator<char>(pipe), {});
    }
    // A disk that is slow, not stuck: the job is let go on another thread once the calling thread sleeps (in
    // its wait on the writer).
    static std::thread letGoOnceAsleep(std::function<void()> letGo) {
        const pid_t waiter = pid_t(GetCurrentThreadId());
        return std::thread([letGo = std::move(letGo), waiter] {
            lftest::waitUntil([waiter] { return lftest::threadIsAsleep(waiter); });
            letGo();
        });
    }
    bool logHas(const std::string &line) const { return getLogContents().find(line) != std::string::npos; }

    // The body with a writer on its thread, then with one that works in the caller's.
    template <typename Body>
    void inBothModes(Body body) {
        for (bool threaded : {false, true}) {
            SCOPED_TRACE(threaded ? "on its thread" : "in the caller's");
            SaveWriter writer;
            if (threaded)
                writer.startThread();
            body(writer, threaded);
        }
    }

    lftest::TempDir folder;
};

// Writes and removals of two files, interleaved; on the thread they all wait behind a held job, so they are
// done from the queue, not one by one as they are asked for.
TEST_F(SaveWriterTest, JobsAreDoneInTheOrderTheyWereAskedFor) {
    inBothModes([&](SaveWriter &writer, bool threaded) {
        std::optional<HeldWriter> held;
        if (threaded)
            held.emplace(writer);
        write(writer, "game.sav", "1");
        write(writer, "list.sav", "1");
        writer.remove(path("game.sav"));
        write(writer, "game.sav", "2");
        writer.remove(path("list.sav"));
        write(writer, "list.sav", "2");
        write(writer, "game.sav", "3");
        writer.remove(path("gone.sav"));
        write(writer, "gone.sav", "back");
        writer.remove(path("gone.sav"));
        held.reset();
        writer.waitUntilIdle();
        EXPECT_EQ(text("game.sav"), "3");
        EXPECT_EQ(text("list.sav"), "2");
        EXPECT_FALSE(fs::exists(folder / "gone.sav"));
        EXPECT_TRUE(writer.takeOutcomes(false).empty()) << "nothing to act on";
    });
}

TEST_F(SaveWriterTest, AFailureIsLoggedAndHandedBackWithWhyAndSoAreTheFirstWriteAfterItAndTheAnnouncedOnes) {
    inBothModes([&](SaveWriter &writer, bool threaded) {
        clearLogContents();
        EXPECT_TRUE(write(writer, "kept.sav", "before"));
        writer.waitUntilIdle();
        fileHooksFailChange(1, true);
        EXPECT_EQ(write(writer, "game.sav", "lost", "game_saved"), threaded) << "the thread tells later";
        EXPECT_EQ(write(writer, "list.sav", "lost"), threaded);
        writer.reportUnmade(path("unmade.sav"));
        writer.waitUntilIdle();
        fileHooksReset();
        EXPECT_TRUE(write(writer, "list.sav", "written"));
        EXPECT_TRUE(write(writer, "game.sav", "written", "game_saved"));
        EXPECT_TRUE(write(writer, "kept.sav", "after"));
        writer.waitUntilIdle();
        EXPECT_EQ(described(writer.takeOutcomes(false)),
                  (std::vector<std::string>{"game.sav no room left on the disk game_saved",
                                            "list.sav no room left on the disk", "unmade.sav the system refused the write",
                                            "list.sav written", "game.sav written game_saved"}));
        EXPECT_TRUE(writer.takeOutcomes(false).empty()) << "each outcome is taken once";
        const std::string log = getLogContents();
        EXPECT_NE(log.find("cannot write save file " + path("game.sav") + ": no room left on the disk, ERROR"),
                  std::string::npos)
            << log;
        EXPECT_EQ(text("kept.sav"), "after");
    });
}

TEST_F(SaveWriterTest, UnderTheFixedClockAnOutcomeArrivesAFixedNumberOfFramesAfterItsJob) {
    SaveWriter writer;
    writer.startThread();
    fileHooksFailChange(1, true);
    constexpr uint64_t kLater = 3;
    std::vector<uint64_t> arrivals;
    for (uint64_t frame = 0; frame < SaveWriter::kFixedClockOutcomeFrames + kLater + 1; ++frame) {
        if (frame == 0 || frame == kLater)
            write(writer, "game.sav", "lost");
        if (frame == 0)
            writer.waitUntilIdle();
        for (size_t i = 0, n = writer.takeOutcomes(true).size(); i < n; ++i)
            arrivals.push_back(frame);
    }
    EXPECT_EQ(arrivals, (std::vector<uint64_t>{SaveWriter::kFixedClockOutcomeFrames,
                                               SaveWriter::kFixedClockOutcomeFrames + kLater}))
        << "done at once or not, on the same frame";
}

// The jobs still wait behind a held one as the end begins: it lets them all be done. The held job is let go
// only from within the end's own wait (the waiting hook of the thread that ends the writer), so the jobs
// still wait when the end starts.
TEST_F(SaveWriterTest, TheEndWaitsForTheLastJob) {
    auto letGoByTheEnd = std::make_shared<std::atomic<bool>>(false);
    {
        SaveWriter writer;
        writer.startThread();
        auto held = std::make_shared<HeldWriter>(writer);
        for (int i = 0; i < 3; ++i)
            write(writer, "slot_" + std::to_string(i) + ".sav", std::string(size_t(1000 + i), 'x'));
        writer.setWaitingHook([held, letGoByTheEnd] {
            *letGoByTheEnd = true;
            held->letGo();
        });
    }
    EXPECT_TRUE(*letGoByTheEnd) << "the end did not wait for the held job";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(text("slot_" + std::to_string(i) + ".sav").size(), size_t(1000 + i)) << i;
}

} // namespace

TEST_F(SaveWriterTest, WaitingWritesOfOneFileFoldIntoTheLastAndTheQueueIsBounded) {
    SaveWriter writer;
    writer.startThread();
    int64_t changes = fileHooksChangeCount();
    write(writer, "first.sav", "x");
    writer.waitUntilIdle();
    const int64_t changesOfAWrite = fileHooksChangeCount() - changes;
    HeldWriter held(writer);
    for (int i = 0; i < 5; ++i)
        write(writer, "game.sav", "game " + std::to_string(i), i == 1 ? "game_saved" : nullptr);
    write(writer, "list.sav", "list 0");
    write(writer, "list.sav", "list 1");
    // Distinct files fill the queue to its bound; the next asks for room and waits for it.
    const size_t waiting = 2; // game.sav and list.sav (the held job is at work)
    for (size_t i = waiting; i < SaveWriter::kMostWaitingJobs; ++i)
        write(writer, "file" + std::to_string(i), "x");
    std::atomic<bool> handedOver{false};
    std::atomic<pid_t> lateThread{0};
    std::thread late([&] {
        lateThread = pid_t(GetCurrentThreadId());
        write(writer, "late.sav", "late");
        handedOver = true;
    });
    // The late caller hands its write over, or falls asleep waiting for room.
    EXPECT_TRUE(lftest::waitUntil([&] { return handedOver || (lateThread && lftest::threadIsAsleep(lateThread)); }));
    EXPECT_FALSE(handedOver.load()) << "a full queue makes room first";
    changes = fileHooksChangeCount();
    held.letGo();
    late.join();
    writer.waitUntilIdle();
    EXPECT_TRUE(handedOver.load());
    EXPECT_EQ(text("game.sav"), "game 4");
    EXPECT_EQ(text("list.sav"), "list 1");
    EXPECT_EQ(text("late.sav"), "late");
    EXPECT_EQ(described(writer.takeOutcomes(false)), std::vector<std::string>{"game.sav written game_saved"})
        << "the folded write is announced as either asked";
    // One write of each file: game.sav, list.sav, the queue's files and the late one.
    EXPECT_EQ(fileHooksChangeCount() - changes, changesOfAWrite * int64_t(SaveWriter::kMostWaitingJobs - waiting + 3));
}

TEST_F(SaveWriterTest, ADamagedFileIsSetAsideInItsTurnAndOneThatCannotBeIsNeverWrittenOver) {
    // Files are set aside by their resolved paths: a folder of the user's, as the game's saves are (the
    // application-data folder, here a temporary one).
    const lftest::ScopedDataHome home(folder.str());
    const fs::path own = fs::path(getAppDataFolder()) / "save-writer";
    auto at = [&](const std::string &name) { return (own / name).string(); };
    auto textAt = [&](const std::string &name) {
        const std::vector<unsigned char> bytes = lftest::readFileBytes(own / name);
        return std::string(bytes.begin(), bytes.end());
    };
    inBothModes([&](SaveWriter &writer, bool) {
        fs::remove_all(own);
        fs::create_directories(own);
        lftest::writeFileText(own / "game.sav", "damaged");
        // Held by the job too: the writer's thread may reach it after this scope, behind a stuck job.
        const auto asideName = std::make_shared<std::string>("(not yet)");
        writer.setAside(at("game.sav"), [asideName](const std::string &aside) { *asideName = aside; });
        writer.write(at("game.sav"), imageOf("new"), 3);
        writer.waitUntilIdle();
        EXPECT_EQ(*asideName, at("game.sav") + ".damaged");
        EXPECT_EQ(textAt("game.sav.damaged"), "damaged");
        EXPECT_EQ(textAt("game.sav"), "new");

        // Folders in the way of every name aside: the file stays, and no save writes over it.
        lftest::writeFileText(own / "list.sav", "damaged");
        for (int number = 1; number <= 999; ++number)
            fs::create_directories(own / ("list.sav.damaged" + (number > 1 ? "." + std::to_string(number) : "")));
        writer.setAside(at("list.sav"), [asideName](const std::string &aside) { *asideName = aside; });
        clearLogContents();
        writer.write(at("list.sav"), imageOf("new"), 3);
        writer.waitUntilIdle();
        EXPECT_EQ(*asideName, "");
        EXPECT_EQ(textAt("list.sav"), "damaged");
        EXPECT_EQ(described(writer.takeOutcomes(false)), std::vector<std::string>{"list.sav the system refused the write"});
        EXPECT_NE(getLogContents().find("it is damaged and could not be set aside"), std::string::npos);
    });
}

// The write of game.sav never ends until the test reads its pipe.
TEST_F(SaveWriterTest, AWriteThatNeverEndsBoundsEveryWaitIsNamedAndOnceGivenUpNeverLandsOverALaterWrite) {
    SaveWriter writer;
    writer.startThread();
    ASSERT_TRUE(startWriteThatNeverEnds(writer, "game.sav", "old", "game_saved")) << "the write is at work";
    write(writer, "list.sav", "list");
    writer.remove(path("gone.sav"));

    EXPECT_FALSE(writer.waitUntilIdleFor(std::chrono::milliseconds(1)));
    EXPECT_FALSE(writer.waitUntilIdleFor(std::chrono::hours(1))) << "the job at work outlasted a wait: none again";
    EXPECT_FALSE(writer.lastWriteFailed(path("game.sav")));
    const std::vector<std::string> left = {"the save of " + path("game.sav") + " | game.sav",
                                           "the save of " + path("list.sav") + " | list.sav",
                                           "the removal of " + path("gone.sav") + " | "};
    EXPECT_EQ(whatOf(writer.markJobsLeftFailed()), left);
    EXPECT_TRUE(writer.lastWriteFailed(path("game.sav"))) << "not finished when a wait gave up";

    // A full queue behind it: the next save fails rather than waiting.
    for (size_t i = 2; i < SaveWriter::kMostWaitingJobs; ++i)
        writer.remove(path("file" + std::to_string(i)));
    clearLogContents();
    EXPECT_FALSE(write(writer, "late.sav", "late"));
    EXPECT_NE(getLogContents().find("the save of " + path("late.sav") +
                                    " is given up: the disk has not finished the jobs before it, ERROR"),
              std::string::npos)
        << getLogContents();

    // The end gives the jobs up; the writer goes on in the caller's thread, and writes anything but the
    // file the stuck write may still land on.
    EXPECT_EQ(whatOf(writer.finish()).size(), SaveWriter::kMostWaitingJobs + 1);
    EXPECT_TRUE(write(writer, "list.sav", "new list"));
    EXPECT_FALSE(write(writer, "game.sav", "new"));
    EXPECT_TRUE(logHas("the save of " + path("game.sav") + " is not done: the save of " + path("game.sav") +
                       ", asked earlier and given up on, has not ended, ERROR"))
        << getLogContents();
    EXPECT_EQ(described(writer.takeOutcomes(false)),
              (std::vector<std::string>{"late.sav the disk did not finish in time", "list.sav written",
                                        "game.sav the disk did not finish in time"}));

    // The stuck write ends (its pipe is read; a pipe cannot be synced, so it fails); then the file is
    // written again, and nothing older lands over it.
    EXPECT_EQ(readPipe("game.sav"), "old");
    EXPECT_TRUE(lftest::waitUntil([&] { return write(writer, "game.sav", "new"); }));
    EXPECT_EQ(text("game.sav"), "new");
    EXPECT_EQ(text("list.sav"), "new list");
}

// Writers one after another, as contexts after restarts in one process: the first gives up a write that
// never ends. No job on its file runs before it has ended, whichever writer asked for it: a removal (a
// reset) waits for it and, given up in its turn, is named among the jobs not done; a write asked after that
// removal waits for both and is never deleted by it. In the caller's thread such a job is refused.
TEST_F(SaveWriterTest, NoJobOnAFileRunsBeforeAJobGivenUpOnItHasEndedWhicheverWriterAskedForIt) {
    lftest::writeFileText(folder / "game.sav", "saved");
    const std::string game = path("game.sav");
    SaveWriter first;
    first.startThread();
    ASSERT_TRUE(startWriteThatNeverEnds(first, "game.sav", "old"));
    EXPECT_TRUE(first.takeLongJob(std::chrono::hours(1)).empty());
    EXPECT_EQ(whatOf(first.takeLongJob(std::chrono::milliseconds(0))),
              std::vector<std::string>{"the save of " + game + " | game.sav"});
    EXPECT_TRUE(first.takeLongJob(std::chrono::milliseconds(0)).empty()) << "told once";
    bool shownWaiting = false;
    first.setWaitingHook([&shownWaiting] { shownWaiting = true; });
    EXPECT_FALSE(first.waitUntilIdleFor(std::chrono::seconds(2)));
    EXPECT_FALSE(shownWaiting) << "a job told as long at work is known stuck: no wait lasts on it";
    EXPECT_TRUE(first.lastWriteFailed(game)) << "a save told as long at work counts as failed";
    ASSERT_EQ(first.finish(std::chrono::milliseconds(1)).size(), 1u);

    clearLogContents();
    first.remove(game);
    EXPECT_TRUE(logHas("the removal of " + game + " is not done: the save of " + game +
                       ", asked earlier and given up on, has not ended, ERROR"))
        << getLogContents();

    SaveWriter second;
    second.startThread();
    second.remove(game);
    const std::string removalWaits =
        "the removal of " + game + " waits: the save of " + game + ", asked earlier and given up on, has not ended";
    ASSERT_TRUE(lftest::waitUntil([&] { return logHas(removalWaits) || !second.busy(); })) << getLogContents();
    EXPECT_TRUE(logHas(removalWaits)) << getLogContents();
    EXPECT_EQ(text("game.sav"), "saved") << "not removed while the write given up on may still land";
    EXPECT_TRUE(second.removalAsked(game)) << "at work, waiting for its turn";
    EXPECT_EQ(whatOf(second.finish()), std::vector<std::string>{"the removal of " + game + " | "});

    SaveWriter third;
    third.startThread();
    write(third, "game.sav", "new");
    const std::string writeWaits =
        "the save of " + game + " waits: the save of " + game + ", asked earlier and given up on, has not ended";
    ASSERT_TRUE(lftest::waitUntil([&] { return logHas(writeWaits) || !third.busy(); })) << getLogContents();
    EXPECT_TRUE(logHas(writeWaits)) << getLogContents();

    EXPECT_EQ(readPipe("game.sav"), "old");
    third.waitUntilIdle();
    EXPECT_EQ(text("game.sav"), "new") << "the removal went first";
    EXPECT_TRUE(third.takeOutcomes(false).empty());
}

// A writer started again after an end that gave up a write (as the options' writer, started for each save):
// a new thread takes the jobs, and a write of the stuck file waits there for its turn.
TEST_F(SaveWriterTest, AWriterStartedAgainAfterAnEndThatGaveUpWorksOnANewThread) {
    SaveWriter writer;
    writer.startThread();
    ASSERT_TRUE(startWriteThatNeverEnds(writer, "options.cfg", "old"));
    ASSERT_EQ(writer.finish(std::chrono::milliseconds(1)).size(), 1u);
    writer.startThread();
    EXPECT_TRUE(writer.threaded());
    EXPECT_TRUE(write(writer, "list.sav", "list"));
    write(writer, "options.cfg", "new");
    ASSERT_TRUE(lftest::waitUntil([&] { return logHas("the save of " + path("options.cfg") + " waits"); }))
        << getLogContents();
    EXPECT_EQ(text("list.sav"), "list");
    EXPECT_EQ(readPipe("options.cfg"), "old");
    ASSERT_TRUE(lftest::waitUntil([&] { return logHas("the save of " + path("options.cfg") + " goes ahead"); }));
    EXPECT_TRUE(writer.finish().empty());
    EXPECT_EQ(text("options.cfg"), "new");
}

// Another thread asks for saves while the end gives up a write that never ends (as the game-load thread
// sets a damaged file aside while the game quits): each is taken before the end and named by it, or
// refused at once after it, never holding that thread on the disk.
TEST_F(SaveWriterTest, JobsAskedFromAnotherThreadAsTheEndGivesUpAreNamedByItOrRefusedAtOnce) {
    SaveWriter writer;
    writer.startThread();
    ASSERT_TRUE(startWriteThatNeverEnds(writer, "game.sav", "old"));
    std::atomic<int> asked{0};
    bool lateWritten = true;
    std::thread other([&] {
        // Waiting writes of one file fold into one: the queue never fills, and the first save refused is
        // one asked after the end.
        while (write(writer, "other.sav", std::to_string(asked.load())))
            ++asked;
        lateWritten = write(writer, "late.sav", "late");
    });
    ASSERT_TRUE(lftest::waitUntil([&] { return asked > 0; }));
    clearLogContents();
    const std::vector<std::string> left = whatOf(writer.finish(std::chrono::milliseconds(1)));
    other.join();
    EXPECT_EQ(left.front(), "the save of " + path("game.sav") + " | game.sav");
    EXPECT_FALSE(lateWritten);
    EXPECT_FALSE(fs::exists(folder / "late.sav"));
    EXPECT_FALSE(fs::exists(folder / "other.sav"));
    EXPECT_TRUE(logHas("the save of " + path("late.sav") +
                       " is not done: it was asked after the writer's thread ended, from a thread that has no bound "
                       "on a wait for the disk, ERROR"))
        << getLogContents();
    EXPECT_EQ(readPipe("game.sav"), "old");
}

// A caller of another thread waits for room in a full queue when the end gives the jobs up: its save is
// refused, not left in a queue that no thread takes from any more.
TEST_F(SaveWriterTest, ASaveWaitingForRoomWhenTheEndGivesUpIsRefused) {
    SaveWriter writer;
    writer.startThread();
    HeldWriter held(writer);
    for (size_t i = 0; i < SaveWriter::kMostWaitingJobs; ++i)
        writer.remove(path("file" + std::to_string(i)));
    std::atomic<pid_t> otherThread{0};
    bool lateWritten = true;
    std::thread other([&] {
        otherThread = pid_t(GetCurrentThreadId());
        lateWritten = write(writer, "late.sav", "late");
    });
    ASSERT_TRUE(lftest::waitUntil([&] { return otherThread && lftest::threadIsAsleep(otherThread); }));
    EXPECT_EQ(writer.finish(std::chrono::milliseconds(1)).size(), SaveWriter::kMostWaitingJobs + 1);
    other.join();
    EXPECT_FALSE(lateWritten);
    EXPECT_FALSE(writer.busy());
    EXPECT_EQ(described(writer.takeOutcomes(false)),
              std::vector<std::string>{"late.sav the disk did not finish in time"});
}

// A discarded game (its profile reset): its file's failure goes at once, and a save of it asked before
// fails without marking it or bringing back an outcome; the caller hears that no failure of it is left.
TEST_F(SaveWriterTest, AForgottenFileKeepsNoFailureOfTheSavesAskedBeforeIt) {
    SaveWriter writer;
    writer.startThread();
    fileHooksFailChange(1, true);
    write(writer, "game.sav", "lost");
    writer.waitUntilIdle();
    ASSERT_TRUE(writer.lastWriteFailed(path("game.sav")));
    HeldWriter held(writer);
    write(writer, "game.sav", "lost again", "game_saved");
    writer.forget(path("game.sav"));
    EXPECT_FALSE(writer.lastWriteFailed(path("game.sav")));
    held.letGo();
    writer.waitUntilIdle();
    EXPECT_FALSE(writer.lastWriteFailed(path("game.sav")));
    EXPECT_EQ(described(writer.takeOutcomes(false)), std::vector<std::string>{"game.sav discarded"});
}

TEST_F(SaveWriterTest, ARemovalIsAskedWhileItIsTheLastJobAskedOfTheFile) {
    struct Asked {
        bool removal;
        const char *name;
    };
    struct Case {
        std::vector<Asked> jobs;
        bool removalAsked; // of game.sav
    };
    const Case cases[] = {
        {{}, false},
        {{{false, "game.sav"}}, false},
        {{{true, "game.sav"}}, true},
        {{{true, "game.sav"}, {false, "game.sav"}}, false},
        {{{false, "game.sav"}, {true, "game.sav"}}, true},
        {{{true, "game.sav"}, {false, "list.sav"}}, true},
        {{{true, "list.sav"}}, false},
    };
    SaveWriter writer;
    writer.startThread();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        HeldWriter held(writer);
        for (const Asked &job : cases[i].jobs) {
            if (job.removal)
                writer.remove(path(job.name));
            else
                write(writer, job.name, "x");
        }
        EXPECT_EQ(writer.removalAsked(path("game.sav")), cases[i].removalAsked);
        held.letGo();
        writer.waitUntilIdle();
        EXPECT_FALSE(writer.removalAsked(path("game.sav"))) << "done";
    }
}

// A removal the disk refuses comes back as an outcome, with why, and counts as asked until it is done: the
// next job asks it again first, or, being of the same file (a removal, which discards what was kept of the file,
// or a write), takes its place; what comes of that comes back too.
TEST_F(SaveWriterTest, ARefusedRemovalIsHandedBackAndAskedAgainAtTheNextChange) {
    const std::string refused = "game.sav no room left on the disk removal";
    struct Case {
        const char *what;
        const char *next;  // the file the next job writes (null: it removes game.sav again)
        bool stillRefused; // the disk refuses that job too
        std::vector<std::string> outcomes;
        const char *left; // what game.sav holds then (null: it is gone)
    };
    const Case cases[] = {
        {"another file written", "list.sav", false, {refused, "game.sav written removal"}, nullptr},
        {"its removal asked again", nullptr, false, {"game.sav discarded", "game.sav written removal"}, nullptr},
        {"the file written", "game.sav", false, {refused, "game.sav written"}, "new"},
        {"another file refused too", "list.sav", true, {refused, refused, "list.sav no room left on the disk"}, "old"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        inBothModes([&](SaveWriter &writer, bool) {
            write(writer, "game.sav", "old");
            writer.waitUntilIdle();
            fileHooksReset();
            fileHooksFailChange(1, c.stillRefused);
            writer.remove(path("game.sav"));
            writer.waitUntilIdle();
            EXPECT_TRUE(writer.removalAsked(path("game.sav"))) << "to be asked again";
            if (!c.stillRefused)
                fileHooksFailChange(0, false);
            if (c.next)
                write(writer, c.next, "new");
            else
                writer.remove(path("game.sav"));
            writer.waitUntilIdle();
            EXPECT_EQ(described(writer.takeOutcomes(false)), c.outcomes);
            EXPECT_EQ(writer.removalAsked(path("game.sav")), c.stillRefused);
            EXPECT_EQ(fs::exists(folder / "game.sav") ? text("game.sav") : "", c.left ? c.left : "");
            fileHooksFailChange(0, false);
            fileHooksReset();
            writer.finish();
            fs::remove(folder / "game.sav");
        });
    }
}

// A wait of the thread that set the hook calls it once it has lasted a while, without the writer's lock (the
// hook asks the writer); the waits of another thread never call it.
TEST_F(SaveWriterTest, TheWaitingHookShowsTheLongWaitsOfItsOwnThreadOnly) {
    SaveWriter writer;
    writer.startThread();
    std::unique_ptr<HeldWriter> held;
    std::vector<std::thread::id> calledOn;
    writer.setWaitingHook([&] {
        calledOn.push_back(std::this_thread::get_id());
        EXPECT_TRUE(writer.busy());
        held->letGo();
    });
    EXPECT_TRUE(writer.waitUntilIdleFor(std::chrono::hours(1)));
    held = std::make_unique<HeldWriter>(writer);
    std::atomic<pid_t> otherThread{0};
    std::thread other([&] {
        otherThread = pid_t(GetCurrentThreadId());
        EXPECT_TRUE(writer.waitUntilIdleFor(std::chrono::hours(1)));
    });
    ASSERT_TRUE(lftest::waitUntil([&] { return otherThread && lftest::threadIsAsleep(otherThread); }));
    EXPECT_TRUE(writer.waitUntilIdleFor(std::chrono::hours(1)));
    other.join();
    EXPECT_EQ(calledOn, std::vector<std::thread::id>{std::this_thread::get_id()});
}

// A disk that is slow, not stuck: the wait outlasts the moment the test lets the job end, under either clock,
// each of which bounds it; with the longest wait set for tests, every wait on a stuck job keeps to it.
TEST_F(SaveWriterTest, UnderEitherClockAWaitGivesUpOnlyOnADiskThatIsStuck) {
    for (bool fixedClock : {false, true}) {
        SCOPED_TRACE(fixedClock ? "fixed clock" : "real clock");
        if (fixedClock)
            setenv("LANTERNFALL_FIXED_CLOCK_MS", "100", 1);
        platformReloadTestHooks();
        EXPECT_EQ(SaveWriter::longestWait(),
                  fixedClock ? SaveWriter::kLongestFixedClockWait : SaveWriter::kLongestWait);
        SaveWriter writer;
        writer.startThread();
        auto held = std::make_shared<HeldWriter>(writer);
        std::thread slowDisk = letGoOnceAsleep([held] { held->letGo(); });
        EXPECT_TRUE(writer.waitUntilIdleFor(SaveWriter::longestWait()));
        slowDisk.join();
    }
    unsetenv("LANTERNFALL_FIXED_CLOCK_MS");
    platformReloadTestHooks();

    SaveWriter::setLongestWaitForTests(std::chrono::milliseconds(50));
    SaveWriter writer;
    writer.startThread();
    HeldWriter held(writer);
    EXPECT_EQ(SaveWriter::longestWait(), std::chrono::milliseconds(50));
    EXPECT_EQ(writer.finish().size(), 1u) << "the end gives up after the longest wait set";
    SaveWriter::setLongestWaitForTests(std::chrono::milliseconds(0));
    EXPECT_EQ(SaveWriter::longestWait(), SaveWriter::kLongestWait);
}

// While the end of one thread gives up a write that never ends, a wait and an end of two other threads
// (as the display going away and the game's end) are woken by it: neither says the jobs are done, the end
// names them too, and the given-up save counts as failed.
TEST_F(SaveWriterTest, AWaitAndAnEndOnOtherThreadsDuringAGiveUpSayItsJobsAreNotDone) {
    const auto writer = std::make_shared<SaveWriter>();
    writer->startThread();
    ASSERT_TRUE(startWriteThatNeverEnds(*writer, "game.sav", "old"));
    write(*writer, "list.sav", "list");
    const auto waiter = std::make_shared<std::atomic<pid_t>>(0);
    const auto ender = std::make_shared<std::atomic<pid_t>>(0);
    std::future<bool> waited = std::async(std::launch::async, [writer, waiter] {
        *waiter = pid_t(GetCurrentThreadId());
        return writer->waitUntilIdleFor(std::chrono::hours(1));
    });
    std::future<std::vector<std::string>> ended = std::async(std::launch::async, [writer, ender] {
        *ender = pid_t(GetCurrentThreadId());
        return whatOf(writer->finish(std::chrono::hours(1)));
    });
    EXPECT_TRUE(lftest::waitUntil([&] {
        return *waiter && *ender && lftest::threadIsAsleep(*waiter) && lftest::threadIsAsleep(*ender);
    }));
    const std::vector<std::string> left = whatOf(writer->finish(std::chrono::milliseconds(1)));
    EXPECT_EQ(left, (std::vector<std::string>{"the save of " + path("game.sav") + " | game.sav",
                                              "the save of " + path("list.sav") + " | list.sav"}));
    EXPECT_FALSE(waited.get()) << "the jobs given up are not done";
    EXPECT_EQ(ended.get(), left);
    EXPECT_TRUE(writer->lastWriteFailed(path("game.sav")));
    EXPECT_TRUE(writer->lastWriteFailed(path("list.sav")));
    EXPECT_EQ(readPipe("game.sav"), "old");
}

// A wait outlasts its bound while the job at work changes: the job that began during the wait has not
// outlasted anything, and a later wait waits for it.
TEST_F(SaveWriterTest, AJobThatBeganDuringAWaitIsNotKnownStuckWhenTheWaitGivesUp) {
    SaveWriter writer;
    writer.startThread();
    HeldWriter first(writer);
    auto second = std::make_shared<HeldWriter>(writer);
    // Half a second into the wait, the first job ends; the wait goes on while the second is at work.
    writer.setWaitingHook([&first] { first.letGo(); });
    EXPECT_FALSE(writer.waitUntilIdleFor(SaveWriter::kShowWaitingAfter * 3));
    std::thread slowDisk = letGoOnceAsleep([second] { second->letGo(); });
    EXPECT_TRUE(writer.waitUntilIdleFor(std::chrono::hours(1))) << "the second job was not known stuck";
    slowDisk.join();
}

// A job of the second writer waits for its turn behind one of the first that is slow (not given up) and is
// told as long meanwhile; once its turn comes it is at work anew, and a wait on it waits for it.
TEST_F(SaveWriterTest, AJobWhoseTurnHasJustComeIsNotKnownStuck) {
    const std::string game = path("game.sav");
    SaveWriter first, second;
    first.startThread();
    second.startThread();
    // Each copy's job holds its turn on game.sav until let go.
    auto holdTurn = [game](SaveWriter &writer) {
        auto let = std::make_shared<HeldWriter::Let>();
        writer.keepCopy(game, {1}, [let](const std::string &) { let->released.wait(); });
        return let;
    };
    clearLogContents();
    const auto firstCopy = holdTurn(first);
    // The first copy's job is at work, holding its turn, before the second is asked.
    ASSERT_TRUE(lftest::waitUntil([&] { return !first.takeLongJob(std::chrono::milliseconds(0)).empty(); }));
    const auto secondCopy = holdTurn(second);
    ASSERT_TRUE(lftest::waitUntil([&] { return logHas(" waits: the copy of the damaged "); }));
    EXPECT_EQ(second.takeLongJob(std::chrono::milliseconds(0)).size(), 1u);
    firstCopy->letGo();
    ASSERT_TRUE(lftest::waitUntil([&] { return logHas(" goes ahead: "); }));
    std::thread slowDisk = letGoOnceAsleep([secondCopy] { secondCopy->letGo(); });
    EXPECT_TRUE(second.waitUntilIdleFor(std::chrono::hours(1))) << "known stuck only while it waited for its turn";
    slowDisk.join();
}

// The writer's thread reaches the job of a HeldWriter that is gone (behind another held job): the job holds
// what it waits on.
TEST_F(SaveWriterTest, AHeldWriterGoneBeforeItsJobIsReachedLetsItPass) {
    SaveWriter writer;
    writer.startThread();
    HeldWriter first(writer);
    { HeldWriter gone(writer); }
    first.letGo();
    EXPECT_TRUE(writer.waitUntilIdleFor(std::chrono::hours(1)));
}
