#pragma once
// What an element's name says. A scene file names an element "name:media": the name part is what
// scripts call the element, the media part selects what it shows. A '.' in the name part starts a
// file extension that is dropped (ho_vase.png is ho_vase), up to a following '|' (ho_vase.png|ho_jar
// is ho_vase|ho_jar); a '|' in the media part starts an alternative name that is dropped (ho_vase|ho_jar
// is ho_vase), up to a following '.' (a|b.png is a.png). Without a ':' both parts start from the whole
// name.

#include <cstdint>
#include <string>

struct ElementNameParts {
    std::string name;
    std::string media;
};

ElementNameParts splitElementName(const char *fullName);

// True when the part from the name's last '_' on is exactly "_picked": such an element starts hidden.
bool nameStartsHidden(const char *name);

// The tests of the naming conventions; a null name passes none.
bool nameStartsWith(const char *name, const char *prefix);
bool nameIs(const char *name, const char *word);
// True when the name is longer than the ending and ends with it: ".anim" alone names no animation.
bool nameEndsWith(const char *name, const char *ending);
