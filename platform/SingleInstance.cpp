#include "platform/SingleInstance.h"
#include "platform/WinBase.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const char kRaiseMessage[] = "raise\n";

struct InstanceState {
    std::mutex lock;
    int lockFile = -1;
    int listener = -1;
    std::string lockPath;
};

InstanceState &instanceState() {
    static InstanceState state;
    return state;
}

std::string safeFileName(const std::string &name) {
    std::string result;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     c == '-' || c == '.';
        result.push_back(plain ? c : '_');
    }
    return result.empty() ? std::string("instance") : result;
}

// An abstract-namespace socket address made from the lock file's path: no file to clean up, and one
// address per lock whatever the length of the folder's path.
socklen_t socketAddress(const std::string &lockPath, sockaddr_un *address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    char name[64];
    int length = std::snprintf(name, sizeof name, "lanternfall-%u-%zx", static_cast<unsigned>(getuid()),
                               std::hash<std::string>()(lockPath));
    std::memcpy(address->sun_path + 1, name, static_cast<size_t>(length));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(length));
}

int openListener(const std::string &lockPath) {
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return -1;
    sockaddr_un address;
    socklen_t length = socketAddress(lockPath, &address);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 || listen(listener, 8) != 0) {
        close(listener);
        return -1;
    }
    return listener;
}

void askFirstToRaise(const std::string &lockPath) {
    int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0)
        return;
    sockaddr_un address;
    socklen_t length = socketAddress(lockPath, &address);
    if (connect(connection, reinterpret_cast<sockaddr *>(&address), length) == 0)
        (void)send(connection, kRaiseMessage, sizeof kRaiseMessage - 1, MSG_NOSIGNAL);
    close(connection);
}

} // namespace

SingleInstanceClaim platformClaimSingleInstance(const std::string &folder, const std::string &name) {
    InstanceState &state = instanceState();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.lockFile >= 0)
        return SingleInstanceClaim::first;
    if (folder.empty() || !platformCreateFolderTree(folder.c_str()))
        return SingleInstanceClaim::failed;
    std::string lockPath = platformNormalizePath(folder + "/" + safeFileName(name) + ".lock");
    int file = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0)
        return SingleInstanceClaim::failed;
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        close(file);
        if (!held)
            return SingleInstanceClaim::failed;
        askFirstToRaise(lockPath);
        return SingleInstanceClaim::another;
    }
    state.lockFile = file;
    state.lockPath = lockPath;
    state.listener = openListener(lockPath);
    return SingleInstanceClaim::first;
}

bool platformTakeRaiseRequest() {
    InstanceState &state = instanceState();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.listener < 0)
        return false;
    bool requested = false;
    for (;;) {
        int connection = accept4(state.listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            break;
        // Only later starts of the game connect here; each connection is one request.
        requested = true;
        close(connection);
    }
    return requested;
}

bool platformHoldsSingleInstance() {
    InstanceState &state = instanceState();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.lockFile >= 0;
}

void platformReleaseSingleInstance() {
    InstanceState &state = instanceState();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.listener >= 0)
        close(state.listener);
    if (state.lockFile >= 0)
        close(state.lockFile);
    state.listener = -1;
    state.lockFile = -1;
    state.lockPath.clear();
}
