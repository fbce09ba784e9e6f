#include "game/util/NumberedName.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberedName, TwoDigitsAfterAnUnderscoreGiveTheNumber) {
    struct Case {
        const char *name;
        int number;
    } cases[] = {{"coin_07", 7}, {"coin_42", 42}, {"a_00", 0}, {"coin_7", -1}, {"_07", -1},
                 {"coin_", -1},  {"coin07", -1}, {"coin_0x", -1}, {"", -1}};
    for (const Case &c : cases)
        EXPECT_EQ(numberedSuffix(c.name), c.number) << c.name;
    EXPECT_EQ(numberedSuffix(nullptr), -1);
}

} // namespace
