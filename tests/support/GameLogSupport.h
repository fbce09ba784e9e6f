#pragma once
// The rule by which a game's log shows an error, shared by every whole-game test (scripts/run applies the
// same rule): a line whose message ends ", ERROR", or whose message starts "Game: Error" in any letter case.
// Lines are "HH:MM:SS: message".

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

namespace lftest {

// The message of a log line: the text after its "HH:MM:SS: " time, or the whole line without one.
inline std::string logMessageOf(const std::string &line) {
    const bool timed = line.size() >= 10 && line[2] == ':' && line[5] == ':' && line[8] == ':' && line[9] == ' ';
    return timed ? line.substr(10) : line;
}

inline bool isErrorLine(const std::string &line) {
    std::string message = logMessageOf(line);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n'))
        message.pop_back();
    const std::string ending = ", ERROR";
    if (message.size() >= ending.size() && message.compare(message.size() - ending.size(), ending.size(), ending) == 0)
        return true;
    const std::string start = "game: error";
    if (message.size() < start.size())
        return false;
    for (size_t i = 0; i < start.size(); i++) {
        if (std::tolower(static_cast<unsigned char>(message[i])) != start[i])
            return false;
    }
    return true;
}

// Every error line of a log, in order.
inline std::vector<std::string> errorLines(const std::string &log) {
    std::vector<std::string> found;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (isErrorLine(line))
            found.push_back(line);
    }
    return found;
}

} // namespace lftest
