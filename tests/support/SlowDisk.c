// Preloaded into a program (LD_PRELOAD, which its children inherit), makes each fsync and fdatasync it calls
// SLOW_DISK_MS milliseconds slower (150 when unset), as on a disk that is slow but not stuck: a loaded shared
// disk, a network home, a hard disk. scripts/test runs the suites of the save writer and what waits on it so,
// to show that none of them relies on how fast the disk syncs. Built without the sanitizers: it is loaded
// before their runtimes.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <time.h>

typedef int (*SyncCall)(int);

static struct timespec slowness;
static SyncCall realFsync, realFdatasync;

// Read once, as the program loads: a test's threads may change the environment later.
__attribute__((constructor)) static void readSlowness(void) {
    const char *text = getenv("SLOW_DISK_MS");
    const long ms = text ? strtol(text, NULL, 10) : 150;
    slowness.tv_sec = ms > 0 ? ms / 1000 : 0;
    slowness.tv_nsec = ms > 0 ? (ms % 1000) * 1000000L : 0;
    realFsync = (SyncCall)dlsym(RTLD_NEXT, "fsync");
    realFdatasync = (SyncCall)dlsym(RTLD_NEXT, "fdatasync");
}

// The whole delay, whatever signals cut the sleep short; the caller's errno as it was.
static void waitAsASlowDisk(void) {
    const int saved = errno;
    struct timespec left = slowness;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    errno = saved;
}

static int syncSlowly(SyncCall real, int descriptor) {
    waitAsASlowDisk();
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(descriptor);
}

int fsync(int descriptor) {
    return syncSlowly(realFsync, descriptor);
}

int fdatasync(int descriptor) {
    return syncSlowly(realFdatasync, descriptor);
}
