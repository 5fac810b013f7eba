// The animated backdrop, drawn into the real background draw list of a Dear ImGui frame.
#include "app/events.h"
#include "look/backdrop.h"

#include "app/window.h"
#include "gui_frame.h"
#include "look/draw.h"
#include "look/theme.h"
#include "state/app.h"
#include "text/language.h"

#include <SDL3/SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_impl_sdlrenderer3.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const float TURN = 6.2831855f;

ImU32 rgba(float r, float g, float b, float a) { return ImGui::ColorConvertFloat4ToU32(ImVec4(r, g, b, a)); }

struct Frame {
  std::vector<ImDrawVert> vtx;
  std::vector<ImDrawIdx> idx;
  std::vector<ImDrawCmd> cmd;
  int count(ImU32 colour) const {
    int n = 0;
    for (const ImDrawVert& v : vtx) n += v.col == colour;
    return n;
  }
  bool same(const Frame& o) const {
    return vtx.size() == o.vtx.size() && idx.size() == o.idx.size() && cmd.size() == o.cmd.size() &&
           !memcmp(vtx.data(), o.vtx.data(), vtx.size() * sizeof(ImDrawVert)) &&
           !memcmp(idx.data(), o.idx.data(), idx.size() * sizeof(ImDrawIdx));
  }
};

struct BackdropTest : ::testing::Test {
  GuiContext gui;
  App saved = A;
  ~BackdropTest() override {
    A.steps = saved.steps;
    A.installed = saved.installed;
    A.shown_step = saved.shown_step;
    A.flash = saved.flash;
    A.glow = saved.glow;
    A.icon = saved.icon;
  }
  BackdropTest() {
    A.steps.clear();
    A.installed = false;
    A.shown_step = 0;
    A.flash = 0;
    A.glow = 0;
    A.icon = nullptr;
  }

  Frame draw(float W = 1620, float H = 1080, float U = 1, float t = 0) {
    ImGui::GetIO().DisplaySize = ImVec2(W, H);
    ImGui::NewFrame();
    draw_backdrop(W, H, U, t);
    ImDrawList* dl = ImGui::GetBackgroundDrawList();
    Frame f{{dl->VtxBuffer.begin(), dl->VtxBuffer.end()},
            {dl->IdxBuffer.begin(), dl->IdxBuffer.end()},
            {dl->CmdBuffer.begin(), dl->CmdBuffer.end()}};
    ImGui::EndFrame();
    return f;
  }

  // Vertices of `colour` that one ring of this sweep and thickness puts on the background list.
  int per_ring(float sweep, ImU32 colour, float thickness) {
    ImGui::NewFrame();
    ImDrawList scratch(ImGui::GetDrawListSharedData());
    scratch._ResetForNewFrame();
    scratch.Flags = ImGui::GetBackgroundDrawList()->Flags;
    scratch.PushTexture(ImGui::GetIO().Fonts->TexRef);
    ring(&scratch, ImVec2(500, 500), 300, 100, 0, sweep, colour, thickness);
    int n = 0;
    for (const ImDrawVert& v : scratch.VtxBuffer) n += v.col == colour;
    ImGui::EndFrame();
    return n;
  }

  const ImU32 PLAIN = rgba(0.3f, 0.2f, 0.11f, 0.85f);
  const ImU32 FINISHED = rgba(0.96f, 0.74f, 0.28f, 1.0f);
  const ImU32 ARC = rgba(1.0f, 0.86f, 0.45f, 1.0f);
  const ImU32 HEAD = rgba(1.0f, 0.95f, 0.75f, 1.0f);
};

void set_steps(std::initializer_list<int> states) {
  A.steps.clear();
  for (int s : states) {
    StepRow row;
    row.state = s;
    A.steps.push_back(row);
  }
}

