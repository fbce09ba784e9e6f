#include "game/util/NamedValue.h"

#include <gtest/gtest.h>

namespace {

struct Named {
    float value;
    int type;
    const char *name;
};

TEST(NamedValue, FoundByTheInternedPointerAndCreatedOnlyWhenAsked) {
    static const char kForcedX[] = "forced_x";
    static const char kForcedY[] = "forced_y";
    HoObjectPool<Named> pool;
    PtrArray<Named> values;
    EXPECT_EQ(findOrCreateNamedValue(values, kForcedX, pool, false), nullptr);
    EXPECT_EQ(values.count(), 0);
    Named *x = findOrCreateNamedValue(values, kForcedX, pool, true);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->name, kForcedX);
    EXPECT_EQ(x->value, 0.0f);
    EXPECT_EQ(x->type, 0);
    x->value = 4.0f;
    Named *y = findOrCreateNamedValue(values, kForcedY, pool, true);
    EXPECT_NE(x, y);
    EXPECT_EQ(findOrCreateNamedValue(values, kForcedX, pool, true), x);
    EXPECT_EQ(values.count(), 2);
    // An equal text at another address is another name: names are interned before the lookup.
    char copy[] = "forced_x";
    EXPECT_EQ(findOrCreateNamedValue(values, copy, pool, false), nullptr);
}

} // namespace
