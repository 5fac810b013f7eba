// The cost of one frame's backdrop draw list at two window sizes, and of one font rebuild.
#include "gui_frame.h"
#include "look/backdrop.h"
#include "look/theme.h"
#include "state/app.h"
#include "widgets/widgets.h"

#include <benchmark/benchmark.h>
#include <imgui.h>


namespace {

// A busy picture: a build halfway through with its running arc, the glow up and a flash
// still fading, so that every layer is drawn.
void busy_app() {
  A.steps.assign(13, StepRow());
  for (int i = 0; i < 6; i++) A.steps[i].state = 2;
  A.steps[6].state = 1;
  A.shown_step = 0.6f;
  A.glow = 0.6f;
  A.flash = 0.3f;
}

void BM_BackdropFrame(benchmark::State& state) {
  float W = (float)state.range(0), H = (float)state.range(1);
  float U = ui_scale((int)W, (int)H);
  GuiContext gui(U, TARNWELL_SOURCE_DIR, W, H);
  busy_app();
  ImGui::NewFrame();
  ImDrawList* dl = ImGui::GetBackgroundDrawList();
  float t = 10;
  for (auto _ : state) {
    dl->_ResetForNewFrame();  // what NewFrame does to the list
    draw_backdrop(W, H, U, t);
    t += 1.0f / 60.0f;
    benchmark::DoNotOptimize(dl->VtxBuffer.Data);
  }
  state.counters["vertices"] = (double)dl->VtxBuffer.Size;
  state.counters["indices"] = (double)dl->IdxBuffer.Size;
  ImGui::EndFrame();
}
BENCHMARK(BM_BackdropFrame)->Args({1620, 1080})->Args({2560, 1440})->Unit(benchmark::kMicrosecond);

// update_fonts alone: clearing the atlas and adding the six fonts from their files.
void BM_FontRebuild(benchmark::State& state) {
  GuiContext gui;
  bool small = false;
  for (auto _ : state) {
    small = !small;
    update_fonts(small ? 0.5f : 1.0f);
  }
}
BENCHMARK(BM_FontRebuild)->Unit(benchmark::kMicrosecond);

// A rebuild and the frame after it, which lays out a line of text in every font, so that
// the glyphs the screens use are rasterised again at the new sizes.
void BM_FontRebuildAndFirstText(benchmark::State& state) {
  GuiContext gui;
  bool small = false;
  const char* line = "Tarnwell Setup: Build the game 0123456789 % ...";
  for (auto _ : state) {
    small = !small;
    update_fonts(small ? 0.5f : 1.0f);
    ImGui::NewFrame();
    for (const Font& font : {F_ROW, F_TITLE, F_HEAD, F_BODY, F_SMALL, F_MONO}) {
      push_font(font);
      benchmark::DoNotOptimize(ImGui::CalcTextSize(line));
      ImGui::PopFont();
    }
    ImGui::EndFrame();
  }
}
BENCHMARK(BM_FontRebuildAndFirstText)->Unit(benchmark::kMicrosecond);

}  // namespace
