// The token reader over one line: tokens are shorter than their buffer and hold no separator, and the
// number and range readers never write past what they are given.

#include <cstring>

#include "game/util/TokenReader.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("words.txt", std::string("emitter 12 -3 0.5 : 7 8 color 255 0"));
    seeds.add("commas.txt", std::string(",a,,b c,1:2,\x01,\xC3\xA9t\xC3\xA9"));
    seeds.add("long-token.txt", std::string(1500, 'k') + " 1");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string line = inputText(data, size);
    for (char separator : {' ', ','}) {
        TokenReader reader(separator);
        reader.attach(line.c_str());
        for (int i = 0; i < 10000 && reader.next(); i++) {
            FUZZ_CHECK(std::strlen(reader.token()) < size_t(TokenReader::kTokenBytes));
            FUZZ_CHECK(!std::strchr(reader.token(), separator));
        }
        reader.attach(line.c_str());
        reader.readInt(0);
        float range[4] = {};
        reader.readStartEndRange(2.0f, range);
        float low = 0, high = 0;
        reader.readColorRange(low, high);
    }
    return 0;
}