TEST(Noise, FixedValuesForTheirSeeds) {
  EXPECT_EQ(noise01(1), 15848592.0f / 16777216.0f);
  EXPECT_EQ(noise01(2004795789u), 6832627.0f / 16777216.0f);
  EXPECT_FLOAT_EQ(noise01(1), 0.9446497f);
  EXPECT_FLOAT_EQ(noise01(2004795789u), 0.4072563f);
  // Spread over [0, 1): a coarse histogram of 10000 seeds has no empty or crowded tenth.
  int bins[10] = {};
  for (uint32_t k = 0; k < 10000; k++) {
    float v = noise01(2004795789u + k * 374761393u);
    ASSERT_GE(v, 0.0f);
    ASSERT_LT(v, 1.0f);
    bins[(int)(v * 10)]++;
  }
  for (int b : bins) EXPECT_NEAR(b, 1000, 150);
}

TEST(RingCount, ReachesTheDiagonal) {
  EXPECT_EQ(backdrop_ring_count(1620, 1080, 1), 93);
  EXPECT_EQ(backdrop_ring_count(2560, 1440, 1.3333334f), 105);
  EXPECT_EQ(backdrop_ring_count(960, 540, 0.5f), 105);
  EXPECT_EQ(backdrop_ring_count(0, 0, 1), 1);  // the first is always drawn
  EXPECT_EQ(backdrop_ring_count(1620, 1080, 0), 1);
  EXPECT_EQ(backdrop_ring_count(1620, 1080, NAN), 1);
}

TEST_F(BackdropTest, SameInputsGiveTheSamePicture) {
  set_steps({2, 2, 1, 0});
  A.shown_step = 0.4f;
  A.flash = 0.5f;
  A.glow = 0.7f;
  Frame a = draw(1620, 1080, 1, 12.5f);
  Frame b = draw(1620, 1080, 1, 12.5f);
  EXPECT_TRUE(a.same(b));
  EXPECT_GT(a.vtx.size(), 10000u);
  // Time moves it.
  EXPECT_FALSE(a.same(draw(1620, 1080, 1, 12.6f)));
}

TEST_F(BackdropTest, BaseFirstDarkPanelLastWithoutFlash) {
  Frame f = draw(1620, 1080, 1, 3);
  ASSERT_GE(f.vtx.size(), 8u);
  EXPECT_EQ(f.vtx[0].col, rgba(0.09f, 0.06f, 0.04f, 1));
  EXPECT_EQ(f.vtx[0].pos.x, 0);
  EXPECT_EQ(f.vtx[2].pos.x, 1620);
  EXPECT_EQ(f.vtx[2].pos.y, 1080);
  const ImDrawVert* last = &f.vtx[f.vtx.size() - 4];
  for (int i = 0; i < 4; i++) EXPECT_EQ(last[i].col, rgba(0.03f, 0.02f, 0.012f, 0.8f));
  EXPECT_FLOAT_EQ(last[0].pos.x, 0.64f * 1620);
  EXPECT_FLOAT_EQ(last[2].pos.x, 1620);
}

// Mirrored for a language written right to left: the picture in the right half, the dark
// panel under the column on the left, and the running step's quarter arc turning from the
// top toward the left.
TEST_F(BackdropTest, MirroredForARightToLeftWindow) {
  g_lang.code = PSEUDO_RTL;
  set_steps({1});
  A.shown_step = 0.25f;
  Frame f = draw(1620, 1080, 1, 3);
  g_lang = Catalog();
  const ImDrawVert* last = &f.vtx[f.vtx.size() - 4];
  EXPECT_FLOAT_EQ(last[0].pos.x, 0);
  EXPECT_NEAR(last[2].pos.x, 0.36f * 1620, 0.01f);
  const float centre = 1620 - 0.305f * 1620;
  int arc = 0;
  for (const ImDrawVert& v : f.vtx)
    if (v.col == ARC) {
      arc++;
      EXPECT_LT(v.pos.x, centre + 4);
      EXPECT_GT(v.pos.x, centre - 212 - 12);  // the first step ring's radius, and its stroke
      EXPECT_LT(v.pos.y, 0.52f * 1080 + 4);
    }
  EXPECT_GT(arc, 0);
}

