#include "look/draw.h"

#include <imgui_internal.h>

#include <cmath>

// A sweep of more than one turn would only retrace the ring, and an unbounded one (a
// runaway progress value) would ask for billions of points.
float one_turn_at_most(float sweep) {
  return sweep > FULL_TURN ? FULL_TURN : sweep < -FULL_TURN ? -FULL_TURN : sweep;
}

float ring_wobble(float a, int seed) {
  float s = (float)seed;
  return 1.0f + 0.011f * sinf(3.0f * a + 1.7f * s) + 0.006f * sinf(7.0f * a + 0.9f * s);
}

void ring_path(ImDrawList* dl, ImVec2 centre, float radius, int seed, float start, float sweep) {
  dl->PathClear();
  if (std::isnan(sweep)) return;
  sweep = one_turn_at_most(sweep);
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

void exact_stack_colours(ImVec4 rgb, const float* alphas, int count, ImU32* zones) {
  // Blending one colour n times leaves that colour at the alpha 1 - prod(1 - a_i) of the
  // discs that reach a point; each alpha is first packed to the byte that a lone disc gets.
  float clear = 1.0f;
  for (int i = count - 1; i >= 0; i--) {
    float a = (float)((rgba(rgb.x, rgb.y, rgb.z, alphas[i]) >> IM_COL32_A_SHIFT) & 0xFF) / 255.0f;
    clear *= 1.0f - a;
    zones[i] = rgba(rgb.x, rgb.y, rgb.z, 1.0f - clear);
  }
}

void disc_stack(ImDrawList* dl, ImVec2 centre, const float* radii, const ImU32* zones, int count,
                int segments) {
  if (count <= 0 || segments < 3) return;
  if (segments > 128) segments = 128;
  const ImVec2 uv = dl->_Data->TexUvWhitePixel;
  const float step = FULL_TURN / (float)segments;
  // The outermost edge gets a one-pixel fringe, as a lone anti-aliased disc has; the
  // edges between zones change colour by about one level and need none.
  const float half = 0.5f * dl->_FringeScale / cosf(0.5f * step);
  ImVec2 unit[128];
  for (int s = 0; s < segments; s++) unit[s] = ImVec2(cosf(step * (float)s), sinf(step * (float)s));
  auto ring_at = [&](float r, ImU32 col) {
    for (int s = 0; s < segments; s++)
      dl->PrimWriteVtx(ImVec2(centre.x + r * unit[s].x, centre.y + r * unit[s].y), uv, col);
  };
  auto join = [&](unsigned inner, unsigned outer) {
    for (int s = 0; s < segments; s++) {
      unsigned s1 = (unsigned)((s + 1) % segments);
      dl->PrimWriteIdx((ImDrawIdx)(inner + s));
      dl->PrimWriteIdx((ImDrawIdx)(outer + s));
      dl->PrimWriteIdx((ImDrawIdx)(outer + s1));
      dl->PrimWriteIdx((ImDrawIdx)(inner + s));
      dl->PrimWriteIdx((ImDrawIdx)(outer + s1));
      dl->PrimWriteIdx((ImDrawIdx)(inner + s1));
    }
  };
  for (int i = 0; i < count; i++) {
    ImU32 col = zones[i];
    float outer_r = i == count - 1 ? radii[i] - half : radii[i];
    if (i == 0) {
      // The innermost disc: a fan around the centre.
      dl->PrimReserve(segments * 3, segments + 1);
      unsigned c = dl->_VtxCurrentIdx;
      dl->PrimWriteVtx(centre, uv, col);
      ring_at(outer_r, col);
      for (int s = 0; s < segments; s++) {
        dl->PrimWriteIdx((ImDrawIdx)c);
        dl->PrimWriteIdx((ImDrawIdx)(c + 1 + s));
        dl->PrimWriteIdx((ImDrawIdx)(c + 1 + (s + 1) % segments));
      }
    } else {
      dl->PrimReserve(segments * 6, segments * 2);
      unsigned inner = dl->_VtxCurrentIdx;
      ring_at(radii[i - 1], col);
      ring_at(outer_r, col);
      join(inner, inner + segments);
    }
    if (i == count - 1) {
      dl->PrimReserve(segments * 6, segments * 2);
      unsigned inner = dl->_VtxCurrentIdx;
      ring_at(outer_r, col);
      ring_at(radii[i] + half, col & ~IM_COL32_A_MASK);
      join(inner, inner + segments);
    }
  }
}
