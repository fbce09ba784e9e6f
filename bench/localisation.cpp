// The localisation table against a plain hash map of strings. Loading: a generated 10,000-row
// SpreadsheetML workbook read from a password archive, parsed and every key and text interned, against
// pugixml parsing the same bytes from memory and a walk of the rows that puts each key and text into
// the map. Looking up: texts by key, against the map's lookup copying the text. The comparison lines are
// printed last.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include "bench/BenchSupport.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceArchiveDirect.h"
#include "engine/system/KSystem.h"
#include "engine/text/KTextEncoding.h"
#include "game/HoLocalization.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 10000;
constexpr int kLookups = 100000;
constexpr int kRuns = 9;

std::string keyOf(int row) {
    return "SCENE_" + std::to_string(row / 40) + "_TEXT_" + std::to_string(row);
}

std::string textOf(int row) {
    return "The keeper\xE2\x80\x99s note number " + std::to_string(row) +
           ": the lamp must be lit before the boats come home & the tide turns.";
}

std::string generateWorkbook() {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
                      "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\n"
                      " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
                      " <Worksheet ss:Name=\"English\">\n  <Table ss:ExpandedColumnCount=\"2\">\n";
    for (int row = 0; row < kRows; row++) {
        std::string text = textOf(row);
        text.replace(text.find('&'), 1, "&amp;");
        xml += "   <Row>\n    <Cell><Data ss:Type=\"String\">" + keyOf(row) +
               "</Data></Cell>\n    <Cell><Data ss:Type=\"String\">" + text + "</Data></Cell>\n   </Row>\n";
    }
    return xml + "  </Table>\n </Worksheet>\n</Workbook>\n";
}

struct Fixture {
    lftest::TempDir temp;
    std::string workbook = generateWorkbook();

    Fixture() {
        const fs::path content = temp / "content";
        fs::create_directories(content / "data/texts");
        lftest::writeFileText(content / "data/texts/Localization.xml", workbook);
        lftest::runProgram({"env", "-C", content.string(), "zip", "-q", "-r", "-X", "-P", kResourceArchivePassword,
                            (temp / "data.pak").string(), "."});
        std::snprintf(dataPath, sizeof dataPath, "%s", temp.str().c_str());
        if (!KResource::fileSystemArchive)
            KResource::fileSystemArchive = new KResourceArchiveDirect();
        if (KResource::addArchive((temp / "data.pak").c_str()) != 0)
            std::fprintf(stderr, "localisation: the archive could not be mounted\n");
    }
};

Fixture &fixture() {
    static Fixture instance;
    return instance;
}

// A whole load into a fresh table and names, as a new game context does.
int loadOurs() {
    StringArena arena;
    InternTable names(arena);
    HoLocalization table;
    table.load(names);
    return table.count();
}

// pugixml over the bytes already in memory, and the rows walked into a map of strings (the first of a
// repeated key kept).
int loadPugixml() {
    const std::string &bytes = fixture().workbook;
    pugi::xml_document document;
    document.load_buffer(bytes.data(), bytes.size());
    std::unordered_map<std::string, std::string> map;
    const pugi::xml_node table = document.child("Workbook").child("Worksheet").child("Table");
    for (pugi::xml_node row = table.child("Row"); row; row = row.next_sibling()) {
        const pugi::xml_node key = row.child("Cell");
        const char *keyText = key.child("Data").child_value();
        if (keyText[0] != '\0' && keyText[0] != ';')
            map.emplace(keyText, key.next_sibling("Cell").child("Data").child_value());
    }
    return int(map.size());
}

// The keys asked, in a fixed scattered order.
const std::vector<std::string> &lookupKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> list;
        uint32_t state = 12345;
        for (int i = 0; i < kLookups; i++) {
            state = state * 1664525u + 1013904223u;
            list.push_back(keyOf(int((state >> 8) % kRows)));
        }
        return list;
    }();
    return keys;
}

struct LookupTables {
    StringArena arena;
    InternTable names{arena};
    HoLocalization table;
    std::unordered_map<std::string, std::string> map;

    LookupTables() {
        table.load(names);
        for (int row = 0; row < kRows; row++)
            map.emplace(keyOf(row), textOf(row));
    }
};

LookupTables &lookupTables() {
    static LookupTables tables;
    return tables;
}

size_t lookupOurs() {
    LookupTables &tables = lookupTables();
    size_t total = 0;
    for (const std::string &key : lookupKeys()) {
        const char *text = tables.table.getLocalizedText(key.c_str(), kTextEncodingUtf8);
        total += text ? size_t(text[0]) : 0;
    }
    return total;
}

size_t lookupMap() {
    LookupTables &tables = lookupTables();
    size_t total = 0;
    for (const std::string &key : lookupKeys()) {
        const auto found = tables.map.find(key);
        if (found == tables.map.end())
            continue;
        std::string text = found->second;
        benchmark::DoNotOptimize(text.data());
        total += size_t(text[0]);
    }
    return total;
}

template <typename Work>
double medianMilliseconds(Work work) {
    return benchsupport::medianMilliseconds(kRuns, work);
}

void BM_LoadLocalization(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadOurs());
}
BENCHMARK(BM_LoadLocalization)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_PugixmlWalk(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadPugixml());
}
BENCHMARK(BM_PugixmlWalk)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_GetLocalizedText(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(lookupOurs());
}
BENCHMARK(BM_GetLocalizedText)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

void BM_HashMapLookup(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(lookupMap());
}
BENCHMARK(BM_HashMapLookup)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);

} // namespace

int main(int argc, char **argv) {
    initSystem();
    fixture();
    if (loadOurs() != kRows) {
        std::fprintf(stderr, "localisation: the table did not load %d rows\n", kRows);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double loadMs = medianMilliseconds(loadOurs);
    const double pugixmlMs = medianMilliseconds(loadPugixml);
    std::printf("localisation load rows=%d ours_ms=%.2f pugixml_ms=%.2f ratio=%.2f\n", kRows, loadMs, pugixmlMs,
                loadMs / pugixmlMs);
    const double lookupMs = medianMilliseconds(lookupOurs);
    const double mapMs = medianMilliseconds(lookupMap);
    std::printf("localisation lookup n=%d ours_ms=%.2f map_ms=%.2f ratio=%.2f\n", kLookups, lookupMs, mapMs,
                lookupMs / mapMs);
    KResource::removeAllArchives();
    return 0;
}
