#pragma once
// The keeper's study: a cluttered room where the search's things lie among the keeper's belongings. The
// room is one picture; the things in front of some of the search's objects (a leaning book, loose papers,
// the inkwell, a jar, the plant on the sill, the rope, a fallen book) are also cut out of the same painting
// as pictures of their own, which the scene lays over those objects so that each shows only in part.

#include "tools/lf-demo-art/DemoCanvas.h"
#include "tools/lf-demo-art/DemoPictures.h"

namespace demoart {

// The whole room, its clutter and its light, in the scene's design coordinates.
void drawStudy(Canvas &c, const Scaled &d);

// One of the room's things that stand in front of an object, cut out on a transparent picture: the room's
// clutter in front (only that), placed with the picture's top-left corner at the design point.
void drawStudyFront(Canvas &c, const Scaled &d, Point topLeft);

} // namespace demoart
