// One backend child process and the unfinished tail of its output.
#pragma once

#include "backend/pipe_reader.h"

#include <SDL3/SDL.h>

#include <cstddef>
#include <string>
#include <vector>

// A Proc is idle (no `proc`), running, or ended but not yet drained: the process has
// exited but a poll cut short by PROC_READ_BUDGET left output in the pipe, so `proc`
// stays set until a poll has read it all.
struct Proc {
  SDL_Process* proc = nullptr;  // non-null while the run is alive
  std::string pending;          // output not yet followed by a newline
  bool overlong = false;        // the unfinished line outgrew PROC_MAX_LINE and is being skipped
  size_t last_read = 0;         // bytes the last poll read
#ifdef _WIN32
  std::shared_ptr<PipeReader> reader;  // reads the output pipe between polls
#endif

  // Starts args[0] with the rest as its arguments (no shell, no quoting added). A handle
  // still held from an earlier run is released first; that process is no longer read.
  bool start(const std::vector<std::string>& args);
  // Appends every complete output line to `out`; true while the process runs.
  bool poll(std::vector<std::string>& out, int* exit_code);
};

// One poll reads at most this many bytes or lines, so that a backend writing without pause
// cannot hold the frame loop: what one poll reads is parsed and applied in the same frame,
// at about a microsecond a line. Whatever is left is read by the next poll.
constexpr size_t PROC_READ_BUDGET = 8u << 20;
constexpr size_t PROC_LINE_BUDGET = 10000;
// While output keeps coming, one poll goes on reading for at most this long.
constexpr Uint64 PROC_READ_TIME_NS = 4000000;
// A poll that has read this much (a Windows pipe's worth) has met a writer in full flow,
// which it waits for even when a round finds the pipe empty for a moment.
constexpr size_t PROC_FLOW_BYTES = 4096;
// Windows: once the process has ended, output still to come is waited for this long; a
// pipe that a child of the backend holds open gives no end of its own.
constexpr Uint64 PROC_QUIET_NS = 20000000;
// A line longer than this is no message; its bytes are dropped up to its newline instead
// of growing `pending` without end, and PROC_DROPPED stands in its place.
constexpr size_t PROC_MAX_LINE = 64u << 20;
constexpr const char* PROC_DROPPED = "(a line of more than 64 MiB from the backend was dropped)";

extern Proc g_info;   // the info query
extern Proc g_build;  // the build job (or the installation of build tools)
