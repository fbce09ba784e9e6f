#include "game/HoGame.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <string>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceProblems.h"
#include "engine/system/KSystem.h"
#include "engine/window/KWindow.h"
#include "game/DiskWaitScreen.h"
#include "game/HoContext.h"
#include "game/HoSurveyPage.h"
#include "game/SplashScreen.h"
#include "game/player/GameInMemory.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveWriter.h"
#include "game/player/SavedGame.h"
#include "game/resources/HoConfiguration.h"
#include "game/world/HoWorld.h"
#include "platform/TestHooks.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"
#include "platform/WindowHooks.h"
#include "platform/WindowSurface.h"

namespace {

constexpr char16_t kWindowTitle[] = u"Brightmoor Ambercrest Lanternfall";
constexpr char kGameId[] = "Brightmoor_Ambercrest";
constexpr char kMakerFolder[] = "Morvane";
// The operating system on which the shutdown waits before the process ends.
constexpr int32_t kOsCodeWaitingAtExit = 7;
constexpr DWORD kExitWaitMilliseconds = 10000;

// The message hook the game gives its context: script messages become log lines.
void logScriptMessage(const char *text, void *) {
    logMessage("Game: %s", text ? text : "");
}

// An entry of the game's own archives that fails its check is damaged data, as a missing archive is: the
// game cannot go on without it (an empty localisation, a scene without its script), whichever thread read it.
// The player is told which file of the game is damaged, by the name they know it by, and what to do; the
// archive's error line in the log has the detail.
std::string describeDamagedEntry() {
    const std::optional<KResourceProblem> damaged = firstDamagedEntry();
    if (!damaged)
        return {};
    const std::string &archive = damaged->archive;
    const std::string file = archive.substr(archive.find_last_of('/') + 1);
    return damaged->name + ". The game's file " + file + ", which holds it, is damaged. Please install the game again.";
}

// What is left since the time of the longest wait on a writer (none once it has passed).
std::chrono::milliseconds longestWaitLeft(std::chrono::steady_clock::time_point since) {
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since);
    return std::max(SaveWriter::longestWait() - waited, std::chrono::milliseconds(0));
}

} // namespace

HoGame *currentHoGame() {
    return static_cast<HoGame *>(currentGame);
}

HoGame::HoGame(const GameSettings &gameSettings) : settings(gameSettings) {
    useStateSubfolder = settings.useStateSubfolder;
    wide = settings.wideAllowed;
    screenValues = ScreenValues{};
    if (settings.wideAllowed) {
        screenValues.width = settings.wideWidth;
        screenValues.narrowWidth = settings.designWidth;
    } else {
        screenValues.width = settings.designWidth;
        settings.wideWidth = settings.designWidth;
    }
    screenValues.wideWidth = screenValues.width;
    screenValues.height = settings.designHeight;
    screenValues.halfWidth = screenValues.width * 0.5f;
    screenValues.halfHeight = screenValues.height * 0.5f;
    screenValues.artScale = 1.0f;
    optionsWriter_.setWaitingHook([this] { showWaitingForDisk(); });
}

HoGame::~HoGame() {
    platformUnregisterScriptedDesignMapping(this);
    splash.reset();
    // A context that ends here waits for its writer with nothing left to draw on.
    if (context)
        context->saveWriter.setWaitingHook(nullptr);
    endContext();
}

void HoGame::endContext() {
    if (!context)
        return;
    if (context->endLoadThread(SaveWriter::longestWait(), [this] { showWaitingForDisk(); }))
        delete context;
    else
        letGoOfContext(context);
    context = nullptr;
}

const char *HoGame::getWindowTitle() {
    static char title[100];
    utf16ToUtf8(kWindowTitle, title, sizeof title);
    return title;
}

const char *HoGame::getGameId() {
    static char id[64];
    std::snprintf(id, sizeof id, "%s", kGameId);
    return id;
}

