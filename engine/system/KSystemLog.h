#pragma once
// Reading back the log's memory buffer: tests and the crash report look at what was logged.

#include <cstddef>
#include <string>

constexpr size_t kLogBufferSize = 8192;

// What the memory buffer holds (at most its first 8192 bytes).
std::string getLogContents();
// Empties the memory buffer, so that a test sees only its own lines.
void clearLogContents();

// While one lives, the lines of its thread are dropped: for work done ahead that its owner does again when
// it fails (pictures made ahead of a scene change), so that a failure is logged once, by the owner.
class KLogSilence {
public:
    KLogSilence();
    ~KLogSilence();
    KLogSilence(const KLogSilence &) = delete;
    KLogSilence &operator=(const KLogSilence &) = delete;
};
