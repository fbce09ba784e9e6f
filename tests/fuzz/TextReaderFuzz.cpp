// The line reader: every line it gives is shorter than its buffer and holds no line end, and the lines
// account for the text.

#include <cstring>

#include "game/util/TextReader.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("lines.txt", std::string("first\nsecond\r\nthird\rfourth"));
    seeds.add("blank-lines.txt", std::string("\n\n\r\n\r\rlast\n"));
    seeds.add("long-line.txt", std::string(9000, 'x') + "\nshort\n");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text = inputText(data, size);
    auto reader = std::make_unique<TextReader>();
    reader->attach(text.c_str());
    size_t characters = 0;
    int32_t lines = 0;
    while (reader->readLine()) {
        const size_t length = std::strlen(reader->line());
        FUZZ_CHECK(length < size_t(TextReader::kLineBytes));
        FUZZ_CHECK(!std::strpbrk(reader->line(), "\r\n"));
        characters += length;
        lines++;
    }
    FUZZ_CHECK(reader->lineCount() == lines);
    FUZZ_CHECK(characters <= std::strlen(text.c_str()));
    return 0;
}
