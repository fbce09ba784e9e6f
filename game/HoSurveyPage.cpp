#include "game/HoSurveyPage.h"

#include <cstring>
#include <string>

#include "engine/system/KSystem.h"
#include "game/util/ReadWholeFile.h"

namespace {

constexpr char kSurveyFile[] = "Survey.txt";

std::string firstLineTrimmed(const char *text) {
    std::string line(text, std::strcspn(text, "\r\n"));
    const size_t end = line.find_last_not_of(" \t");
    line.resize(end == std::string::npos ? 0 : end + 1);
    return line;
}

bool hasControlCharacters(const std::string &line) {
    for (unsigned char c : line) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

} // namespace

PageOpening openPageNamedIn(const char *fileName) {
    WholeFile file;
    if (!fileName || !readWholeFile(fileName, &file) || file.size == 0)
        return {};
    std::string url = firstLineTrimmed(file.data.get());
    if (url.empty())
        return {};
    // A text that holds NUL bytes is not a page's address either.
    if (url[0] == '-' || hasControlCharacters(url) || std::strlen(file.data.get()) < file.size) {
        logMessage("Game: %s does not name a page to open, ERROR", fileName);
        return {};
    }
    std::shared_ptr<PlatformOpener> opener = launchUrl(url.c_str());
    return {std::move(url), std::move(opener)};
}

PageOpening openSurveyPage() {
    return openPageNamedIn(kSurveyFile);
}
