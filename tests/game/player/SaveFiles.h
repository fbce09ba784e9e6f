#pragma once
// Save files for the suites that save: a scratch folder that stands for the application-data folder
// (absolute save paths must lie under it), and a body written into a file through the save stream and
// the crash-safe writer, or read back from one.

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/player/SaveStream.h"
#include "platform/FileHooks.h"
#include "tests/support/TestSupport.h"

// The folder is the application-data folder while the object lives; the file fault hooks start afresh.
class SaveFiles {
public:
    using Body = std::function<bool(SaveStream &)>;

    SaveFiles() {
        const char *previous = std::getenv("XDG_DATA_HOME");
        previousDataHome = previous ? previous : "";
        hadDataHome = previous != nullptr;
        setenv("XDG_DATA_HOME", folder.str().c_str(), 1);
        fileHooksReset();
    }
    ~SaveFiles() {
        fileHooksFailChange(0, false);
        fileHooksStopWritesAt(0);
        if (hadDataHome)
            setenv("XDG_DATA_HOME", previousDataHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }

    std::string pathOf(const std::string &name) const { return (folder / name).string(); }
    std::vector<unsigned char> fileBytes(const std::string &name) const { return lftest::readFileBytes(folder / name); }

    // Writes the body at the version into the file through the crash-safe writer.
    bool saveFrom(HoWorld *world, const std::string &name, const Body &body, int32_t version = SaveStream::kVersion) {
        SaveStream stream(world);
        return stream.openWrite(version) && body(stream) && stream.flushToFile(pathOf(name).c_str());
    }
    // Opens the file and reads the body into the world.
    bool loadInto(HoWorld *world, const std::string &name, const Body &body) {
        SaveStream stream(world);
        return stream.openRead(pathOf(name).c_str()) && body(stream);
    }

    lftest::TempDir folder;

private:
    std::string previousDataHome;
    bool hadDataHome = false;
};

