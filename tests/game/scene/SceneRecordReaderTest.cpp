#include "game/scene/SceneRecordReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every record carried out, as "letter=value".
std::vector<std::string> recordsOf(const std::string &text) {
    SceneRecordReader reader(text.data(), text.size());
    std::vector<std::string> records;
    while (reader.next())
        records.push_back(std::string(1, reader.letter()) + "=" + reader.value());
    return records;
}

using Records = std::vector<std::string>;

TEST(SceneRecordReader, LettersValuesBlanksAndLineEnds) {
    struct Case {
        const char *text;
        Records records;
    } cases[] = {
        {"O door\nI door.png\n", {"O=door", "I=door.png"}},
        {"O door\r\nX 1\rK 5 2.0\n", {"O=door", "X=1", "K=5 2.0"}},
        {"  \n\n   O    door  \n", {"O=door  "}},
        {"Odoor\n", {"O=door"}},
        // A letter without a value does nothing, and the next line is a record of its own.
        {"I\nO key\n", {"O=key"}},
        {"I   \r\nO key\n", {"O=key"}},
        // The last line without a line end is never carried out.
        {"O door\nO key", {"O=door"}},
        {"O door\nI", {"O=door"}},
        {"O door\nI   ", {"O=door"}},
        // Tabs are no blanks: before a letter a tab is the letter, after it a tab starts the value.
        {"\tO door\n", {"\t=O door"}},
        {"O\tdoor\n", {"O=\tdoor"}},
        {"", {}},
        {"\n\r\n  ", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(recordsOf(c.text), c.records) << c.text;
}

TEST(SceneRecordReader, AValueKeepsItsFirst255Bytes) {
    std::string value(300, 'v');
    value[254] = 'L';
    value[255] = 'X';
    Records records = recordsOf("t " + value + "\nO next\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], "t=" + value.substr(0, 255));
    EXPECT_EQ(records[0].back(), 'L');
    EXPECT_EQ(records[1], "O=next");
}

TEST(SceneRecordReader, BinaryBytesAreReadAsLettersAndValues) {
    std::string text("\x01\x80 \xff\x00z\n\x00\n", 9);
    Records records = recordsOf(text);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], std::string("\x01=\x80 \xff"));
    SceneRecordReader none(nullptr, 10);
    EXPECT_FALSE(none.next());
}

} // namespace
