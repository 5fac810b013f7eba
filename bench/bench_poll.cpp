// How long one poll_backend call can take when a backend floods it: the longest single
// call while a job prints a burst, reported as the iteration time.
#include "backend/messages.h"
#include "backend/proc.h"
#include "backend/protocol.h"
#include "state/app.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A fake backend that builds its whole output first and then writes it at once.
std::string write_script(const std::string& name, const std::string& body) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarnwell-bench";
  std::filesystem::create_directories(dir);
  std::string path = (dir / name).string();
  std::ofstream(path) << "import sys\nout = sys.stdout.buffer\n" << body << "out.flush()\n";
  return path;
}

const char* BURST =
    "data = b''.join(b'{\"type\":\"log\",\"line\":\"compiling unit %d of 100000\"}\\n' % i for i in "
    "range(100000))\n"
    "out.write(data + b'{\"type\":\"end\",\"result\":\"ok\",\"play\":\"p\"}\\n')\n";
const char* LONG_MESSAGE =
    "out.write(b'{\"type\":\"log\",\"line\":\"' + b'x' * 3000000 + b'\"}\\n')\n"
    "out.write(b'{\"type\":\"end\",\"result\":\"ok\",\"play\":\"p\"}\\n')\n";
const char* LONG_RAW =
    "out.write(b'y' * 3000000 + b'\\n')\n"
    "out.write(b'{\"type\":\"end\",\"result\":\"ok\",\"play\":\"p\"}\\n')\n";

// Runs the job to its end, polling every `pause_ms` (16 is one frame at 60 Hz), and
// reports the longest single poll_backend call.
void run_job(benchmark::State& state, const char* body, const char* name) {
  std::string script = write_script(name, body);
  int pause_ms = (int)state.range(0);
  double longest_total = 0, polls_total = 0;
  for (auto _ : state) {
    A = App();
    start_run({"python3", script});
    if (A.view != 1) {
      state.SkipWithError("python3 did not start");
      return;
    }
    double longest = 0;
    int polls = 0;
    while (g_build.proc) {
      auto t0 = Clock::now();
      poll_backend();
      double s = std::chrono::duration<double>(Clock::now() - t0).count();
      longest = std::max(longest, s);
      polls++;
      if (pause_ms) SDL_Delay((Uint32)pause_ms);
    }
    if (A.view != 3) state.SkipWithError("the job did not end with ok");
    state.SetIterationTime(longest);
    longest_total += longest;
    polls_total += polls;
  }
  state.counters["longest_ms"] = benchmark::Counter(longest_total * 1000 / (double)state.iterations());
  state.counters["polls"] = benchmark::Counter(polls_total / (double)state.iterations());
  state.counters["log_lines"] = benchmark::Counter((double)A.log.size());
}

void BM_PollBurstOf100000LogMessages(benchmark::State& state) { run_job(state, BURST, "burst.py"); }
void BM_PollThreeMegabyteLogMessage(benchmark::State& state) { run_job(state, LONG_MESSAGE, "long.py"); }
void BM_PollThreeMegabyteRawLine(benchmark::State& state) { run_job(state, LONG_RAW, "raw.py"); }

BENCHMARK(BM_PollBurstOf100000LogMessages)->Arg(0)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollThreeMegabyteLogMessage)->Arg(0)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollThreeMegabyteRawLine)->Arg(0)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond);

// A backend that trickles: one 70-byte line every 100 ms, polled once a frame. The mean
// and the longest of the polls that took a line in; none should wait for more.
void BM_PollTrickle(benchmark::State& state) {
  std::string script = write_script(
      "trickle.py",
      "import time\n"
      "for i in range(30):\n"
      "    out.write(b'{\"type\":\"log\",\"line\":\"%s\"}\\n' % (b'compiling ' * 4 + b'%02d' % i))\n"
      "    out.flush(); time.sleep(0.1)\n"
      "out.write(b'{\"type\":\"end\",\"result\":\"ok\",\"play\":\"p\"}\\n')\n");
  double sum = 0, longest = 0;
  int reads = 0;
  for (auto _ : state) {
    A = App();
    start_run({"python3", script});
    while (g_build.proc) {
      size_t before = A.log.size();
      auto t0 = Clock::now();
      poll_backend();
      double s = std::chrono::duration<double>(Clock::now() - t0).count();
      if (A.log.size() != before) {
        sum += s;
        longest = std::max(longest, s);
        reads++;
      }
      SDL_Delay(16);
    }
    state.SetIterationTime(reads ? sum / reads : 0);
  }
  state.counters["mean_ms"] = benchmark::Counter(reads ? sum * 1000 / reads : 0);
  state.counters["longest_ms"] = benchmark::Counter(longest * 1000);
  state.counters["lines"] = benchmark::Counter(reads);
}
BENCHMARK(BM_PollTrickle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The worst case that no pipe delivers in practice: all 100,000 messages in one call.
void BM_ApplyBurstInOneCall(benchmark::State& state) {
  std::vector<std::string> burst;
  for (int i = 0; i < 100000; i++)
    burst.push_back("{\"type\":\"log\",\"line\":\"compiling unit " + std::to_string(i) + " of 100000\"}");
  for (auto _ : state) {
    state.PauseTiming();
    A = App();
    std::vector<std::string> lines = burst;
    state.ResumeTiming();
    apply_job_lines(lines);
  }
  state.counters["log_lines"] = benchmark::Counter((double)A.log.size());
}
BENCHMARK(BM_ApplyBurstInOneCall)->Unit(benchmark::kMillisecond);

}  // namespace
