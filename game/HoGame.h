#pragma once
// The game application: the one KGame of the program. It holds the player options, the display layout
// and the view, runs start-up, the splash sequence and the fixed-step main loop, answers the window's
// events and shuts everything down in order when the window asks to quit. While its main thread waits for
// the disk it shows that it waits.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/system/KGame.h"
#include "game/HoGameSettings.h"
#include "game/player/SaveWriter.h"

class HoContext;
class SplashScreen;
struct KWindowEvent;

class HoGame : public KGame {
public:
    explicit HoGame(const GameSettings &settings);
    ~HoGame() override;

    const char *getWindowTitle() override;
    const char *getGameId() override;
    const char *getMakerFolderName() override;
    const char *getExtraString() override;
    void run() override;

    // One pass of the main loop; false once the shutdown has run and the loop must end.
    bool runPass();
    // Makes the game context, initialises it and lets it run: ready and active.
    void createContext();
    // Runs once, when the window asks to quit; true ends the loop. The game and the options are saved while
    // the window still shows, so that the exit's notice can name whatever was not.
    bool shutdown();
    // Shows, in the middle of the frame under way, that the game waits for the disk: the hook of the waits
    // of the main thread on the context's writer and the options' writer, and of any other wait that lasts.
    // Once a pass; nothing without a window or a context, nor under the fixed clock of scripted runs (whether
    // a wait lasts long enough to be shown depends on the machine, and they step alike on any).
    void showWaitingForDisk();

    bool isFullscreen() const;
    bool isHd() const;
    // True when the game could not make its window and so never ran.
    bool windowFailed() const { return windowFailed_; }
    // Why the context made last cannot open its start scene: the file, then what the resource layer could
    // not read ("data/game.cfg: the archive '...' is missing"); empty when it can. The run reports it
    // through the error path (dialog, non-zero exit) instead of showing a black screen for ever, and so
    // it reports an entry of the game's archives found damaged at any later pass.
    const std::string &startFailure() const { return startFailure_; }

    // Start-up and display layout (HoGameStartup.cpp).
    void startup();
    void createWindow();
    bool switchQuality(bool wantHd);
    void mountQualityArchive();
    bool forceFullScreenIfTooLarge();
    // Runs the scripts' "on_forced_fullscreen_mode" when the world has bound it.
    void runForcedFullScreenHook();
    void applyFullScreen();
    bool applyHardwareCursor();
    // Stores the view and sets the window's view transform; `clear` also clears the game area to the
    // window's clear colour.
    void setView(float x, float y, float zoom, float angle, bool clear = false);
    // What setView hands the window for a view: the offsets moved by the display mode's centring, the
    // angle, and the zoom times the art scale.
    struct WindowView {
        float x = 0.0f, y = 0.0f, angle = 0.0f, zoom = 1.0f;
    };
    WindowView windowView(float x, float y, float zoom, float angle) const;
    void setClipRect(bool enabled, float x1, float y1, float x2, float y2);

    // The folder of the per-user files: the state folder, or its subfolder "Velt" when the game uses
    // it; empty without a state folder (HoGameOptions.cpp).
    std::string userFolder() const;
    // The options file (HoGameOptions.cpp).
    std::string optionsFilePath() const;
    void readOptions();
    // Writes the options file, waiting for it a few seconds at most; false (logged) when it was not written.
    PlatformFileError saveOptions();
    // The options as their file holds them.
    std::string optionsText() const;
    // The options differ from what their file was last read or written with.
    bool optionsChangedSinceWritten() const;
    // Hands the options file to its writer; why it could not (kNone: handed over). Logged.
    PlatformFileError startSavingOptions();
    // Waits for the options' writer at most the bound; why the file was not written (kNone: it was). Logged.
    PlatformFileError finishSavingOptions(std::chrono::milliseconds bound);
    // Applies the text of an options file to the options.
    void parseOptions(const char *text);

    // The window's event callback (HoGameEvents.cpp); acts on the process-wide game.
    static bool onWindowEvent(KWindowEvent *event);
    void handleWindowEvent(const KWindowEvent &event);

    GameOptions options;
    HoContext *context = nullptr;
    std::unique_ptr<SplashScreen> splash;
    uint8_t paused = 0;
    uint8_t useStateSubfolder = 0;
    uint8_t wide = 0;
    uint8_t hdActive = 0;
    // Each context this game makes writes the player's files on a thread of its own (the game's entry
    // sets it; suites that save and read back at once leave it off).
    uint8_t savesOnWriterThread = 0;
    GameSettings settings;

    struct View {
        float x = 0.0f, y = 0.0f, angle = 0.0f, zoom = 1.0f;
    } view;
    struct ClipRect {
        bool enabled = false;
        float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
    } clip;

protected:
    // The window the game creates: the Direct3D 9 window.
    virtual KWindow *makeWindow();

private:
    void mountArchive(const char *name);
    void mountQualityArchiveOnly();
    bool hdModeAvailable();
    void chooseNarrowLayoutIfNearer(bool hd);
    void runSplashFrame();
    void runContextFrame();
    void waitForWindowMessage();
    // Destroys the context once its game-load thread has ended, waiting a few seconds at most; one whose
    // thread is stuck on the disk is let go with it instead (letGoOfContext).
    void endContext();
    // Saves the game and the options at the end and tells what was not saved.
    void saveAtExit();

    // The options file's own writer (HoGameOptions.cpp), waited for a few seconds at most.
    SaveWriter optionsWriter_{"options file"};
    std::string optionsOnDisk_; // the options text the file was last read or written with (empty: not known)
    std::string optionsAsked_;  // the options text last handed to the writer
    bool waitingShown_ = false; // the wait screen is drawn in this pass
    bool shutDown_ = false;
    bool windowFailed_ = false;
    std::string startFailure_;
};

// The game the window callback and the splash act on; null outside the game entry.
HoGame *currentHoGame();

// Creates the game, its state folder, runs it and tears it down; returns the program's exit code.
int runGameEntry(const GameSettings &settings);
