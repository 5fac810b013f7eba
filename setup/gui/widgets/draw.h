// The wobbling hand-drawn ring: an open arc or a full circle whose radius wavers slightly
// with the angle. Angle 0 points straight up; angles grow clockwise on screen.
#pragma once

#include <imgui.h>

// Strokes the arc from `start` over `sweep` radians (2 pi for a closed ring) on `dl`. The
// seed shifts the phase of the wobble, so rings of equal radius differ while each one is
// the same on every frame. Uses the draw list's path buffer and leaves it empty.
void ring(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep, ImU32 colour,
          float thickness);

// The points of that arc, appended to the (cleared) path buffer of `dl` without stroking:
// ring() is ring_path() followed by PathStroke.
void ring_path(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep);

// The wobble factor of the ring's radius at angle `a`: where a point of the ring lies.
float ring_wobble(float a, int seed);
