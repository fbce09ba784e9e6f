#pragma once
// The lines of a scripted input file (LANTERNFALL_INPUT_SCRIPT, platform/README.md) with their frames
// resolved. Every line starts with its frame: "N" is frame N (frames count from 1), "+N" is N frames after
// the frame of the line before it (the first line's "+N" counts from 0), so that blocks of lines can be
// joined or moved without renumbering. Lines starting with '#' are comments; among them "# shot N NAME"
// and "# shot +N NAME" name a frame that tests take a screenshot of, and count as lines for the relative
// frames after them. The game's window reads the input lines; tests read the shot lines.

#include <optional>
#include <string>
#include <vector>

struct ScriptedInputLine {
    int number = 0;        // in the file, from 1
    long frame = 0;        // 0 when the line's frame is not a frame number
    std::string frameText; // the frame as written
    std::string text;      // what follows the frame: the action and its arguments, or the shot's name
    bool shot = false;     // a "# shot" line
};

// The file's input and shot lines in file order (blank lines and other comments left out); nothing when
// the file cannot be read.
std::optional<std::vector<ScriptedInputLine>> readScriptedInputLines(const std::string &path);
