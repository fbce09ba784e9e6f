#pragma once
// Script messages. Parse, declaration and resolution errors never stop the game: each is one text
// handed to the game context's message hook (a function and its own argument, either may be unset).

struct ScriptMessageHook {
    void (*function)(const char *text, void *argument) = nullptr;
    void *argument = nullptr;
};

// Sends "Error in script <name>, line <n>: <message>" for a line of 1 or more (the name "<console>"
// when none is given), else "Error: <message>". Without a hook function the text goes to the log.
void reportScriptError(const ScriptMessageHook &hook, int line, const char *scriptName, const char *message);
