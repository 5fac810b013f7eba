// How long the browser takes to list a folder of 20,000 entries, to enter it (asked off
// the frame thread, until its rows are in), and what entering costs the frame thread.
#include "screens/browser.h"
#include "state/app.h"
#include "widgets/listing.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string big_folder() {
  static std::string dir;
  if (!dir.empty()) return dir;
  dir = (std::filesystem::temp_directory_path() / "tarnwell-bench-20000").string();
  std::filesystem::create_directories(dir);
  for (int i = 0; i < 20000; i++) {
    std::string name = dir + "/entry " + std::to_string(i) + (i % 4 ? ".nup" : ".txt");
    if (i % 10 == 0)
      std::filesystem::create_directories(dir + "/folder " + std::to_string(i));
    else if (!std::filesystem::exists(name))
      std::ofstream(name) << "x";
  }
  return dir;
}

void BM_ListFolderOf20000(benchmark::State& state) {
  std::string dir = big_folder();
  size_t n = 0;
  for (auto _ : state) n = list_folder(dir, Pick::GAME, state.range(0) != 0).entries.size();
  state.counters["entries"] = benchmark::Counter((double)n);
}
BENCHMARK(BM_ListFolderOf20000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EnterFolderOf20000(benchmark::State& state) {
  std::string dir = big_folder();
  g_browser.pick = Pick::GAME;
  g_browser.open = true;
  for (auto _ : state) {
    browse_to(dir);
    while (!browser_take_answers()) std::this_thread::yield();
  }
  state.counters["rows"] = benchmark::Counter((double)g_browser.rows.size());
}
BENCHMARK(BM_EnterFolderOf20000)->Unit(benchmark::kMillisecond);

// What a frame pays for entering the folder: the question asked, and a look for its answer.
void BM_FrameThreadOfEntering(benchmark::State& state) {
  std::string dir = big_folder();
  g_browser.pick = Pick::GAME;
  g_browser.open = true;
  for (auto _ : state) {
    browse_to(dir);
    benchmark::DoNotOptimize(browser_take_answers());
  }
}
BENCHMARK(BM_FrameThreadOfEntering)->Unit(benchmark::kMicrosecond);

}  // namespace
