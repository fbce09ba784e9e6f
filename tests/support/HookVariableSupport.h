#pragma once
// Turning the platform's test hooks on for one test.

#include <cstdlib>

#include "platform/TestHooks.h"

namespace lftest {

// Sets an environment variable for one test and re-reads the hooks; both are undone at the end.
class ScopedHookVariable {
public:
    ScopedHookVariable(const char *name, const char *value) : name_(name) {
        setenv(name, value, 1);
        platformReloadTestHooks();
    }
    ~ScopedHookVariable() {
        unsetenv(name_);
        platformReloadTestHooks();
    }
    ScopedHookVariable(const ScopedHookVariable &) = delete;
    ScopedHookVariable &operator=(const ScopedHookVariable &) = delete;

private:
    const char *name_;
};

} // namespace lftest
