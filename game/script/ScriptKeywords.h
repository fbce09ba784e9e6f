#pragma once
// The script vocabulary. Every keyword is one named object, defined once for the whole program, and
// the intern table is seeded with these objects themselves (not with copies). From then on interning
// the text "alpha" anywhere yields kwAlpha, so the interpreter tests names with pointer compares
// against these objects. Never compare an interned name against a fresh literal: two equal literals
// need not share one address.

class InternTable;

#define LF_SCRIPT_KEYWORD(identifier, text) extern const char identifier[];
#include "game/script/ScriptKeywordList.inc"
#undef LF_SCRIPT_KEYWORD

// Number of keywords that registerKeywords seeds.
extern const int kScriptKeywordCount;

// Seeds the table with every keyword, in the vocabulary's order. Run once while the game context is
// made, before any script, scene or configuration text is read: a word interned earlier stays an arena
// copy wherever it was stored.
void registerKeywords(InternTable &table);
