// The wobbling hand-drawn ring: an open arc or a full circle whose radius wavers slightly
// with the angle. Angle 0 points straight up; angles grow clockwise on screen.
#pragma once

#include <imgui.h>

// One whole turn in radians.
constexpr float FULL_TURN = 6.2831855f;

// A colour from RGBA floats in 0..1, packed as the draw lists take it.
inline ImU32 rgba(float r, float g, float b, float a) {
  return ImGui::ColorConvertFloat4ToU32(ImVec4(r, g, b, a));
}

// Strokes the arc from `start` over `sweep` radians (2 pi for a closed ring) on `dl`. The
// seed shifts the phase of the wobble, so rings of equal radius differ while each one is
// the same on every frame. Uses the draw list's path buffer and leaves it empty.
void ring(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep, ImU32 colour,
          float thickness);

// The points of that arc, appended to the (cleared) path buffer of `dl` without stroking:
// ring() is ring_path() followed by PathStroke.
void ring_path(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep);

// `sweep` limited to one turn either way; NaN stays NaN for the caller to refuse.
float one_turn_at_most(float sweep);

// The wobble factor of the ring's radius at angle `a`: where a point of the ring lies.
float ring_wobble(float a, int seed);

// Concentric discs of one colour as one mesh in which every point is filled once, for
// what `count` calls of AddCircleFilled with `segments` draw: disc i has radius radii[i]
// (growing with i; at most 128 segments), and the zone between radii[i - 1] and radii[i] carries zones[i],
// the colour that the discs over it compose to.
void disc_stack(ImDrawList* dl, ImVec2 centre, const float* radii, const ImU32* zones, int count,
                int segments);

// The zone colours of discs of colour `rgb` with alphas[i], by exact compositing of the
// alphas as lone discs would have them (packed to bytes).
void exact_stack_colours(ImVec4 rgb, const float* alphas, int count, ImU32* zones);
