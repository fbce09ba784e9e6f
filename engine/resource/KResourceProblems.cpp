#include "engine/resource/KResourceProblems.h"

#include <algorithm>
#include <mutex>

namespace {

struct ProblemList {
    std::mutex lock;
    std::vector<KResourceProblem> problems;
};

ProblemList &problemList() {
    static ProblemList list;
    return list;
}

} // namespace

void noteResourceProblem(const std::string &name, const std::string &text) {
    ProblemList &list = problemList();
    std::lock_guard<std::mutex> guard(list.lock);
    const bool known = std::any_of(list.problems.begin(), list.problems.end(),
                                   [&](const KResourceProblem &problem) { return problem.text == text; });
    if (!known)
        list.problems.push_back(KResourceProblem{name, text});
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
}
