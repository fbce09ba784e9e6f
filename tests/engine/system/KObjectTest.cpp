#include "engine/system/KObject.h"

#include <gtest/gtest.h>

namespace {

struct Item : KObjectListable {};

TEST(KObjectList, AppendKeepsOldestFirst) {
    KObjectList list;
    Item a, b, c;
    list.append(&a);
    list.append(&b);
    list.append(&c);
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.head, &a);
    EXPECT_EQ(list.tail, &c);
    EXPECT_EQ(a.next, &b);
    EXPECT_EQ(c.prev, &b);
}

TEST(KObjectList, UnlinkingHeadTailAndOnlyMovesTheEnds) {
    KObjectList list;
    Item a, b, c;
    list.append(&a);
    list.append(&b);
    list.append(&c);
    list.unlink(&a);
    EXPECT_EQ(list.head, &b);
    EXPECT_EQ(b.prev, nullptr);
    list.unlink(&c);
    EXPECT_EQ(list.tail, &b);
    EXPECT_EQ(b.next, nullptr);
    list.unlink(&b);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
}

} // namespace
