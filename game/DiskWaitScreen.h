#pragma once
// What the game draws while its main thread waits for the disk (the saves at the end or at a restart, a
// load, the options, a save waiting for room): the last picture dimmed, and over it, on a darker band in the
// middle of the screen, one line saying that the game waits for the disk to finish saving, in the game's
// words ("WAITING_FOR_DISK", English where it has none) and its text font, which keeps its pixel size in
// every layout.

class HoContext;

// Draws it into the frame under way, inside its scene; the game's view is left as the scenes' unmoved view.
// Without the world's plain picture nothing is dimmed, and without the font no line is drawn.
void drawDiskWaitScreen(HoContext *context);
