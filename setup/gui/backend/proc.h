// One backend child process and the unfinished tail of its output.
#pragma once

#include "backend/pipe_reader.h"
#include "backend/win_child.h"

#include <SDL3/SDL.h>

#include <cstddef>
#include <string>
#include <vector>

// A Proc is idle (no `proc`), running, or ended but not yet drained: the process has
// exited but a poll cut short by PROC_READ_BUDGET left output in the pipe (or, after a
// Cancel, a process the backend started still runs), so `proc` stays set until a poll has
// seen the whole run end.
#ifdef _WIN32
using ProcHandle = WinChild*;  // started suspended, so that it joins its job before it runs
#else
using ProcHandle = SDL_Process*;
#endif

struct Proc {
  ProcHandle proc = nullptr;  // non-null while the run is alive
  std::string pending;        // output not yet followed by a newline
  bool overlong = false;      // the unfinished line outgrew PROC_MAX_LINE and is being skipped
  size_t last_read = 0;       // bytes the last poll read; 0 once the run is released
  Uint64 ended_at = 0;        // SDL_GetTicksNS when the process's end was first seen
  // Set after a Cancel: the run ends only once every process it started has ended, so
  // that a package manager the backend left behind is not run a second time beside itself.
  bool whole_tree = false;
  Uint64 tree_checked_at = 0;  // when the processes the backend started were last looked for
  bool tree_running = false;   // what that look found
#ifdef _WIN32
  std::shared_ptr<PipeReader> reader;  // reads the output pipe between polls
  void* job = nullptr;                 // the job object that holds the backend and its children
#else
  long long group = 0;  // the process group of the backend and its children
  int pidfd = -1;       // Linux: the backend itself, whatever else takes its id after it is reaped
#endif

  // Starts args[0] with the rest as its arguments (no shell, no quoting added). A handle
  // still held from an earlier run is released first; that process is no longer read.
  bool start(const std::vector<std::string>& args);
  // Appends every complete output line to `out`; true while the process runs.
  bool poll(std::vector<std::string>& out, int* exit_code);
};

// Releases the run at once, whatever of it may still run or write: nothing of it is read,
// followed or stopped any more, and the next poll finds the Proc idle.
void let_go(Proc& p);

// True while the run is taking output in full flow, so that a resting frame loop should
// look again soon rather than sleep its full turn.
inline bool streaming(const Proc& p) { return p.proc && p.last_read > 0; }

// One poll reads at most this many bytes or lines, so that a backend writing without pause
// cannot hold the frame loop: what one poll reads is parsed and applied in the same frame,
// at about a microsecond a line. Whatever is left is read by the next poll.
constexpr size_t PROC_READ_BUDGET = 8u << 20;
constexpr size_t PROC_LINE_BUDGET = 10000;
// While output keeps coming, one poll goes on reading for at most this long.
constexpr Uint64 PROC_READ_TIME_NS = 4000000;
// A poll that has read this much (a Windows pipe's worth) has met a writer in full flow,
// the only one worth waiting for: a trickle of lines is taken as it comes, at no wait.
constexpr size_t PROC_FLOW_BYTES = 4096;
// Windows: once the process has ended, the output counts as drained after this long with
// nothing new, counted from the end at the earliest (quiet_since_end); a pipe that a child
// of the backend holds open gives no end of its own.
constexpr Uint64 PROC_QUIET_NS = 20000000;
// However much a child of the backend goes on writing, the output of an ended backend is
// read for at most this long.
constexpr Uint64 PROC_DRAIN_CAP_NS = 2000000000;
// A line longer than this is far beyond any message; its bytes are dropped up to its
// newline instead of being kept and parsed, and PROC_DROPPED stands in its place.
constexpr size_t PROC_MAX_LINE = 4u << 20;
constexpr const char* PROC_DROPPED = "(a line of more than 4 MiB from the backend was dropped)";

extern Proc g_info;   // the info query
extern Proc g_build;  // the build job (or the installation of build tools)
