#pragma once
// The text form of a script value, as "print" and the text joins show it: numbers in the C locale,
// whole when their hundredfold rounds to a multiple of 100 ("3"), else with two decimals ("3.25");
// objects by a named form ("$hall:door", "c'hall", "&hall:open") that resolves back to them.

#include <string>

#include "game/script/ScriptValue.h"

// Appends the text form of the value.
void valueToText(const ScriptValue &value, std::string &text);
