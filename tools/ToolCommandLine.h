#pragma once
// What every content tool does with its command line: "--help" or "-h" prints the usage on standard output
// and succeeds; a command line that is wrong is named, with the usage, on standard error.

#include <cstdio>
#include <cstring>
#include <filesystem>
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

// Ends a tool's run from anywhere below main(); runTool reports it.
struct Failure {
    std::string reason;
};

[[noreturn]] inline void fail(const std::string &reason) {
    throw Failure{reason};
}

// The main() of a tool whose work throws Failure: "--help" prints the usage, a failure is named with the
// details that describeFailure() gives and the usage, a file system error is named alone.
template <class Run, class Describe>
int runTool(int argc, char **argv, const char *toolName, const char *usage, Run run, Describe describeFailure) {
    if (asksForHelp(argc, argv))
        return printUsage(usage);
    try {
        return run(argc, argv);
    } catch (const Failure &failure) {
        return usageError(toolName, failure.reason, usage, describeFailure());
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
