#pragma once
// Work done beside the frames (pictures made ahead of a scene change) leaves the processors to the drawing
// of a frame. The software device marks the time it draws a frame and copies it into the window; a thread
// marked as background work stops at points between slices of its work meanwhile, and goes on between
// frames. It runs as batch work, which never preempts another thread on waking. On a machine with few
// processors a frame then draws about as fast as without that work.

// The calling thread does background work from now on.
void platformMarkBackgroundThread();
// On a background thread: waits while a frame is being drawn (never longer than a few frames, so work
// always goes on); on any other thread returns at once.
void platformGiveWayToFrame();

// The drawing of a frame begins and ends (any thread; pairs may nest or overlap).
void platformFrameDrawingBegins();
void platformFrameDrawingEnds();
