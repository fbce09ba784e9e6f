#pragma once
// UTF-8 text re-encoded into one of the engine's text encodings (engine/text/KTextEncoding.h) for
// drawing and measuring. The result lives in a buffer of the calling thread that its next
// conversion overwrites.

#include <cstdint>

#include "engine/text/KTextEncoding.h"

constexpr int32_t kConvertWholeText = 1000000;

// The whole text (at most 1,000,000 characters). UTF-8 returns the text itself. Null gives null, as
// does an encoding outside 0-5 (logged).
const char *convertText(const char *text, TextEncoding encoding);
// The first `count` characters. UTF-8 returns the text itself only for the count 1,000,000.
const char *convertTextPrefix(const char *text, TextEncoding encoding, int32_t count);
