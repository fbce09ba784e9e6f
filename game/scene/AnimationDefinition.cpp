#include "game/scene/AnimationDefinition.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/system/KSystem.h"
#include "game/util/NumberParse.h"
#include "game/util/NumericHelpers.h"
#include "game/util/TextReader.h"

namespace {

constexpr char kDurationKey[] = "Duration";
constexpr char kRangeMarker[] = "xx";

// Adds entries while the cycle and the line have room; logs the first cut of a file.
class EntryWriter {
public:
    EntryWriter(AnimationDefinition &definition, const char *path) : definition_(definition), path_(path) {}

    void startLine() { lineEntries_ = 0; }
    // False once a limit is reached.
    bool add(std::string entry) {
        if (lineEntries_ >= AnimationDefinition::kMaxEntriesPerLine ||
            int64_t(definition_.entries.size()) >= AnimationDefinition::kMaxEntries) {
            reportCut();
            return false;
        }
        ++lineEntries_;
        definition_.entries.push_back(std::move(entry));
        return true;
    }

private:
    void reportCut() {
        if (reported_)
            return;
        reported_ = true;
        logMessage("Game: Limits applied to %s, WARNING", path_);
    }

    AnimationDefinition &definition_;
    const char *path_;
    int32_t lineEntries_ = 0;
    bool reported_ = false;
};

void sendMessage(const ScriptMessageHook &hook, const std::string &text) {
    if (hook.function)
        hook.function(text.c_str(), hook.argument);
}

std::string texturePath(const char *folder, const std::string &name) {
    std::string path = std::string(folder ? folder : "") + "/" + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

void addRepeated(EntryWriter &writer, const std::string &path, int32_t times) {
    for (int32_t i = 0; i < times && writer.add(path); ++i) {
    }
}

// "first" or "first:last": the name with "xx" replaced by each number in turn.
void addNumbered(EntryWriter &writer, const char *folder, const std::string &name, const char *value,
                 const char *definitionPath, const ScriptMessageHook &hook) {
    const size_t marker = name.find(kRangeMarker);
    if (marker == std::string::npos) {
        sendMessage(hook, std::string("ERROR FOR AIMATION DEFINITION IN ") + definitionPath +
                              ": Texture name must have defined xx substring.");
        return;
    }
    // The number scanner reads every byte up to a blank, so the first number is cut at the ':'.
    const char *colon = std::strchr(value, ':');
    const std::string firstText = colon ? std::string(value, size_t(colon - value)) : std::string(value);
    const int64_t first = parseInt(firstText.c_str());
    const int64_t last = colon ? parseInt(colon + 1) : first;
    const std::string prefix = name.substr(0, marker);
    const std::string suffix = name.substr(marker + std::strlen(kRangeMarker));
    for (int64_t number = first; number <= last; ++number) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%02d", int32_t(number));
        if (!writer.add(texturePath(folder, prefix + digits + suffix)))
            break;
    }
}

} // namespace

void AnimationDefinition::read(const char *text, const char *folder, const char *path,
                               const ScriptMessageHook &hook) {
    const char *definitionPath = path ? path : "";
    EntryWriter writer(*this, definitionPath);
    TextReader reader;
    reader.attach(text);
    while (reader.readLine()) {
        const char *line = reader.line();
        const char *equals = std::strchr(line, '=');
        const std::string key = equals ? std::string(line, size_t(equals - line)) : std::string(line);
        const char *value = equals ? equals + 1 : "";
        if (key.empty())
            continue;
        if (key == kDurationKey) {
            duration = *value ? parseFloat(value) : 1.0f;
            continue;
        }
        writer.startLine();
        if (!*value)
            writer.add(texturePath(folder, key));
        else if (*value == 'x')
            addRepeated(writer, texturePath(folder, key), parseInt(value + 1));
        else
            addNumbered(writer, folder, key, value, definitionPath, hook);
    }
}

int32_t animationFrameIndex(float duration, int32_t entryCount, int32_t time) {
    if (entryCount <= 0)
        return 0;
    const float cycle = duration * 100.0f;
    const int32_t period = roundToInt(cycle);
    if (period <= 0)
        return 0;
    const int64_t intoCycle = std::llabs(int64_t(time) % period);
    const float share = cycle / float(entryCount);
    const int64_t index = int64_t(float(intoCycle) / share);
    return int32_t(std::clamp<int64_t>(index, 0, entryCount - 1));
}
