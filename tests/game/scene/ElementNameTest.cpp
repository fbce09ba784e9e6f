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

TEST(ElementName, PickedElementsStartHidden) {
    EXPECT_TRUE(nameStartsHidden("key_picked"));
    EXPECT_TRUE(nameStartsHidden("_picked"));
    EXPECT_FALSE(nameStartsHidden("key_picked_2"));
    EXPECT_FALSE(nameStartsHidden("keypicked"));
    EXPECT_FALSE(nameStartsHidden("key_picked2"));
    EXPECT_FALSE(nameStartsHidden(nullptr));
}

TEST(ElementName, AnEndingAloneIsNoName) {
    EXPECT_TRUE(nameEndsWith("crab.anim", ".anim"));
    EXPECT_TRUE(nameEndsWith("x.particles", ".particles"));
    EXPECT_FALSE(nameEndsWith(".particles", ".particles"));
    EXPECT_FALSE(nameEndsWith(".anim", ".anim"));
    EXPECT_FALSE(nameEndsWith(nullptr, ".anim"));
    EXPECT_TRUE(nameStartsWith("mhouse", "mho"));
    EXPECT_FALSE(nameStartsWith(nullptr, "mho"));
    EXPECT_TRUE(nameIs("ho", "ho"));
    EXPECT_FALSE(nameIs("ho_", "ho"));
}

} // namespace
