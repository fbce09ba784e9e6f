#pragma once
// What every content tool does with its command line: "--help" or "-h" prints the usage on standard output
// and succeeds; a command line that is wrong is named, with the usage, on standard error; a file that cannot
// be read or written is named alone, with what the engine reported of it.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

namespace tool {

inline bool asksForHelp(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

// Status 0 when the usage was written.
inline int printUsage(const char *usage) {
    return std::fputs(usage, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}

// What is wrong with a command line whose first word is not a command of the tool.
inline std::string unknownWord(int argc, char **argv) {
    if (argc < 2)
        return "no command given";
    return std::string(argv[1][0] == '-' ? "unknown option " : "unknown command ") + argv[1];
}

// "<tool>: <problem>", the details (the engine's log, say) and the usage on standard error; status 1.
inline int usageError(const char *toolName, const std::string &problem, const char *usage,
                      const std::string &details = {}) {
    std::fprintf(stderr, "%s: %s\n%s%s", toolName, problem.c_str(), details.c_str(), usage);
    return 1;
}

// The engine's log as a tool shows it: the lines that report an error or a warning, without their time.
inline std::string engineProblems(const std::string &log) {
    std::istringstream lines(log);
    std::string shown;
    for (std::string line; std::getline(lines, line);) {
        const bool timed = line.size() >= 10 && line[2] == ':' && line[5] == ':' && line[8] == ':' && line[9] == ' ';
        const std::string message = timed ? line.substr(10) : line;
        for (const char *ending : {", ERROR", ", WARNING"}) {
            const size_t length = std::strlen(ending);
            if (message.size() >= length && message.compare(message.size() - length, length, ending) == 0) {
                shown += message + "\n";
                break;
            }
        }
    }
    return shown;
}

// Ends a tool's run from anywhere below main(); runTool reports it.
struct Failure {
    std::string reason;
    bool usage = false; // the command line is wrong, rather than a file or the work
};

// A file that cannot be read or written, or work that cannot be done.
[[noreturn]] inline void fail(const std::string &reason) {
    throw Failure{reason, false};
}

// A command line that is wrong: the usage follows the reason.
[[noreturn]] inline void usageFail(const std::string &reason) {
    throw Failure{reason, true};
}

// The main() of a tool whose work throws Failure: "--help" prints the usage, a failure is named with the
// details that describeFailure() gives, and with the usage when the command line was wrong; a file system
// error is named alone.
template <class Run, class Describe>
int runTool(int argc, char **argv, const char *toolName, const char *usage, Run run, Describe describeFailure) {
    if (asksForHelp(argc, argv))
        return printUsage(usage);
    try {
        return run(argc, argv);
    } catch (const Failure &failure) {
        if (failure.usage)
            return usageError(toolName, failure.reason, usage, describeFailure());
        std::fprintf(stderr, "%s: %s\n%s", toolName, failure.reason.c_str(), describeFailure().c_str());
        return 1;
    } catch (const std::filesystem::filesystem_error &error) {
        std::fprintf(stderr, "%s: %s\n", toolName, error.what());
        return 1;
    }
}

template <class Run>
int runTool(int argc, char **argv, const char *toolName, const char *usage, Run run) {
    return runTool(argc, argv, toolName, usage, run, [] { return std::string(); });
}

} // namespace tool
