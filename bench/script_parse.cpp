// Parsing speed of the script language: a generated 20,000-line script (tasks, actions, handlers,
// functions, init blocks, nested if/else and loops, comments) parsed and interned from scratch, against
// the floor of tokenising the same text: splitting it into lines and blank-separated tokens with the
// project's own line and token readers alone. Each sample times 20 passes; the comparison line, printed
// last, gives the parser's overhead over tokenising.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"

namespace {

constexpr int kLines = 20000;
constexpr int kRuns = 9;
constexpr int kPasses = 20; // per sample: a single pass is too short to time steadily

// One scene's worth of script per round; rounds repeat with fresh names until the line count is met.
void appendRound(std::vector<std::string> &lines, int n) {
    std::string id = std::to_string(n);
    std::string element = "$door_" + id;
    std::vector<std::string> round = {
        "; room " + id + ": the door, its key and the lamp",
        "init {",
        "  set #visits_" + id + " 0",
        "  set #lamp_on 1",
        "  enable @open_door_" + id,
        "  if #visits_" + id + " > 2 {",
        "    show " + element,
        "  } else {",
        "    hide " + element,
        "  }",
        "}",
        "on enter {",
        "  add #visits_" + id + " 1",
        "  music m'theme_" + std::to_string(n % 7) + " 1 0",
        "}",
        "fun &light_lamp_" + id + " %brightness %delay {",
        "  set %level 0",
        "  while %level < %brightness {",
        "    add %level 0.1 ; ramp up slowly",
        "    blend $lamp_" + id + " %level",
        "  }",
        "  after %delay {",
        "    fadein $glow_" + id + " 0.5 {",
        "      signal !lamp_lit_" + id + " 0",
        "    }",
        "  }",
        "}",
        "task open_door_" + id + " " + element + " {",
        "  on_use ^key_" + id + " " + element + " {",
        "    animate " + element + " 0 12 1.5 {",
        "      set_image " + element + " e'door_open_" + id,
        "      complete @open_door_" + id,
        "    }",
        "  }",
        "  on_click {",
        "    msg ~door_locked_" + id + " 2 1",
        "    enable @open_door_" + id,
        "  }",
        "  on_completed {",
        "    call &light_lamp_" + id + " 1 0.25",
        "    if2 #lamp_on = 1 & #visits_" + id + " >= 1 {",
        "      math #score #score + 10 * #visits_" + id,
        "    } else {",
        "      print lamp is off in room " + id,
        "    }",
        "  }",
        "}",
        "action look_window_" + id + " $window_" + id + " {",
        "  on_look {",
        "    msg ~window_view_" + id + " 3 1",
        "  }",
        "}",
        "",
    };
    lines.insert(lines.end(), round.begin(), round.end());
}

std::string generateScript() {
    std::vector<std::string> lines;
    for (int n = 0; int(lines.size()) < kLines; ++n)
        appendRound(lines, n);
    // Cut at a round boundary's blank line when possible, so that no block is left open.
    lines.resize(kLines);
    while (!lines.empty() && !lines.back().empty() && lines.back() != "}")
        lines.pop_back();
    while (int(lines.size()) < kLines)
        lines.push_back("; padding");
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

const std::string &scriptText() {
    static const std::string text = generateScript();
    return text;
}

// A whole parse from a fresh context: keywords seeded, every name interned, every record pooled.
int parseOnce(const std::string &text) {
    StringArena arena;
    InternTable names(arena);
    registerKeywords(names);
    ScriptRecordPools pools;
    ScriptParser parser(names, pools);
    ScriptBlock *top = pools.newBlock(false);
    parser.parseScriptText(text.c_str(), top, "bench", false);
    return top->statements.count();
}

// The readers alone over the same text.
int splitOnce(const std::string &text) {
    return benchsupport::countTokens(text.c_str());
}

// Milliseconds per pass: the median of kRuns samples of kPasses passes each.
template <typename Work>
double medianMilliseconds(Work work) {
    return benchsupport::medianMilliseconds(kRuns, [&] {
        int count = 0;
        for (int pass = 0; pass < kPasses; ++pass)
            count += work(scriptText());
        return count;
    }) / kPasses;
}

void BM_ParseScript(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parseOnce(scriptText()));
}
BENCHMARK(BM_ParseScript)->Unit(benchmark::kMillisecond)->Iterations(kPasses)->Repetitions(kRuns);

void BM_SplitLinesAndTokens(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(splitOnce(scriptText()));
}
BENCHMARK(BM_SplitLinesAndTokens)->Unit(benchmark::kMillisecond)->Iterations(kPasses)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initScriptCommandTable();
    benchmark::Initialize(&argc, argv);
    // Plain text: colour escapes would run into the summary line.
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    double parseMs = medianMilliseconds(parseOnce);
    double tokenisingMs = medianMilliseconds(splitOnce);
    std::printf("script parse lines=%d passes=%d ms=%.2f tokenising_ms=%.2f overhead_over_tokenising=%.2f\n", kLines,
                kPasses, parseMs, tokenisingMs, parseMs / tokenisingMs);
    return 0;
}
