#include "look/backdrop.h"
#include "look/backdrop_layers.h"

#include "look/draw.h"
#include "state/app.h"

#include "look/stack_colours.h"
#include "platform/display.h"
#include "text/language.h"
#include "look/mirror.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer3.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

static ImVec2 at(ImVec2 p, float r, float a) { return ImVec2(p.x + r * sinf(a), p.y - r * cosf(a)); }

// Shapes with no texture blend as the renderer's draw blend mode says, where a texture's
// would blend as its own mode says; this sets the mode that Dear ImGui's textures have.
static void blend_untextured(const ImDrawList*, const ImDrawCmd*) {
  auto* state = (ImGui_ImplSDLRenderer3_RenderState*)ImGui::GetPlatformIO().Renderer_RenderState;
  if (state) SDL_SetRenderDrawBlendMode(state->Renderer, SDL_BLENDMODE_BLEND);
}

// Filled shapes take the font atlas's white pixel, so drawn with no texture at all they
// look the same, while a renderer without a GPU saves a texture fetch for every pixel
// they cover: on Mesa's llvmpipe that makes a fill about twice as cheap. Strokes keep the
// atlas, whose baked lines they may use.
template <class Draw>
static void untextured(ImDrawList* dl, Draw draw) {
  dl->PushTexture(ImTextureRef());
  draw();
  dl->PopTexture();
}

// Rings are drawn while their base distance from the first stays inside the diagonal; the
// first is always drawn, and with no usable scale it is the only one.
int backdrop_ring_count(float W, float H, float U) {
  if (!(U > 0)) return 1;
  float D = sqrtf(W * W + H * H);
  int k = 1;
  while (((40.0f + 21.0f * (float)k) - 40.0f) * U < D) k++;
  return k;
}

int ring_state(int i) { return A.steps.empty() ? (A.installed ? 2 : 0) : A.steps[i].state; }

Scene scene(float W, float H, float U, float t) {
  Scene s;
  s.W = W, s.H = H, s.U = U, s.t = t;
  // The picture stands beside the column: on the right in a right-to-left window.
  s.C = ImVec2(mirrored_point(0.305f * W, 0, W), 0.52f * H);
  s.D = sqrtf(W * W + H * H);
  s.S = 330 * U;
  s.bob = 6 * U * sinf(1.5f * t);
  s.E = ImVec2(s.C.x, s.C.y - 8 * U + s.bob);
  s.steps = A.steps.empty() ? 13 : (int)A.steps.size();
  s.moving_from = 0;
  while (s.moving_from < s.steps && ring_state(s.moving_from) != 1) s.moving_from++;
  s.later_plain = true;
  for (int i = s.moving_from + 1; i < s.steps; i++) s.later_plain &= ring_state(i) == 0;
  return s;
}

ImU32 haze_colour() { return rgba(0.42f, 0.25f, 0.11f, 0.016f + 0.004f * A.glow); }

static ImU32 base_colour() { return rgba(0.09f, 0.06f, 0.04f, 1.0f); }

