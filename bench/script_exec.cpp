// Running speed of the script language against Lua 5.4 in the same process, one thread, each side
// running the same algorithm with named variables (script variables here, Lua globals there): (a) a
// while loop of 1,000,000 turns with add, if and set; (b) 100,000 calls of a script function of two
// formal parameters that adds them into a variable. Every heap allocation made by operator new while our
// side runs is counted: running a statement allocates nothing. The comparison lines come last.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include "bench/BenchSupport.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/scene/HoScene.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

std::atomic<bool> countingAllocations{false};
std::atomic<long long> allocations{0};

} // namespace

// Counted allocations take their memory from malloc, which the library's own operator delete frees.
__attribute__((noinline)) void *operator new(std::size_t size) {
    if (countingAllocations.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size) {
    return operator new(size);
}

namespace {

constexpr int kRuns = 9;
constexpr int kLoopTurns = 1000000;
constexpr int kCalls = 100000;
// Statements run per turn of each program: add, if and set; call, the body's math, and add.
constexpr long long kLoopStatementsPerTurn = 3;
constexpr long long kCallStatementsPerTurn = 3;

const char *const kOurScript = "fun &loop {\n"
                               "  set $i 0\n"
                               "  set $x 0\n"
                               "  while $i < 1000000 {\n"
                               "    add $i 1\n"
                               "    if $x < 10 {\n"
                               "      set $x 5\n"
                               "    } else {\n"
                               "      set $x 0\n"
                               "    }\n"
                               "  }\n"
                               "}\n"
                               "fun &sum2 %a %b {\n"
                               "  math $s %a + %b\n"
                               "}\n"
                               "fun &calls {\n"
                               "  set $k 0\n"
                               "  while $k < 100000 {\n"
                               "    call &sum2 $k 1\n"
                               "    add $k 1\n"
                               "  }\n"
                               "}\n";

const char *const kLuaScript = "function loop()\n"
                               "  i = 0\n"
                               "  x = 0\n"
                               "  while i < 1000000 do\n"
                               "    i = i + 1\n"
                               "    if x < 10 then\n"
                               "      x = 5\n"
                               "    else\n"
                               "      x = 0\n"
                               "    end\n"
                               "  end\n"
                               "end\n"
                               "function sum2(a, b)\n"
                               "  s = a + b\n"
                               "end\n"
                               "function calls()\n"
                               "  k = 0\n"
                               "  while k < 100000 do\n"
                               "    sum2(k, 1)\n"
                               "    k = k + 1\n"
                               "  end\n"
                               "end\n";

// One world with one scene whose scripts hold the two programs, declared as the world declares them.
struct OurSide {
    OurSide() {
        registerKeywords(context.interned);
        initScriptCommandTable();
        scene = new HoScene(&world);
        const char *name = context.interned.internOrFind("bench");
        scene->setNames(name, name);
        world.scenes.append(scene);
        world.globalScene = scene;
        world.bindScriptGlobals();
        ScriptParser parser(context.interned, world.scriptPools, world.messages());
        parser.parseScriptText(kOurScript, scene->script.scripts, "bench", false);
        declareSceneScripts(scene);
        loop = findFunction(&scene->script, context.interned.internOrFind("loop"));
        calls = findFunction(&scene->script, context.interned.internOrFind("calls"));
    }
    float variable(const char *name) {
        ScriptVariable *found = findVariable(&scene->script, context.interned.internOrFind(name));
        return found && found->value->type == kScriptNumber ? found->value->number : -1.0f;
    }

    HoContext context{nullptr};
    HoWorld world{&context};
    HoScene *scene = nullptr;
    ScriptFunction *loop = nullptr;
    ScriptFunction *calls = nullptr;
};

OurSide &ours() {
    static OurSide side;
    return side;
}

lua_State *lua() {
    static lua_State *state = [] {
        lua_State *made = luaL_newstate();
        luaL_openlibs(made);
        if (luaL_dostring(made, kLuaScript) != LUA_OK) {
            std::fprintf(stderr, "script exec: the Lua script failed: %s\n", lua_tostring(made, -1));
            std::exit(1);
        }
        return made;
    }();
    return state;
}

float luaGlobal(const char *name) {
    lua_getglobal(lua(), name);
    float value = static_cast<float>(lua_tonumber(lua(), -1));
    lua_pop(lua(), 1);
    return value;
}

void runLua(const char *function) {
    lua_getglobal(lua(), function);
    if (lua_pcall(lua(), 0, 0, 0) != LUA_OK) {
        std::fprintf(stderr, "script exec: %s failed in Lua: %s\n", function, lua_tostring(lua(), -1));
        std::exit(1);
    }
}

// Our side's runs count their allocations.
float runOurs(ScriptFunction *function, const char *result) {
    countingAllocations = true;
    callScriptFunction(function, true, nullptr);
    countingAllocations = false;
    return ours().variable(result);
}

float ourLoop() {
    return runOurs(ours().loop, "$i");
}
float ourCalls() {
    return runOurs(ours().calls, "$s");
}
float luaLoop() {
    runLua("loop");
    return luaGlobal("i");
}
float luaCalls() {
    runLua("calls");
    return luaGlobal("s");
}

void BM_Run(benchmark::State &state, float (*work)()) {
    for (auto _ : state)
        benchmark::DoNotOptimize(work());
}
BENCHMARK_CAPTURE(BM_Run, our_loop, ourLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);
BENCHMARK_CAPTURE(BM_Run, lua_loop, luaLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);
BENCHMARK_CAPTURE(BM_Run, our_calls, ourCalls)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);
BENCHMARK_CAPTURE(BM_Run, lua_calls, luaCalls)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
    // Both sides must compute the same results before they are timed.
    if (ourLoop() != float(kLoopTurns) || luaLoop() != float(kLoopTurns) || ourCalls() != luaCalls() ||
        ourCalls() != float(kCalls)) {
        std::fprintf(stderr, "script exec: the two sides disagree\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    allocations = 0;
    auto [oursLoopMs, luaLoopMs] = benchsupport::alternatingMedianMilliseconds(kRuns, ourLoop, luaLoop);
    auto [oursCallMs, luaCallMs] = benchsupport::alternatingMedianMilliseconds(kRuns, ourCalls, luaCalls);
    const long long statements = kRuns * (kLoopTurns * kLoopStatementsPerTurn + kCalls * kCallStatementsPerTurn);
    std::printf("script exec loop ours_ms=%.2f lua_ms=%.2f ratio=%.2f\n", oursLoopMs, luaLoopMs, oursLoopMs / luaLoopMs);
    std::printf("script exec call ours_ms=%.2f lua_ms=%.2f ratio=%.2f\n", oursCallMs, luaCallMs, oursCallMs / luaCallMs);
    std::printf("script exec allocs_per_statement=%g\n", double(allocations.load()) / double(statements));
    return 0;
}
