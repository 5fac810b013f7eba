// What wrapping a long text costs: a 10 kB log line in words, as one word, and in Hebrew
// words, broken into lines at the column's width in the monospaced face, against Dear
// ImGui's own wrapping of the same bytes (which neither reorders nor shapes lines); and a
// still frame's paragraph, laid out before, drawn again.
#include "gui_frame.h"
#include "widgets/paragraph.h"
#include "widgets/widgets.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string long_line(int kind) {
  std::string text;
  const char* hebrew[] = {"הבנייה ", "נעצרה ", "כי ", "הקובץ ", "אינו ", "שלם "};
  for (int i = 0; text.size() < 10240; i++)
    text += kind == 0 ? "word" + std::to_string(i % 97) + " " : kind == 1 ? "x" : hebrew[i % 6];
  return text;
}

const char* const KINDS[] = {"words", "one word", "Hebrew words"};

void BM_WrapTenKilobytes(benchmark::State& state) {
  GuiContext gui;
  ImGui::NewFrame();
  push_font(F_MONO);
  const std::string text = long_line((int)state.range(0));
  size_t lines = 0;
  auto measure = [](const std::string& piece) { return ImGui::CalcTextSize(shown_text(piece).c_str()).x; };
  for (auto _ : state) lines = wrap_lines(text, 540, measure).size();
  state.counters["lines"] = benchmark::Counter((double)lines);
  state.SetLabel(KINDS[state.range(0)]);
  ImGui::PopFont();
  ImGui::EndFrame();
}
BENCHMARK(BM_WrapTenKilobytes)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_ImGuiWrapTenKilobytes(benchmark::State& state) {
  GuiContext gui;
  ImGui::NewFrame();
  push_font(F_MONO);
  const std::string text = long_line((int)state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(ImGui::CalcTextSize(text.c_str(), text.c_str() + text.size(), false, 540));
  state.SetLabel(KINDS[state.range(0)]);
  ImGui::PopFont();
  ImGui::EndFrame();
}
BENCHMARK(BM_ImGuiWrapTenKilobytes)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_DrawLaidOutTenKilobytes(benchmark::State& state) {
  GuiContext gui;
  ImGui::NewFrame();
  push_font(F_MONO);
  const std::string text = long_line((int)state.range(0));
  ImDrawList dl(ImGui::GetDrawListSharedData());
  for (auto _ : state) {
    dl._ResetForNewFrame();
    dl.PushClipRectFullScreen();
    draw_paragraph(&dl, ImVec2(0, 0), text, 540, 0xFFFFFFFF);
  }
  state.SetLabel(KINDS[state.range(0)]);
  ImGui::PopFont();
  ImGui::EndFrame();
}
BENCHMARK(BM_DrawLaidOutTenKilobytes)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
