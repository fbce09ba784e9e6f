#pragma once
// What every content tool does with its command line: "--help" or "-h" prints the usage on standard output
// and succeeds; a command line that is wrong is named, with the usage, on standard error.

#include <cstdio>
#include <cstring>
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

// "<tool>: <problem>" and the usage on standard error; status 1.
inline int usageError(const char *toolName, const std::string &problem, const char *usage) {
    std::fprintf(stderr, "%s: %s\n%s", toolName, problem.c_str(), usage);
    return 1;
}

} // namespace tool
