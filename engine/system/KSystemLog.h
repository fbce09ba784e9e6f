#pragma once
// Reading back the log's memory buffer: tests and the crash report look at what was logged.

#include <cstddef>
#include <string>

constexpr size_t kLogBufferSize = 8192;

// What the memory buffer holds (at most its first 8192 bytes).
std::string getLogContents();
// Empties the memory buffer, so that a test sees only its own lines.
void clearLogContents();
