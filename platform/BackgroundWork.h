#pragma once
#include <cstddef>

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
// On a background thread: makes the memory's pages resident before its first writes, a slice at a time,
// giving way to the frame between slices; on any other thread does nothing. A fresh page of a large picture
// costs the thread that first writes it the clearing of 2 MiB, which a frame drawn meanwhile waits out with
// a processor fewer; given way to, that happens between frames.
void platformMakeResidentGivingWay(void *memory, size_t bytes);

// The drawing of a frame begins and ends (any thread; pairs may nest or overlap).
void platformFrameDrawingBegins();
void platformFrameDrawingEnds();
