#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "game/HoGame.h"
#include "game/player/SaveNotice.h"
#include "game/player/SaveWriter.h"
#include "game/util/NumberParse.h"
#include "game/util/ReadWholeFile.h"
#include "game/util/TextReader.h"
#include "platform/WinBase.h"

namespace {

constexpr char kStateSubfolder[] = "Velt";
constexpr char kOptionsFileName[] = "options.cfg";
// Far beyond 0..1, where the integer options are clamped anyway; keeps long values from overflowing.
constexpr int64_t kScannerLimit = int64_t(1) << 40;

// An optional '-', then every character up to the first one at or below blank adds its distance from
// '0' to ten times the number so far; the result saturates.
int64_t scanOptionInteger(const char *text) {
    bool negative = false;
    if (*text == '-') {
        negative = true;
        text++;
    }
    int64_t number = 0;
    for (; static_cast<signed char>(*text) > ' '; text++) {
        number = number * 10 + (*text - '0');
        if (number > kScannerLimit)
            number = kScannerLimit;
        else if (number < -kScannerLimit)
            number = -kScannerLimit;
    }
    return negative ? -number : number;
}

float clampUnit(float value) {
    if (std::isnan(value) || value < 0.0f)
        return 0.0f;
    return value > 1.0f ? 1.0f : value;
}

bool isIntegerOption(GameOptionIndex index) {
    return index != kOptionMusic && index != kOptionSfx && index != kOptionVoice;
}

// "%.3f" in the C locale, whatever the process's locale is.
std::string formatVolume(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    if (result.ec != std::errc())
        return "0.000";
    return std::string(text, result.ptr);
}

} // namespace

std::string HoGame::userFolder() const {
    // Without a state folder nothing per-user is read or written (never at the file-system root).
    if (statePath[0] == '\0')
        return std::string();
    std::string path = statePath;
    if (useStateSubfolder) {
        path += "/";
        path += kStateSubfolder;
    }
    return path;
}

std::string HoGame::optionsFilePath() const {
    const std::string folder = userFolder();
    return folder.empty() ? folder : folder + "/" + kOptionsFileName;
}

void HoGame::readOptions() {
    const std::string path = optionsFilePath();
    WholeFile file;
    if (path.empty() || !readWholeFile(path.c_str(), &file))
        return;
    parseOptions(file.data.get());
    // The file holds these options: the exit need not write them again unless they change.
    optionsOnDisk_ = optionsText();
}

void HoGame::parseOptions(const char *text) {
    forEachKeyValueLine(text, [this](const std::string &key, const char *value) {
        for (int32_t i = 0; i < kGameOptionCount; i++) {
            const auto index = GameOptionIndex(i);
            if (key != GameOptions::name(index))
                continue;
            if (isIntegerOption(index)) {
                const int64_t number = scanOptionInteger(value);
                options.set(index, number < 0 ? 0.0f : number > 1 ? 1.0f : float(number));
            } else {
                options.set(index, clampUnit(parseFloat(value)));
            }
        }
    });
}

PlatformFileError HoGame::saveOptions() {
    const PlatformFileError error = startSavingOptions();
    return error == PlatformFileError::kNone ? finishSavingOptions(SaveWriter::longestWait()) : error;
}

std::string HoGame::optionsText() const {
    std::string text;
    for (int32_t i = 0; i < kGameOptionCount; i++) {
        const auto index = GameOptionIndex(i);
        text += GameOptions::name(index);
        text += '=';
        text += isIntegerOption(index) ? std::to_string(options.rounded(index)) : formatVolume(options.get(index));
        text += '\n';
    }
    return text;
}

bool HoGame::optionsChangedSinceWritten() const {
    return optionsText() != optionsOnDisk_;
}

PlatformFileError HoGame::startSavingOptions() {
    const std::string path = optionsFilePath();
    std::string text = optionsText();
    if (path.empty()) {
        const PlatformFileError why =
            stateFolderError == PlatformFileError::kNone ? PlatformFileError::kOther : stateFolderError;
        logMessage("Game: cannot write options file (no state folder): %s, ERROR", describeFileError(why));
        return why;
    }
    // The whole text replaces the file in one step, so a write cut off at any point leaves the old options;
    // on a writer's thread of its own, so a disk that never answers holds the game a few seconds at most.
    FileImage image(static_cast<uint8_t *>(std::malloc(text.size())), std::free);
    if (!image) {
        logMessage("Game: cannot write options file %s: out of memory, ERROR", path.c_str());
        return PlatformFileError::kOther;
    }
    std::memcpy(image.get(), text.data(), text.size());
    optionsWriter_.startThread();
    // A write refused for want of room in the queue comes back as a failed outcome.
    optionsWriter_.write(path, std::move(image), text.size());
    optionsAsked_ = std::move(text);
    return PlatformFileError::kNone;
}

PlatformFileError HoGame::finishSavingOptions(std::chrono::milliseconds bound) {
    const std::vector<SaveWriter::Unfinished> notFinished = optionsWriter_.finish(bound);
    logJobsNotFinished(notFinished, "in time", "the options are not saved");
    if (!notFinished.empty())
        return PlatformFileError::kTimedOut;
    // The writer hands back a failed write, and the first written after one: the last says how it ended.
    PlatformFileError error = PlatformFileError::kNone;
    for (const SaveWriter::Outcome &outcome : optionsWriter_.takeOutcomes(false))
        error = outcome.error;
    if (error == PlatformFileError::kNone)
        optionsOnDisk_ = optionsAsked_;
    return error;
}
