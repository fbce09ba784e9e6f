#include "platform/PlatformOpener.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char **environ;

namespace {

std::string describeEnd(const std::string &program, int status) {
    if (WIFSIGNALED(status))
        return program + " was ended by signal " + std::to_string(WTERMSIG(status));
    return program + " ended with status " + std::to_string(WEXITSTATUS(status));
}

} // namespace

PlatformOpener::PlatformOpener(std::string program, bool ran, std::string failure)
    : program_(std::move(program)), ran_(ran), running_(ran), failure_(std::move(failure)) {}

std::shared_ptr<PlatformOpener> PlatformOpener::refused(std::string reason) {
    return std::make_shared<PlatformOpener>(std::string(), false, std::move(reason));
}

std::shared_ptr<PlatformOpener> PlatformOpener::start(const char *program, const std::string &argument) {
    std::vector<char> programText(program, program + std::strlen(program) + 1);
    std::vector<char> argumentText(argument.begin(), argument.end());
    argumentText.push_back('\0');
    char *arguments[] = {programText.data(), argumentText.data(), nullptr};
    pid_t child = 0;
    const int error = posix_spawnp(&child, program, nullptr, nullptr, arguments, environ);
    if (error != 0)
        return std::make_shared<PlatformOpener>(program, false,
                                                std::string("cannot start ") + program + ": " + std::strerror(error));
    auto opener = std::make_shared<PlatformOpener>(program, true, std::string());
    std::thread([opener, child] { opener->waitForEnd(child); }).detach();
    return opener;
}

void PlatformOpener::waitForEnd(int child) {
    int status = 0;
    pid_t ended;
    do {
        ended = waitpid(child, &status, 0);
    } while (ended < 0 && errno == EINTR);
    const int error = errno;
    std::lock_guard<std::mutex> guard(lock_);
    running_ = false;
    // Also an opener that ran past the bound may fail in the end: the page it was counted to have taken
    // never opened.
    if (ended < 0)
        failure_ = "cannot learn how " + program_ + " ended: " + std::strerror(error);
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        failure_ = describeEnd(program_, status);
    ended_.notify_all();
}

PlatformOpener::Outcome PlatformOpener::outcomeLocked(std::chrono::steady_clock::time_point now) const {
    if (!failure_.empty())
        return Outcome::failed;
    if (!running_ || now - started_ >= kTakenWhileRunningAfter)
        return Outcome::taken;
    return Outcome::pending;
}

PlatformOpener::Outcome PlatformOpener::outcome() const {
    std::lock_guard<std::mutex> guard(lock_);
    return outcomeLocked(std::chrono::steady_clock::now());
}

bool PlatformOpener::ended() const {
    std::lock_guard<std::mutex> guard(lock_);
    return !running_;
}

PlatformOpener::Outcome PlatformOpener::waitForOutcome() const {
    std::unique_lock<std::mutex> guard(lock_);
    const auto decided = started_ + kTakenWhileRunningAfter;
    ended_.wait_until(guard, decided, [this] { return !running_; });
    return outcomeLocked(std::chrono::steady_clock::now());
}

std::string PlatformOpener::failure() const {
    std::lock_guard<std::mutex> guard(lock_);
    return failure_;
}