const char *HoGame::getMakerFolderName() {
    return kMakerFolder;
}

const char *HoGame::getExtraString() {
    return "";
}

bool HoGame::isFullscreen() const {
    return options.rounded(kOptionFullscreen) != 0;
}

bool HoGame::isHd() const {
    return options.rounded(kOptionHdGraphics) > 0;
}

void HoGame::run() {
    if (checkGameInstance(getGameId())) {
        logMessage("Game: another copy of the game is running");
        return;
    }
    startup();
    if (!window)
        return;
    splash = std::make_unique<SplashScreen>(this);
    // The first scene opens without a fade to make its pictures in: they are made while the splash shows.
    prefetchKGraphics(startPictureFiles());
    while (runPass()) {
        if (startFailure_.empty())
            startFailure_ = describeDamagedEntry();
        if (!startFailure_.empty())
            reportFileError(startFailure_.c_str());
    }
}

bool HoGame::runPass() {
    waitingShown_ = false;
    if (paused) {
        // A paused pass runs nothing of the game, but must wait for the event that ends the pause.
        waitForWindowMessage();
    } else {
        computeLogicSteps();
        if (splash)
            runSplashFrame();
        else
            runContextFrame();
        runFrame();
    }
    if (window && window->isQuitRequested())
        return !shutdown();
    return true;
}

void HoGame::runSplashFrame() {
    splash->update();
    if (splash->elapsed < SplashScreen::kPictureMilliseconds)
        return;
    // A context that exists but is not ready yet is left to finish; the splash stays for this pass.
    if (context && !context->ready)
        return;
    if (!context)
        createContext();
    splash.reset();
}

// The context's frame, then its exit: a restart makes a new context in the next pass, any other exit
// asks the window to quit.
void HoGame::runContextFrame() {
    if (!context)
        createContext();
    context->frame();
    if (!context->exit)
        return;
    if (context->restart) {
        // The saves this context asked for end with it: what is not saved is saved again, and one that failed
        // is told, as at the game's end.
        saveWhatIsNotSaved(context->world, "as the game restarts");
        tellSaveFailureAtExit(context, getWindowTitle(), "when the game restarted");
        endContext();
    } else if (window) {
        window->setQuitRequested(true);
    }
}

namespace {

// The file that keeps the world from its start scene, with every problem the resource layer met; a damaged
// entry, the cause whatever else the start missed, as a damaged entry is told.
std::string describeStartFailure(const HoWorld &world) {
    std::string text = world.startSceneMissingFile();
    if (text.empty())
        return text;
    if (std::string damaged = describeDamagedEntry(); !damaged.empty())
        return damaged;
    const char *separator = ": ";
    for (const KResourceProblem &problem : resourceProblems()) {
        text += separator + problem.text;
        separator = "; ";
    }
    return text;
}

} // namespace

void HoGame::createContext() {
    context = new HoContext(this);
    if (savesOnWriterThread)
        context->saveWriter.startThread();
    context->saveWriter.setWaitingHook([this] { showWaitingForDisk(); });
    context->messageHook = {logScriptMessage, nullptr};
    context->init();
    startFailure_ = describeStartFailure(*context->world);
    context->ready = 1;
    context->active = 1;
    if (window)
        window->resetFrameTiming();
    stepAccumulator = 0.0;
}

void HoGame::waitForWindowMessage() {
    if (!window)
        return;
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    } else {
        // The queue has ended (a quit message or no queue): waiting again would never return.
        window->setQuitRequested(true);
    }
}

bool HoGame::shutdown() {
    if (shutDown_)
        return true;
    shutDown_ = true;
    splash.reset();
    saveAtExit();
    if (context) {
        const ConfigEntry *survey = context->gameConfig ? context->gameConfig->find("game.is_survey") : nullptr;
        if (survey && survey->number > 0.0f)
            openSurveyPage();
        endContext();
    }
    KResource::cleanup();
    delete window;
    window = nullptr;
    if (osCode == kOsCodeWaitingAtExit)
        Sleep(kExitWaitMilliseconds);
    return true;
}

