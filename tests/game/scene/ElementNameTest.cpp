#include "game/scene/ElementName.h"

#include <gtest/gtest.h>

namespace {

TEST(ElementName, NameAndMediaParts) {
    struct Case {
        const char *full, *name, *media;
    } cases[] = {
        {"door", "door", "door"},
        {"door:door_open.png", "door", "door_open.png"},
        {"ho_vase.png|ho_jar", "ho_vase|ho_jar", "ho_vase.png"},
        {"ho_vase|ho_jar", "ho_vase|ho_jar", "ho_vase"},
        {"a|b.png", "a|b", "a.png"},
        {"crab:crab.anim", "crab", "crab.anim"},
        {"crab.anim", "crab", "crab.anim"},
        {"portal_attic:back", "portal_attic", "back"},
        {"a:b:c", "a", "b:c"},
        {":inventory", "", "inventory"},
        {"door:", "door", ""},
        {"x.y.z|w", "x|w", "x.y.z"},
        {"a|b|c", "a|b|c", "a"},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        ElementNameParts parts = splitElementName(c.full);
        EXPECT_EQ(parts.name, c.name) << c.full;
        EXPECT_EQ(parts.media, c.media) << c.full;
    }
    EXPECT_EQ(splitElementName(nullptr).name, "");
}

TEST(ElementName, PickedElementsStartHiddenAndNumberedNamesGiveTheirNumber) {
    EXPECT_TRUE(nameStartsHidden("key_picked"));
    EXPECT_TRUE(nameStartsHidden("_picked"));
    EXPECT_FALSE(nameStartsHidden("key_picked_2"));
    EXPECT_FALSE(nameStartsHidden("keypicked"));
    EXPECT_FALSE(nameStartsHidden("key_picked2"));
    EXPECT_FALSE(nameStartsHidden(nullptr));

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
