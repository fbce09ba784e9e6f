#pragma once
// While it lives, every wait on a save writer gives up after a short bound instead of the clock's longest
// wait: for the tests of a wait that outlasts its bound behind a held or stuck job, which then need not
// wait the full bound. Only for scopes in which every wait is on such a job: a disk merely slow on a busy
// machine would outlast the short bound too.

#include <chrono>

#include "game/player/SaveWriter.h"

class ShortLongestWait {
public:
    explicit ShortLongestWait(std::chrono::milliseconds bound = std::chrono::milliseconds(200)) {
        SaveWriter::setLongestWaitForTests(bound);
    }
    ~ShortLongestWait() { SaveWriter::setLongestWaitForTests(std::chrono::milliseconds(0)); }
    ShortLongestWait(const ShortLongestWait &) = delete;
    ShortLongestWait &operator=(const ShortLongestWait &) = delete;
};
