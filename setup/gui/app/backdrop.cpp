#include "app/backdrop.h"

#include "backend/app.h"
#include "widgets/draw.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

static const float FULL_TURN = 6.2831855f;

// Each element k of a group draws from its own seed s_0 + k x SEED_STEP, in up to three
// independent streams.
static const uint32_t SEED_STEP = 374761393u;
static const uint32_t SECOND = 668265263u;
static const uint32_t THIRD = 1336530526u;

float noise01(uint32_t x) {
  uint32_t y = (x ^ (x >> 13)) * 1274126177u;
  uint32_t n = (y & 0xFFFFFFu) ^ (y >> 16);
  return (float)n / 16777216.0f;
}

static uint32_t seed_of(uint32_t s0, int k) { return s0 + (uint32_t)k * SEED_STEP; }

static ImU32 rgba(float r, float g, float b, float a) {
  return ImGui::ColorConvertFloat4ToU32(ImVec4(r, g, b, a));
}

static ImVec2 at(ImVec2 p, float r, float a) { return ImVec2(p.x + r * sinf(a), p.y - r * cosf(a)); }

// Rings are drawn while their base distance from the first stays inside the diagonal; the
// first is always drawn, and with no usable scale it is the only one.
int backdrop_ring_count(float W, float H, float U) {
  if (!(U > 0)) return 1;
  float D = sqrtf(W * W + H * H);
  int k = 1;
  while (((40.0f + 21.0f * (float)k) - 40.0f) * U < D) k++;
  return k;
}

static void draw_haze(ImDrawList* dl, ImVec2 C, float U) {
  ImU32 haze = rgba(0.42f, 0.25f, 0.11f, 0.016f + 0.004f * A.glow);
  for (int r = 1250; r >= 100; r -= 46) dl->AddCircleFilled(C, (float)r * U, haze, 72);
}

static void draw_rings(ImDrawList* dl, ImVec2 C, float W, float H, float U) {
  const ImU32 light = rgba(0.2f, 0.13f, 0.075f, 0.55f);
  const ImU32 dark = rgba(0.045f, 0.028f, 0.018f, 0.5f);
  int count = backdrop_ring_count(W, H, U);
  for (int k = 0; k < count; k++) {
    uint32_t s = seed_of(2004795789u, k);
    float radius = (40.0f + 21.0f * (float)k) * U + 9.0f * U * noise01(s - THIRD);
    ImU32 colour = noise01(s - SECOND) > 0.5f ? light : dark;
    ring(dl, C, radius, k, 0, FULL_TURN, colour, (1.5f + 3.5f * noise01(s)) * U);
  }
}

static void draw_shards(ImDrawList* dl, ImVec2 C, float D, float U) {
  const ImU32 colour = rgba(0.03f, 0.018f, 0.012f, 0.75f);
  for (int k = 0; k < 6; k++) {
    uint32_t s = seed_of(4009591578u, k);
    float a = ((float)k / 6.0f + 0.07f) * FULL_TURN + noise01(s - THIRD);
    float L = (560.0f + 200.0f * noise01(s - SECOND)) * U;
    float w = (5.0f + 6.0f * noise01(s)) * U;
    ImVec2 tip = at(C, L, a), Q = at(C, D, a);
    ImVec2 side(w * cosf(a), w * sinf(a));
    dl->AddTriangleFilled(tip, ImVec2(Q.x + side.x, Q.y + side.y), ImVec2(Q.x - side.x, Q.y - side.y),
                          colour);
  }
}

// One ring per build step, 25 x U apart from 212 x U out; 13 stand-ins before the step list
// is known, golden when an installation exists.
static void draw_step_rings(ImDrawList* dl, ImVec2 C, float U, float t) {
  int n = A.steps.empty() ? 13 : (int)A.steps.size();
  for (int i = 0; i < n; i++) {
    int state = A.steps.empty() ? (A.installed ? 2 : 0) : A.steps[i].state;
    float R = (212.0f + 25.0f * (float)i) * U;
    int seed = i + 100;
    ring(dl, C, R, seed, 0, FULL_TURN, rgba(0.3f, 0.2f, 0.11f, 0.85f), 3 * U);
    if (state == 1) {
      float pulse = 0.5f + 0.5f * sinf(4.0f * t);
      ring(dl, C, R, seed, 0, FULL_TURN, rgba(1.0f, 0.8f, 0.35f, 0.1f + 0.1f * pulse), 9 * U);
      if (A.shown_step > 0.003f) {
        // The fraction comes from the backend unclamped: past 1 the arc is simply full.
        float sweep = FULL_TURN * std::min(A.shown_step, 1.0f);
        ring(dl, C, R, seed, 0, sweep, rgba(1.0f, 0.72f, 0.22f, 0.25f), 12 * U);
        ring(dl, C, R, seed, 0, sweep, rgba(1.0f, 0.86f, 0.45f, 1.0f), 5 * U);
        ImVec2 head = at(C, R * ring_wobble(sweep, seed), sweep);
        dl->AddCircleFilled(head, 7 * U, rgba(1.0f, 0.95f, 0.75f, 1.0f), 16);
      }
    } else if (state == 2) {
      ring(dl, C, R, seed, 0, FULL_TURN, rgba(1.0f, 0.72f, 0.22f, 0.16f), 11 * U);
      ring(dl, C, R, seed, 0, FULL_TURN, rgba(0.96f, 0.74f, 0.28f, 1.0f), 4 * U);
    }
  }
}

