// How long the browser takes to list a folder of 20,000 entries, and to enter it (the
// listing, the rows and the game-copy check of the rows in sight).
#include "backend/app.h"
#include "screens/browser.h"
#include "widgets/listing.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

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
  for (auto _ : state) browse_to(dir);
  state.counters["rows"] = benchmark::Counter((double)g_browser.rows.size());
}
BENCHMARK(BM_EnterFolderOf20000)->Unit(benchmark::kMillisecond);

}  // namespace