// 26 faint discs over the plain base; `merged` draws them as one opaque mesh whose zones
// have the colours the discs give the base.
static void draw_haze(ImDrawList* dl, ImVec2 C, float U, bool merged) {
  ImU32 haze = haze_colour();
  if (!merged) {
    for (int r = 1250; r >= 100; r -= 46) dl->AddCircleFilled(C, (float)r * U, haze, 72);
    return;
  }
  float radii[26], alphas[26];
  for (int i = 0; i < 26; i++) {
    radii[i] = (float)(100 + 46 * i) * U;
    alphas[i] = 0.016f + 0.004f * A.glow;
  }
  ImU32 zones[26];
  if (stack_colours_over(base_colour(), ImVec4(0.42f, 0.25f, 0.11f, 1), alphas, 26, zones))
    disc_stack(dl, C, radii, zones, 26, 72);
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

static float step_ring_radius(int i, float U) { return (212.0f + 25.0f * (float)i) * U; }

// Whether step ring i is redrawn every frame: the running one, and those after it that
// may cover some of its pulse, arc or head. Plain rings all have one colour, so among
// themselves the order of drawing makes no difference; the running ring's strokes reach
// 7 x U out, a plain ring's 1.5 x U, each wobbles by at most 1.7 % and the edges are soft
// for a pixel more. Were a later ring anything but plain, all of them move.
static bool step_ring_moves(const Scene& s, int i) {
  if (i < s.moving_from) return false;
  if (i == s.moving_from || !s.later_plain) return true;
  const float wobble = 0.017f;
  float gap = step_ring_radius(i, s.U) * (1 - wobble) - step_ring_radius(s.moving_from, s.U) * (1 + wobble);
  return gap < 8.5f * s.U + 4.0f;
}

// Step ring i: one per build step, 25 x U apart from 212 x U out; 13 stand-ins before the
// step list is known, golden when an installation exists.
static void draw_step_ring(ImDrawList* dl, ImVec2 C, float U, float t, int i) {
  int state = ring_state(i);
  float R = step_ring_radius(i, U);
  int seed = i + 100;
  ring(dl, C, R, seed, 0, FULL_TURN, rgba(0.3f, 0.2f, 0.11f, 0.85f), 3 * U);
  if (state == 1) {
    float pulse = 0.5f + 0.5f * sinf(4.0f * t);
    ring(dl, C, R, seed, 0, FULL_TURN, rgba(1.0f, 0.8f, 0.35f, 0.1f + 0.1f * pulse), 9 * U);
    if (A.shown_step > 0.003f) {
      // The fraction comes from the backend unclamped: past 1 the arc is simply full.
      float sweep = one_turn_at_most(FULL_TURN * A.shown_step);
      if (ui_rtl()) sweep = -sweep;  // from twelve o'clock toward the left, as the window reads
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

// The step rings that `pass` draws, in order.
static void draw_step_rings(ImDrawList* dl, const Scene& s, Pass pass) {
  for (int i = 0; i < s.steps; i++)
    if (pass == ALL || step_ring_moves(s, i) == (pass == MOVING)) draw_step_ring(dl, s.C, s.U, s.t, i);
}

// 24 discs that breathe; `merged` draws them as one mesh that fills each point once.
static void draw_glow(ImDrawList* dl, ImVec2 C, float U, float t, bool merged) {
  const ImVec4 gold(1.0f, 0.66f, 0.18f, 1);
  float a = 0.016f + 0.03f * A.glow;
  float breathe = 1.0f + 0.05f * sinf(2.1f * t);
  float radii[24], alphas[24];
  for (int i = 0; i < 24; i++) {
    radii[i] = (60.0f + 13.0f * (float)i) * U * breathe;
    alphas[i] = (1.0f - (float)i / 24.0f) * a;
    if (!merged) dl->AddCircleFilled(C, radii[i], rgba(gold.x, gold.y, gold.z, alphas[i]), 56);
  }
  ImU32 zones[24];
  if (merged && stack_colours(gold, alphas, 24, zones)) disc_stack(dl, C, radii, zones, 24, 56);
}

static void draw_emblem(ImDrawList* dl, ImVec2 C, ImVec2 E, float S, float U, float bob) {
  untextured(dl, [&] {
    dl->AddEllipseFilled(ImVec2(C.x + 6 * U, C.y + 0.36f * S), ImVec2(0.36f * S - bob, 0.085f * S),
                         rgba(0, 0, 0, 0.42f), 0, 40);
    if (A.icon) return;
    dl->AddEllipseFilled(E, ImVec2(0.42f * S, 0.33f * S), rgba(0.45f, 0.29f, 0.16f, 1.0f), -0.3f, 48);
    dl->AddEllipseFilled(E, ImVec2(0.3f * S, 0.06f * S), rgba(1.0f, 0.78f, 0.25f, 1.0f), -0.3f, 32);
  });
  if (A.icon)
    dl->AddImage((ImTextureID)(uintptr_t)A.icon, ImVec2(E.x - S / 2, E.y - S / 2),
                 ImVec2(E.x + S / 2, E.y + S / 2), ImVec2(0, 0), ImVec2(1, 1), IM_COL32_WHITE);
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

// The shading: five translucent layers over the whole picture, each given by its packed
// colour at its corners, so that the same figures serve drawing them and `shade`.
struct Band {
  ImVec2 min, max;
  ImU32 ul, ur, lr, ll;
};

static int shading_bands(float W, float H, Band* out) {
  auto black = [](float a) { return rgba(0, 0, 0, a); };
  auto panel = [](float a) { return rgba(0.03f, 0.02f, 0.012f, a); };
  out[0] = {ImVec2(0, 0), ImVec2(W, 0.3f * H), black(0.55f), black(0.55f), black(0), black(0)};
  out[1] = {ImVec2(0, 0.7f * H), ImVec2(W, H), black(0), black(0), black(0.6f), black(0.6f)};
  out[2] = {ImVec2(0, 0), ImVec2(0.1f * W, H), black(0.5f), black(0), black(0), black(0.5f)};
  out[3] = {ImVec2(0.5f * W, 0), ImVec2(0.64f * W, H), panel(0), panel(0.8f), panel(0.8f), panel(0)};
  out[4] = {ImVec2(0.64f * W, 0), ImVec2(W, H), panel(0.8f), panel(0.8f), panel(0.8f), panel(0.8f)};
  // Mirrored, the dark panel lies under the column on the left and the edge shade on the right.
  if (ui_rtl())
    for (int i = 0; i < 5; i++) {
      Band& b = out[i];
      b = {ImVec2(W - b.max.x, b.min.y), ImVec2(W - b.min.x, b.max.y), b.ur, b.ul, b.ll, b.lr};
    }
  return 5;
}

static void draw_shading(ImDrawList* dl, float W, float H) {
  Band bands[5];
  int n = shading_bands(W, H, bands);
  for (int i = 0; i < n; i++) {
    const Band& b = bands[i];
    if (b.ul == b.ur && b.ur == b.lr && b.lr == b.ll)
      dl->AddRectFilled(b.min, b.max, b.ul);
    else
      dl->AddRectFilledMultiColor(b.min, b.max, b.ul, b.ur, b.lr, b.ll);
  }
}

static ImVec4 unpack(ImU32 c) { return ImGui::ColorConvertU32ToFloat4(c); }

// The shading turns every colour x below it into x * M + K, an affine map that depends on
// the place. Blending colour c over x and then shading equals shading x and then blending
// c * M + K at the same alpha. So the moving layers can be drawn over the shaded still
// picture, each vertex coloured with what the shading would have made of it.
static void shade(ImDrawList* dl, int from, float W, float H) {
  Band bands[5];
  int n = shading_bands(W, H, bands);
  ImVec4 corners[5][4];
  for (int i = 0; i < n; i++)
    for (int k = 0; k < 4; k++) corners[i][k] = unpack((&bands[i].ul)[k]);
  for (int v = from; v < dl->VtxBuffer.Size; v++) {
    ImDrawVert& vert = dl->VtxBuffer[v];
    ImVec4 c = unpack(vert.col);
    // Beyond the window the shading goes on as it is at the edge, so that a triangle that
    // reaches out of the window is coloured right inside it.
    float x = std::fmin(std::fmax(vert.pos.x, 0.0f), W * 0.99999f);
    float y = std::fmin(std::fmax(vert.pos.y, 0.0f), H * 0.99999f);
    for (int i = 0; i < n; i++) {
      const Band& b = bands[i];
      if (x < b.min.x || x >= b.max.x || y < b.min.y || y >= b.max.y) continue;
      // Bilinear over the band, as its two triangles interpolate a gradient along one axis.
      float fx = (x - b.min.x) / (b.max.x - b.min.x), fy = (y - b.min.y) / (b.max.y - b.min.y);
      const ImVec4 &ul = corners[i][0], &ur = corners[i][1], &lr = corners[i][2], &ll = corners[i][3];
      auto mix = [&](float p, float q, float r, float s) {
        return (p * (1 - fx) + q * fx) * (1 - fy) + (s * (1 - fx) + r * fx) * fy;
      };
      float a = mix(ul.w, ur.w, lr.w, ll.w);
      c.x = c.x * (1 - a) + mix(ul.x, ur.x, lr.x, ll.x) * a;
      c.y = c.y * (1 - a) + mix(ul.y, ur.y, lr.y, ll.y) * a;
      c.z = c.z * (1 - a) + mix(ul.z, ur.z, lr.z, ll.z) * a;
    }
    vert.col = (vert.col & IM_COL32_A_MASK) |
               (ImGui::ColorConvertFloat4ToU32(ImVec4(c.x, c.y, c.z, 1)) & ~IM_COL32_A_MASK);
  }
}

static void draw_flash(ImDrawList* dl, ImVec2 E, float S, float W, float H, float U) {
  float f = A.flash;
  if (!(f > 0.01f)) return;
  untextured(dl,
             [&] { dl->AddRectFilled(ImVec2(0, 0), ImVec2(W, H), rgba(1.0f, 0.96f, 0.82f, 0.55f * f * f)); });
  dl->AddCircle(E, (1 - f) * 1100.0f * U + 0.3f * S, rgba(1.0f, 0.9f, 0.6f, 0.8f * f), 96, 10 * U * f + 1);
  // The bloom stays ten discs: over the bright tint no single blend per zone comes within
  // the rounding of ten, and it lasts under two seconds.
  untextured(dl, [&] {
    for (int j = 0; j < 10; j++)
      dl->AddCircleFilled(E, (0.5f * S + 40.0f * (float)j * U) * (1.3f - 0.3f * f),
                          rgba(1.0f, 0.92f, 0.65f, 0.05f * f), 48);
  });
}

// The layers in their order, later ones covering earlier ones.
void draw_layers(ImDrawList* dl, const Scene& s, Pass pass) {
  const bool still = pass != MOVING, moving = pass != STILL;
  dl->AddCallback(blend_untextured, nullptr);
  if (still) {
    untextured(dl, [&] {
      dl->AddRectFilled(ImVec2(0, 0), ImVec2(s.W, s.H), base_colour(), 0);
      draw_haze(dl, s.C, s.U, pass == STILL);
    });
    draw_rings(dl, s.C, s.W, s.H, s.U);
    untextured(dl, [&] { draw_shards(dl, s.C, s.D, s.U); });
  }
  // The running step ring moves (its pulse and arc), and so do the rings after it that
  // may cover it.
  int shaded_from = dl->VtxBuffer.Size;
  draw_step_rings(dl, s, pass);
  if (moving) {
    untextured(dl, [&] { draw_glow(dl, s.C, s.U, s.t, pass == MOVING); });
    draw_emblem(dl, s.C, s.E, s.S, s.U, s.bob);
    untextured(dl, [&] { draw_embers(dl, s.C, s.U, s.t); });
  }
  if (still) untextured(dl, [&] { draw_shading(dl, s.W, s.H); });
  if (pass == MOVING) shade(dl, shaded_from, s.W, s.H);
  if (moving) draw_flash(dl, s.E, s.S, s.W, s.H, s.U);
}

// A texture is coloured by its pixels, not its vertices, so the emblem's picture can be
// drawn over the shaded still picture only where no shading lies: true at every window
// shape the program allows, checked all the same.
bool emblem_clear_of_shading(const Scene& s) {
  if (!A.icon) return true;
  Band bands[5];
  int n = shading_bands(s.W, s.H, bands);
  float r = s.S / 2 + 6 * s.U;  // the emblem and the whole of its float
  for (int i = 0; i < n; i++) {
    const Band& b = bands[i];
    if (s.E.x + r > b.min.x && s.E.x - r < b.max.x && s.C.y - 8 * s.U + r > b.min.y &&
        s.C.y - 8 * s.U - r < b.max.y)
      return false;
  }
  return true;
}

void draw_backdrop_direct(float W, float H, float U, float t) {
  draw_layers(ImGui::GetBackgroundDrawList(), scene(W, H, U, t), ALL);
}