static void draw_glow(ImDrawList* dl, ImVec2 C, float U, float t) {
  float a = 0.016f + 0.03f * A.glow;
  float breathe = 1.0f + 0.05f * sinf(2.1f * t);
  for (int i = 0; i < 24; i++) {
    float r = 60.0f + 13.0f * (float)i;
    dl->AddCircleFilled(C, r * U * breathe, rgba(1.0f, 0.66f, 0.18f, (1.0f - (float)i / 24.0f) * a), 56);
  }
}

static void draw_emblem(ImDrawList* dl, ImVec2 C, ImVec2 E, float S, float U, float bob) {
  dl->AddEllipseFilled(ImVec2(C.x + 6 * U, C.y + 0.36f * S), ImVec2(0.36f * S - bob, 0.085f * S),
                       rgba(0, 0, 0, 0.42f), 0, 40);
  if (A.icon) {
    dl->AddImage((ImTextureID)(uintptr_t)A.icon, ImVec2(E.x - S / 2, E.y - S / 2),
                 ImVec2(E.x + S / 2, E.y + S / 2), ImVec2(0, 0), ImVec2(1, 1), IM_COL32_WHITE);
  } else {
    dl->AddEllipseFilled(E, ImVec2(0.42f * S, 0.33f * S), rgba(0.45f, 0.29f, 0.16f, 1.0f), -0.3f, 48);
    dl->AddEllipseFilled(E, ImVec2(0.3f * S, 0.06f * S), rgba(1.0f, 0.78f, 0.25f, 1.0f), -0.3f, 32);
  }
}

// Each ember rises from 420 x U below the centre to 520 x U above it, fading in and out.
static void draw_embers(ImDrawList* dl, ImVec2 C, float U, float t) {
  float b = 0.35f + 0.65f * A.glow;
  for (int k = 0; k < 44; k++) {
    uint32_t s = seed_of(1719420071u, k);
    float speed = 0.035f + 0.05f * noise01(s - THIRD);
    float p = fmodf(speed * t + noise01(s - SECOND), 1.0f);
    float fade = sinf(3.14159f * p) * b;
    float x = (noise01(s) - 0.5f) * 1100.0f;
    ImVec2 pos(C.x + U * (x + 26.0f * sinf(0.6f * t + (float)k)), C.y + U * (420.0f - 940.0f * p));
    dl->AddCircleFilled(pos, 6 * U, rgba(1.0f, 0.7f, 0.25f, 0.1f * fade), 12);
    dl->AddCircleFilled(pos, 1.8f * U, rgba(1.0f, 0.9f, 0.6f, 0.9f * fade), 8);
  }
}

static void draw_shading(ImDrawList* dl, float W, float H) {
  auto black = [](float a) { return rgba(0, 0, 0, a); };
  dl->AddRectFilledMultiColor(ImVec2(0, 0), ImVec2(W, 0.3f * H), black(0.55f), black(0.55f), black(0),
                              black(0));
  dl->AddRectFilledMultiColor(ImVec2(0, 0.7f * H), ImVec2(W, H), black(0), black(0), black(0.6f),
                              black(0.6f));
  dl->AddRectFilledMultiColor(ImVec2(0, 0), ImVec2(0.1f * W, H), black(0.5f), black(0), black(0),
                              black(0.5f));
  auto panel = [](float a) { return rgba(0.03f, 0.02f, 0.012f, a); };
  dl->AddRectFilledMultiColor(ImVec2(0.5f * W, 0), ImVec2(0.64f * W, H), panel(0), panel(0.8f), panel(0.8f),
                              panel(0));
  dl->AddRectFilled(ImVec2(0.64f * W, 0), ImVec2(W, H), panel(0.8f));
}

static void draw_flash(ImDrawList* dl, ImVec2 E, float S, float W, float H, float U) {
  float f = A.flash;
  if (!(f > 0.01f)) return;
  dl->AddRectFilled(ImVec2(0, 0), ImVec2(W, H), rgba(1.0f, 0.96f, 0.82f, 0.55f * f * f));
  dl->AddCircle(E, (1 - f) * 1100.0f * U + 0.3f * S, rgba(1.0f, 0.9f, 0.6f, 0.8f * f), 96, 10 * U * f + 1);
  for (int j = 0; j < 10; j++)
    dl->AddCircleFilled(E, (0.5f * S + 40.0f * (float)j * U) * (1.3f - 0.3f * f),
                        rgba(1.0f, 0.92f, 0.65f, 0.05f * f), 48);
}

void draw_backdrop(float W, float H, float U, float t) {
  ImDrawList* dl = ImGui::GetBackgroundDrawList();
  const ImVec2 C(0.305f * W, 0.52f * H);
  const float D = sqrtf(W * W + H * H);
  const float S = 330 * U;
  const float bob = 6 * U * sinf(1.5f * t);
  const ImVec2 E(C.x, C.y - 8 * U + bob);

  dl->AddRectFilled(ImVec2(0, 0), ImVec2(W, H), rgba(0.09f, 0.06f, 0.04f, 1.0f), 0);
  draw_haze(dl, C, U);
  draw_rings(dl, C, W, H, U);
  draw_shards(dl, C, D, U);
  draw_step_rings(dl, C, U, t);
  draw_glow(dl, C, U, t);
  draw_emblem(dl, C, E, S, U, bob);
  draw_embers(dl, C, U, t);
  draw_shading(dl, W, H);
  draw_flash(dl, E, S, W, H, U);
}
