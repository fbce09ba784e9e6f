#pragma once
// The command table of the script language: one row per command word with its kind, its parameter
// signature and its handler. The parser finds a row by comparing the interned word by pointer with
// the row's keyword object; a parsed statement keeps its row, so a handler bound to the row later
// runs for statements parsed before.

#include <cstdint>

struct ScriptContext;
struct ScriptStatement;

using ScriptCommandHandler = void (*)(ScriptContext *context, ScriptStatement *statement);

// What a command word is for (the kind of its row).
enum ScriptCommandKind : int32_t {
    kScriptCommandPlain = 0,          // run by its handler
    kScriptCommandInclude = 1,        // parse-time inclusion, never stored
    kScriptCommandInit = 2,           // block run once by the init pass
    kScriptCommandFunction = 3,       // function declaration
    kScriptCommandTask = 4,           // task or action declaration
    kScriptCommandEvent = 5,          // event handler of the per-frame walk
    kScriptCommandElementHandler = 6, // only inside a task or action block
    kScriptCommandCompleted = 7,      // on_completed, only inside a task or action block
};

// Parameter signature letters: '*' any value, 'x' text, 'X' word kept as text (never resolved),
// 'b' block, 'B' block with its own local variables, 'v' variable, 'g' group, 'e' element, 'a' event,
// 'f' function, 't' task, 'i' inventory item, 's' sound, 'm' music, 'c' scene. A letter is only the
// default reading of a bare token; a sigil in the token overrides it.
struct ScriptCommand {
    int32_t kind;
    const char *word;      // the keyword object (see ScriptKeywords.h)
    const char *signature; // one letter per parameter
    ScriptCommandHandler handler;
    int32_t signatureLength; // 0 until initScriptCommandTable
};

// The table; it ends with a row whose word is the empty text.
extern ScriptCommand ScriptCommandTable[];

// Sets every row's signature length. Run once at start-up, before any script is parsed.
void initScriptCommandTable();

// The row of an interned word, or null. Compares pointers only.
const ScriptCommand *findScriptCommand(const char *internedWord);

// The handler of the words that are parsed like any command and do nothing.
void scriptNoOperation(ScriptContext *context, ScriptStatement *statement);
