#include "engine/resource/KResourceProblems.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

struct ProblemList {
    std::mutex lock;
    std::vector<KResourceProblem> problems;
    std::atomic<bool> anyDamagedEntry{false};
};

ProblemList &problemList() {
    static ProblemList list;
    return list;
}

} // namespace

void noteResourceProblem(const std::string &name, const std::string &text, const std::string &damagedEntryOf) {
    ProblemList &list = problemList();
    std::lock_guard<std::mutex> guard(list.lock);
    const bool known = std::any_of(list.problems.begin(), list.problems.end(),
                                   [&](const KResourceProblem &problem) { return problem.text == text; });
    if (!known)
        list.problems.push_back(KResourceProblem{name, text, damagedEntryOf});
    if (!damagedEntryOf.empty())
        list.anyDamagedEntry.store(true, std::memory_order_release);
}

std::vector<KResourceProblem> resourceProblems() {
    ProblemList &list = problemList();
    std::lock_guard<std::mutex> guard(list.lock);
    return list.problems;
}

void clearResourceProblems() {
    ProblemList &list = problemList();
    std::lock_guard<std::mutex> guard(list.lock);
    list.problems.clear();
    list.anyDamagedEntry.store(false, std::memory_order_release);
}

std::optional<KResourceProblem> firstDamagedEntry() {
    ProblemList &list = problemList();
    if (!list.anyDamagedEntry.load(std::memory_order_acquire))
        return std::nullopt;
    std::lock_guard<std::mutex> guard(list.lock);
    const auto found = std::find_if(list.problems.begin(), list.problems.end(),
                                    [](const KResourceProblem &problem) { return problem.isDamagedEntry(); });
    return found != list.problems.end() ? std::optional<KResourceProblem>(*found) : std::nullopt;
}
