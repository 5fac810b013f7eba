// Windows: a thread of its own that reads a backend's output pipe.
//
// A Windows pipe cannot be waited on, and the one SDL makes for a child's output holds a
// few kilobytes: read only from the frame loop, a backend in full flow spends most of its
// time blocked in its writes. The thread blocks in its reads instead and keeps what it read
// until a poll takes it, so the backend writes on at the pipe's own speed between frames.
#pragma once

#include <SDL3/SDL.h>

// Whether the output of a process that ended at `ended_at` (SDL_GetTicksNS; 0 while it
// runs) has been quiet for `quiet_ns` at `now`. The count starts no earlier than the end:
// the last line a long-quiet backend wrote just before it ended may not have reached the
// reading thread yet when the end is seen.
inline bool quiet_since_end(Uint64 now, Uint64 last_output_ns, Uint64 ended_at, Uint64 quiet_ns) {
  Uint64 from = last_output_ns > ended_at ? last_output_ns : ended_at;
  return ended_at && now >= from && now - from >= quiet_ns;
}

#ifdef _WIN32
#include <cstddef>
#include <memory>
#include <string>

struct PipeReader;

// Starts reading the output pipe `pipe` (a HANDLE, which stays the caller's); null when
// no thread can read it.
std::shared_ptr<PipeReader> start_pipe_reader(void* pipe);
// Appends up to `cap` bytes of what was read to `into`; 0 when there is nothing for now.
size_t take_output(PipeReader& r, std::string& into, size_t cap);
// True once all of the output has been taken: the pipe was closed by its writers, or, for
// a process that has ended (at `ended_at`, 0 while it runs), nothing more came for
// `quiet_ns` (a child of the backend may hold the pipe open after it). Never waits.
bool output_drained(PipeReader& r, Uint64 ended_at, Uint64 quiet_ns);
// The output is no longer wanted: what was kept is freed, the thread drops what it reads
// from now on, and ends with the pipe.
void abandon(PipeReader& r);
#endif