// The options are written before the window goes, where a failure can still be told. In the game's own runs
// on the machine's clock they are written beside the game's last saves, so that their waits overlap; under
// the fixed clock of scripted runs, and in a game not set to save on writer threads (the suites that drive
// its parts), after them, so that the file changes come in one order on any machine.
void HoGame::saveAtExit() {
    if (context) {
        context->stop = 1;
        saveGameOnExit(context->world);
    }
    // Options the player did not change since their file was written are not written again: a failure to
    // write them would name them in the notice for nothing.
    const bool changed = optionsChangedSinceWritten();
    const bool beside = savesOnWriterThread && !platformFixedClockEnabled();
    const auto started = std::chrono::steady_clock::now();
    PlatformFileError options = beside && changed ? startSavingOptions() : PlatformFileError::kNone;
    std::vector<FileNotSaved> notSaved = context ? filesNotSavedAtExit(context, "when the game ended")
                                                 : std::vector<FileNotSaved>();
    if (!beside && changed)
        options = startSavingOptions();
    if (options == PlatformFileError::kNone && changed)
        options = finishSavingOptions(beside ? longestWaitLeft(started) : SaveWriter::longestWait());
    if (options != PlatformFileError::kNone) {
        const std::string path = optionsFilePath();
        notSaved.push_back({path.empty() ? "options.cfg" : path, options, SavedFileKind::kOptions, std::string()});
    }
    tellFilesNotSavedAtExit(context, getWindowTitle(), notSaved);
}

void HoGame::showWaitingForDisk() {
    if (!window || !context || waitingShown_ || platformFixedClockEnabled())
        return;
    waitingShown_ = true;
    const View kept = view;
    const ClipRect keptClip = clip;
    // What the frame has drawn so far lies below.
    context->flushBatch();
    drawDiskWaitScreen(context);
    window->presentWithinFrame();
    setView(kept.x, kept.y, kept.zoom, kept.angle);
    if (keptClip.enabled)
        setClipRect(true, keptClip.x1, keptClip.y1, keptClip.x2, keptClip.y2);
}

namespace {

// The display can go away under the game (its X server ends); the process ends with it: the log says why
// and the saves already asked for are finished first (nothing can show that one failed; the writer logs
// it). A write that never ends (a hung network disk) must not keep the game alive without a window, holding
// its single-instance lock: the wait is bounded, and what was not finished is logged. The platform ends
// the process with a failure once this returns.
void endForLostDisplay(const char *why) {
    logMessage("Game: the display has gone away (%s): the game exits, ERROR", why);
    HoGame *game = currentHoGame();
    SaveWriter *writer = game && game->context ? &game->context->saveWriter : nullptr;
    // Nothing can be drawn any more.
    if (writer)
        writer->setWaitingHook(nullptr);
    if (!writer || writer->waitUntilIdleFor(SaveWriter::longestWait())) {
        logMessage("Game: the saves asked for are finished; the game ends");
        return;
    }
    logJobsNotFinished(writer->markJobsLeftFailed(), "when the display went away", "it is lost");
    logMessage("Game: the saves asked for did not finish within %d seconds; the game ends without them",
               int(std::chrono::duration_cast<std::chrono::seconds>(SaveWriter::longestWait()).count()));
}

} // namespace

int runGameEntry(const GameSettings &settings) {
    platformRegisterDisplayLost(endForLostDisplay);
    HoGame *game = new (std::nothrow) HoGame(settings);
    if (!game)
        return 0;
    game->initStateFolder();
    game->savesOnWriterThread = 1;
    game->run();
    // A game that could not make its window ends with an error.
    const int status = game->windowFailed() ? 1 : 0;
    delete static_cast<KGame *>(game);
    return status;
}
