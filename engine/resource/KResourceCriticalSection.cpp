#include "engine/resource/KResourceCriticalSection.h"

namespace {

struct ResourceSection {
    CRITICAL_SECTION section;
    ResourceSection() { InitializeCriticalSection(&section); }
    ~ResourceSection() { DeleteCriticalSection(&section); }
};

// Made on first use, which the static initialiser below makes happen before main.
ResourceSection &theResourceSection() {
    static ResourceSection made;
    return made;
}

[[maybe_unused]] const ResourceSection &madeAtStart = theResourceSection();

} // namespace

CRITICAL_SECTION *resourceCriticalSection() {
    return &theResourceSection().section;
}
