#include "widgets/draw.h"

#include <cmath>

static const float FULL_TURN = 6.2831855f;

float ring_wobble(float a, int seed) {
  float s = (float)seed;
  return 1.0f + 0.011f * sinf(3.0f * a + 1.7f * s) + 0.006f * sinf(7.0f * a + 0.9f * s);
}

void ring_path(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep) {
  dl->PathClear();
  // A sweep of more than one turn would only retrace the ring, and an unbounded one (a
  // runaway progress value) would ask for billions of points: draw at most one turn.
  if (std::isnan(sweep)) return;
  if (sweep > FULL_TURN) sweep = FULL_TURN;
  if (sweep < -FULL_TURN) sweep = -FULL_TURN;
  int n = (int)(std::fabs(sweep) / FULL_TURN * 140.0f);
  int segments = n + 2;
  dl->_Path.reserve(segments + 1);
  for (int i = 0; i <= segments; i++) {
    float a = start + sweep * (float)i / (float)segments;
    float r = radius * ring_wobble(a, seed);
    dl->PathLineTo(ImVec2(centre.x + r * sinf(a), centre.y - r * cosf(a)));
  }
}

void ring(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep, ImU32 colour,
          float thickness) {
  ring_path(dl, centre, radius, seed, start, sweep);
  dl->PathStroke(colour, 0, thickness);
}