TEST_F(BackdropTest, NoStepsShowThirteenPlainRingsGoldenWhenInstalled) {
  int plain = per_ring(TURN, PLAIN, 3), gold = per_ring(TURN, FINISHED, 4);
  ASSERT_GT(plain, 0);
  ASSERT_GT(gold, 0);
  Frame f = draw();
  EXPECT_EQ(f.count(PLAIN), 13 * plain);
  EXPECT_EQ(f.count(FINISHED), 0);
  A.installed = true;
  f = draw();
  EXPECT_EQ(f.count(PLAIN), 13 * plain);
  EXPECT_EQ(f.count(FINISHED), 13 * gold);
}

TEST_F(BackdropTest, OneRingPerStepByState) {
  int plain = per_ring(TURN, PLAIN, 3), gold = per_ring(TURN, FINISHED, 4);
  set_steps({2, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  A.installed = true;  // the list decides, not the installation
  A.shown_step = 0.5f;
  Frame f = draw();
  EXPECT_EQ(f.count(PLAIN), 15 * plain);
  EXPECT_EQ(f.count(FINISHED), 3 * gold);
  EXPECT_EQ(f.count(ARC), per_ring(TURN * 0.5f, ARC, 5));
  EXPECT_GT(f.count(HEAD), 0);
}

TEST_F(BackdropTest, RunningStepShowsItsArcOnlyPastTheThreshold) {
  set_steps({1});
  A.shown_step = 0.003f;
  Frame f = draw();
  EXPECT_EQ(f.count(ARC), 0);
  EXPECT_EQ(f.count(HEAD), 0);
  // The pulsing glow is there: at t = 0 its alpha is 0.15.
  EXPECT_EQ(f.count(rgba(1.0f, 0.8f, 0.35f, 0.15f)), per_ring(TURN, rgba(1.0f, 0.8f, 0.35f, 0.15f), 9));

  A.shown_step = 0.0031f;
  f = draw();
  EXPECT_GT(f.count(ARC), 0);
  EXPECT_GT(f.count(HEAD), 0);
}

// The fraction of the running step comes from the backend unchecked.
TEST_F(BackdropTest, RunawayStepFractionDrawsAFullArcOrNone) {
  set_steps({1});
  int full = per_ring(TURN, ARC, 5);
  for (float frac : {1.0f, 7.0f, 1e30f, INFINITY}) {
    A.shown_step = frac;
    EXPECT_EQ(draw().count(ARC), full) << frac;
  }
  A.shown_step = NAN;
  EXPECT_EQ(draw().count(ARC), 0);
}

TEST_F(BackdropTest, EmblemImageOrFallbackDiscOverItsShadow) {
  const ImU32 disc = rgba(0.45f, 0.29f, 0.16f, 1), bar = rgba(1.0f, 0.78f, 0.25f, 1);
  const ImU32 shadow = rgba(0, 0, 0, 0.42f);
  Frame f = draw();
  EXPECT_GT(f.count(disc), 0);
  EXPECT_GT(f.count(bar), 0);
  EXPECT_GT(f.count(shadow), 0);

  int stand_in = 42;  // any non-null texture: it is only recorded, never drawn here
  A.icon = (SDL_Texture*)&stand_in;
  f = draw(1620, 1080, 1, 0);
  EXPECT_EQ(f.count(disc), 0);
  EXPECT_EQ(f.count(bar), 0);
  EXPECT_GT(f.count(shadow), 0);
  int with_icon = 0;
  for (const ImDrawCmd& c : f.cmd)
    with_icon += c.TexRef.GetTexID() == (ImTextureID)(uintptr_t)A.icon ? (int)c.ElemCount : 0;
  EXPECT_EQ(with_icon, 6);  // one textured quad
  // At t = 0 the emblem floats 8 x U above the centre; S = 330 x U.
  bool found = false;
  for (const ImDrawVert& v : f.vtx)
    if (v.uv.x == 0 && v.uv.y == 0 && v.col == IM_COL32_WHITE &&
        std::fabs(v.pos.x - (0.305f * 1620 - 165)) < 1e-3f)
      found |= std::fabs(v.pos.y - (0.52f * 1080 - 8 - 165)) < 1e-3f;
  EXPECT_TRUE(found);
}

TEST_F(BackdropTest, FlashOnlyAboveOneHundredth) {
  Frame calm = draw(1620, 1080, 1, 2);
  A.flash = 0.01f;
  EXPECT_TRUE(draw(1620, 1080, 1, 2).same(calm));
  A.flash = 0.0101f;
  Frame lit = draw(1620, 1080, 1, 2);
  EXPECT_FALSE(lit.same(calm));
  EXPECT_GT(lit.vtx.size(), calm.vtx.size());
  A.flash = 1;
  EXPECT_GT(draw(1620, 1080, 1, 2).count(rgba(1.0f, 0.96f, 0.82f, 0.55f)), 0);  // the full-window tint
}

int g_allocations = 0;
void* counting_alloc(size_t size, void*) {
  g_allocations++;
  return malloc(size);
}
void counting_free(void* p, void*) { free(p); }

TEST_F(BackdropTest, AllocatesNothingOnceTheBuffersHaveGrown) {
  set_steps({2, 2, 1, 0, 0});
  A.shown_step = 0.6f;
  A.flash = 0.4f;
  A.glow = 0.5f;
  draw(2560, 1440, 1.3333334f, 5);
  ImGui::GetIO().DisplaySize = ImVec2(2560, 1440);
  ImGui::NewFrame();
  ImGuiMemAllocFunc alloc;
  ImGuiMemFreeFunc release;
  void* user;
  ImGui::GetAllocatorFunctions(&alloc, &release, &user);
  ImGui::SetAllocatorFunctions(counting_alloc, counting_free, nullptr);
  g_allocations = 0;
  draw_backdrop(2560, 1440, 1.3333334f, 5);
  int during = g_allocations;
  ImGui::SetAllocatorFunctions(alloc, release, user);
  ImGui::EndFrame();
  EXPECT_EQ(during, 0);
  // A control: a frame with more to draw does grow the buffers.
  ImGui::NewFrame();
  ImGui::SetAllocatorFunctions(counting_alloc, counting_free, nullptr);
  g_allocations = 0;
  set_steps({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  draw_backdrop(2560, 1440, 1.3333334f, 5);
  during = g_allocations;
  ImGui::SetAllocatorFunctions(alloc, release, user);
  ImGui::EndFrame();
  EXPECT_GT(during, 0);
}

// The still picture drawn once and the moving layers over it give the picture that every
// layer drawn each frame gives: at least 99.9 % of pixels within 3 levels on the window's
// own renderer, with a running step's arc, finished steps, the emblem and a flash.
struct Rendered {
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
};

class BackdropBothWays : public ::testing::TestWithParam<const char*> {
 protected:
  SDL_Surface* canvas = nullptr;
  SDL_Renderer* renderer = nullptr;
  App saved = A;

  void SetUp() override {
    std::string which = GetParam();
    if (which == "software") {
      canvas = SDL_CreateSurface(2560, 1440, SDL_PIXELFORMAT_ARGB8888);
      ASSERT_NE(canvas, nullptr) << SDL_GetError();
      renderer = SDL_CreateSoftwareRenderer(canvas);
    } else {
      // Made once and kept to the end: closing it would unload the GL driver, whose own
      // allocations would then show as leaks.
      static SDL_Window* shared = nullptr;
      static SDL_Renderer* on_shared = nullptr;
      if (!shared) {
        if (!SDL_InitSubSystem(SDL_INIT_VIDEO)) GTEST_SKIP() << "no display: " << SDL_GetError();
        shared = SDL_CreateWindow("backdrop", 320, 200, SDL_WINDOW_HIDDEN);
        ASSERT_NE(shared, nullptr) << SDL_GetError();
        on_shared = SDL_CreateRenderer(shared, nullptr);
      }
      renderer = on_shared;
    }
    ASSERT_NE(renderer, nullptr) << SDL_GetError();
    g_ren = renderer;
  }
  void TearDown() override {
    release_backdrop();
    if (A.icon) SDL_DestroyTexture(A.icon);
    A.icon = nullptr;
    g_ren = nullptr;
    if (canvas) SDL_DestroyRenderer(renderer);
    if (canvas) SDL_DestroySurface(canvas);
    A.steps = saved.steps;
    A.shown_step = saved.shown_step;
    A.flash = saved.flash;
    A.glow = saved.glow;
    A.installed = saved.installed;
  }

  // One frame of the backdrop alone, rendered into a texture and read back.
  Rendered render(int w, int h, float t, bool direct) {
    Rendered out;
    SDL_Texture* target =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    EXPECT_NE(target, nullptr) << SDL_GetError();
    if (!target) return out;
    float U = ui_scale(w, h);
    ImGui::GetIO().DisplaySize = ImVec2((float)w, (float)h);
    ImGui_ImplSDLRenderer3_NewFrame();
    ImGui::NewFrame();
    SDL_SetRenderTarget(renderer, target);
    if (direct)
      draw_backdrop_direct((float)w, (float)h, U, t);
    else
      draw_backdrop((float)w, (float)h, U, t);
    ImGui::Render();
    SDL_SetRenderTarget(renderer, target);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    ImGui_ImplSDLRenderer3_RenderDrawData(ImGui::GetDrawData(), renderer);
    SDL_Surface* pixels = SDL_RenderReadPixels(renderer, nullptr);
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_DestroyTexture(target);
    EXPECT_NE(pixels, nullptr) << SDL_GetError();
    if (!pixels) return out;
    SDL_Surface* rgb = SDL_ConvertSurface(pixels, SDL_PIXELFORMAT_RGB24);
    SDL_DestroySurface(pixels);
    out.w = rgb->w, out.h = rgb->h;
    for (int y = 0; y < rgb->h; y++) {
      const uint8_t* row = (const uint8_t*)rgb->pixels + y * rgb->pitch;
      out.rgb.insert(out.rgb.end(), row, row + 3 * rgb->w);
    }
    SDL_DestroySurface(rgb);
    return out;
  }
};

TEST_P(BackdropBothWays, StillPictureAndMovingLayersMatchTheDirectDrawing) {
  for (auto [w, h] : {std::pair{960, 540}, {1620, 1080}, {2560, 1440}}) {
    GuiContext gui(ui_scale(w, h), TARNWELL_SOURCE_DIR, (float)w, (float)h);
    ImGui_ImplSDLRenderer3_Init(renderer);
    A.icon = load_texture(TARNWELL_SOURCE_DIR "/assets/icon.png");
    ASSERT_NE(A.icon, nullptr);
    set_steps({2, 2, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    A.shown_step = 0.62f;
    A.glow = 0.5f;
    struct Case {
      float flash, t;
      int running;  // the running step of 40, or -1 for the 13 steps above
    };
    // The 31st of 40 steps runs far out: of the rings after it, the next is drawn with it
    // every frame and the others are in the still picture.
    for (Case c : {Case{0.0f, 3.25f, -1}, Case{0.7f, 7.5f, -1}, Case{0.0f, 3.25f, 30}}) {
      A.flash = c.flash;
      if (c.running >= 0) {
        A.steps.assign(40, StepRow{});
        for (int i = 0; i <= c.running; i++) A.steps[i].state = i < c.running ? 2 : 1;
      }
      Rendered direct = render(w, h, c.t, true), fast = render(w, h, c.t, false);
      ASSERT_EQ(direct.rgb.size(), (size_t)w * h * 3);
      ASSERT_EQ(fast.rgb.size(), direct.rgb.size());
      size_t off = 0, worst = 0;
      for (size_t p = 0; p < direct.rgb.size(); p += 3) {
        int d = 0;
        for (int k = 0; k < 3; k++) d = std::max(d, std::abs((int)direct.rgb[p + k] - (int)fast.rgb[p + k]));
        off += d > 3;
        worst = std::max(worst, (size_t)d);
      }
      double share = (double)off / (double)(w * h);
      printf("%s %dx%d flash %.1f: %zu pixels off by more than 3 (%.4f %%), worst %zu\n", GetParam(), w, h,
             c.flash, off, 100 * share, worst);
      if (std::string(GetParam()) == "window") {
        EXPECT_LE(share, 0.001) << w << "x" << h << " flash " << c.flash;
      } else {
        // SDL's own blitter truncates every blend, so reordering the blends moves more
        // pixels by a few levels; a broken still picture would move them by far more.
        EXPECT_LE(share, 0.05) << w << "x" << h << " flash " << c.flash;
        EXPECT_LE(worst, 16u) << w << "x" << h << " flash " << c.flash;
      }
    }
    release_backdrop();
    SDL_DestroyTexture(A.icon);
    A.icon = nullptr;
    ImGui_ImplSDLRenderer3_Shutdown();
  }
}

// A renderer that lost its render targets, or its whole device, empties the still picture
// (and with the device, every texture): after either event the picture comes back whole.
TEST_P(BackdropBothWays, AfterARendererResetThePictureComesBack) {
  const int w = 960, h = 540;
  ASSERT_TRUE(SDL_InitSubSystem(SDL_INIT_EVENTS)) << SDL_GetError();
  GuiContext gui(ui_scale(w, h), TARNWELL_SOURCE_DIR, (float)w, (float)h);
  ImGui_ImplSDLRenderer3_Init(renderer);
  reload_emblem();
  ASSERT_NE(A.icon, nullptr);
  set_steps({2, 2, 1, 0, 0});
  A.shown_step = 0.4f;
  const Rendered before = render(w, h, 3.25f, false);
  for (SDL_EventType reset : {SDL_EVENT_RENDER_TARGETS_RESET, SDL_EVENT_RENDER_DEVICE_RESET}) {
    // What the reset leaves behind: the still picture's texture holds nothing of it.
    SDL_Texture* still = still_picture_texture();
    ASSERT_NE(still, nullptr);
    SDL_SetRenderTarget(renderer, still);
    SDL_SetRenderDrawColor(renderer, 255, 0, 255, 255);
    SDL_RenderClear(renderer);
    SDL_SetRenderTarget(renderer, nullptr);
    if (reset == SDL_EVENT_RENDER_DEVICE_RESET) {
      // With the device every texture goes: the font atlas, whose white pixel and line
      // edges the rings use, and the emblem.
      ImTextureData* atlas = ImGui::GetIO().Fonts->TexData;
      std::vector<uint32_t> magenta((size_t)atlas->Width * atlas->Height, 0xFFFF00FFu);
      SDL_UpdateTexture((SDL_Texture*)(intptr_t)atlas->TexID, nullptr, magenta.data(), atlas->Width * 4);
      SDL_DestroyTexture(A.icon);
      A.icon = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 1, 1);
    }
    SDL_Event e;
    SDL_zero(e);
    e.type = reset;
    ASSERT_TRUE(SDL_PushEvent(&e)) << SDL_GetError();
    for (SDL_Event got; SDL_PollEvent(&got);) EXPECT_TRUE(handle_event(got));
    const Rendered after = render(w, h, 3.25f, false);
    ASSERT_EQ(after.rgb.size(), before.rgb.size());
    size_t off = 0;
    for (size_t p = 0; p < before.rgb.size(); p += 3)
      for (int k = 0; k < 3; k++) off += std::abs((int)before.rgb[p + k] - (int)after.rgb[p + k]) > 3;
    EXPECT_LE((double)off / (w * h), 0.001) << "event " << reset;
    float iw = 0, ih = 0;
    EXPECT_TRUE(SDL_GetTextureSize(A.icon, &iw, &ih));
    EXPECT_GT(iw, 1) << "the emblem is read again from its file";
  }
  release_backdrop();
  ImGui_ImplSDLRenderer3_Shutdown();
}

INSTANTIATE_TEST_SUITE_P(Renderers, BackdropBothWays, ::testing::Values("software", "window"));

}  // namespace
