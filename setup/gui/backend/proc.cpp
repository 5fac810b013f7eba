#include "backend/proc.h"

#include "backend/run_tree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include "backend/proc_stat.h"

#include <fcntl.h>
#include <poll.h>
#endif

Proc g_info;
Proc g_build;

#ifdef __linux__
// The pipe under SDL's output stream; -1 when SDL does not say.
static int output_fd(SDL_IOStream* io) {
  return io ? (int)SDL_GetNumberProperty(SDL_GetIOProperties(io), SDL_PROP_IOSTREAM_FILE_DESCRIPTOR_NUMBER,
                                         -1)
            : -1;
}
#endif

// Waits until the output has more bytes or `until` (SDL_GetTicksNS) has come; false when
// it cannot tell, so that the caller stops reading for this poll.
static bool wait_for_output(SDL_IOStream* io, Uint64 until) {
#ifdef __linux__
  int fd = output_fd(io);
  if (fd < 0) return false;
  Uint64 now = SDL_GetTicksNS();
  struct pollfd p = {fd, POLLIN, 0};
  int ms = now >= until ? 0 : (int)((until - now + 999999) / 1000000);
  return ::poll(&p, 1, ms) > 0;
#else
  // A Windows pipe cannot be waited on without blocking reads: look again shortly.
  (void)io;
  Uint64 now = SDL_GetTicksNS();
  if (now >= until) return false;
  SDL_DelayNS(std::min<Uint64>(until - now, 250000));
  return true;
#endif
}

// Lets the backend write on while the frame is being drawn. Linux: a larger pipe (64 KiB
// by default; a Windows pipe keeps the size it was made with). Windows: a thread of its own
// reads the pipe, which cannot be waited on.
static void let_backend_write_on(Proc& p) {
#ifdef __linux__
  int fd = output_fd(SDL_GetProcessOutput(p.proc));
  if (fd >= 0) fcntl(fd, F_SETPIPE_SZ, 1 << 20);  // the most an ordinary user may ask for
#elif defined(_WIN32)
  p.reader = start_pipe_reader(win_child_output(p.proc));
#else
  (void)p;
#endif
}

// Windows: the thread reading the pipe is let go of; it ends with the pipe, which a child
// of the backend may still hold.
static void let_go_of_reader(Proc& p) {
#ifdef _WIN32
  if (p.reader) abandon(*p.reader);
  p.reader = nullptr;
#else
  (void)p;
#endif
}

// Back to idle: the handle, the reader and the tree go, and so does the memory a long
// line left behind.
static void release(Proc& p) {
  let_go_of_reader(p);
  release_tree(p);
  // Closes our end of its output; it is not killed.
#ifdef _WIN32
  if (p.proc) win_child_destroy(p.proc);
#else
  if (p.proc) SDL_DestroyProcess(p.proc);
#endif
  p.proc = nullptr;
  p.last_read = 0;
  p.ended_at = 0;
  p.whole_tree = false;
  p.tree_checked_at = 0;
  p.tree_running = false;
}

void let_go(Proc& p) { release(p); }

bool Proc::start(const std::vector<std::string>& args) {
  release(*this);

#ifdef _WIN32
  proc = win_child_start(args, &job);
#else
  std::vector<const char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  SDL_PropertiesID props = SDL_CreateProperties();
  SDL_SetPointerProperty(props, SDL_PROP_PROCESS_CREATE_ARGS_POINTER, (void*)argv.data());
  SDL_SetNumberProperty(props, SDL_PROP_PROCESS_CREATE_STDOUT_NUMBER, SDL_PROCESS_STDIO_APP);
  SDL_SetNumberProperty(props, SDL_PROP_PROCESS_CREATE_STDIN_NUMBER, SDL_PROCESS_STDIO_NULL);
  SDL_SetBooleanProperty(props, SDL_PROP_PROCESS_CREATE_BACKGROUND_BOOLEAN, true);
  proc = SDL_CreateProcessWithProperties(props);
  SDL_DestroyProperties(props);
#endif

  std::string().swap(pending);
  overlong = false;
  if (proc) {
    track_tree(*this);
    let_backend_write_on(*this);
  }
#ifdef _WIN32
  // Its output is read by the reader thread alone: a run that cannot have one is ended.
  if (proc && !reader) {
    win_child_kill(proc);
    release(*this);
    SDL_SetError("the backend's output cannot be read");
  }
#endif
  return proc != nullptr;
}

// SDL follows a background process by asking whether its id is still alive. An exited
// child that nobody has reaped yet (a zombie: in a container whose first process does
// not reap orphans, for ever) still answers, so on Linux its state is read as well.
#ifndef _WIN32
static bool exited_unreaped(ProcHandle process) {
#ifdef __linux__
  Sint64 pid = SDL_GetNumberProperty(SDL_GetProcessProperties(process), SDL_PROP_PROCESS_PID_NUMBER, 0);
  ProcStat s;
  return pid > 0 && read_proc_stat(pid, s) && has_exited(s);
#else
  (void)process;
  return false;
#endif
}
#endif

bool Proc::poll(std::vector<std::string>& out, int* exit_code) {
  if (!proc) return false;
    // Asked before reading, so that everything written before the end is read below.
#ifdef _WIN32
  bool ended = win_child_ended(proc, exit_code);
  SDL_IOStream* io = nullptr;  // the reader thread has the pipe
  const bool readable = reader != nullptr;
#else
  bool ended = SDL_WaitProcess(proc, false, exit_code) || exited_unreaped(proc);
  SDL_IOStream* io = SDL_GetProcessOutput(proc);
  const bool readable = io != nullptr;
#endif
  const Uint64 now = SDL_GetTicksNS();
  if (ended && !ended_at) ended_at = now;
  // However long a child of the backend keeps the pipe open and writing, the end of the
  // backend is not put off for more than a moment.
  const bool drain_over = ended && now - ended_at >= PROC_DRAIN_CAP_NS;

  // Between polls `pending` holds no newline, so only new bytes need searching.
  size_t from = pending.size();
  bool drained = true;
  last_read = 0;
  if (readable) {
    // While the backend keeps writing, reading goes on for a few milliseconds, so that how
    // fast its output is taken in does not hang on the frame rate; a writer that does not
    // pause is cut off by the byte budget and read on in the next poll.
    char chunk[65536];
    const Uint64 until = now + PROC_READ_TIME_NS;
    size_t lines = 0;
    auto full = [&] { return last_read >= PROC_READ_BUDGET || lines >= PROC_LINE_BUDGET; };
    // Appends the next bytes to `pending`; 0 means nothing more for now, the end, or an error.
    auto read_more = [&]() -> size_t {
#ifdef _WIN32
      return take_output(*reader, pending, sizeof chunk);
#else
      size_t n = SDL_ReadIO(io, chunk, sizeof chunk);  // the stream does not block
      pending.append(chunk, n);
      return n;
#endif
    };
    for (;;) {
      size_t round = 0;
      for (size_t n; !full() && (n = read_more()) > 0;) {
        round += n;
        last_read += n;
        const char* end = pending.data() + pending.size();
        for (const char* c = end - n; (c = (const char*)memchr(c, '\n', end - c)); c++) lines++;
      }
      if (full()) {
        drained = false;
        break;
      }
#ifdef _WIN32
      // The thread has read everything there is for now; the frame loop need not wait.
      if (reader) {
        drained = output_drained(*reader, ended_at, PROC_QUIET_NS);
        break;
      }
#endif
      if (ended || SDL_GetTicksNS() >= until) break;
      // Only output in full flow is waited for: a trickle of lines, or a backend that said
      // its piece, costs the frame no wait. In full flow a round that found the pipe empty
      // waits for it to refill, unless the pipe says nothing more will come.
      if (last_read < PROC_FLOW_BYTES) break;
      if (round == 0 && SDL_GetIOStatus(io) != SDL_IO_STATUS_NOT_READY) break;
      if (!wait_for_output(io, until)) break;
    }
  }

  size_t start = 0;
  for (size_t nl; (nl = pending.find('\n', from)) != std::string::npos; start = from = nl + 1) {
    // A line too long to be a message, whole or the end of one outgrown earlier.
    if (overlong || nl - start > PROC_MAX_LINE) {
      overlong = false;
      out.emplace_back(PROC_DROPPED);
      continue;
    }
    if (start == 0 && nl + 1 == pending.size()) {
      // One whole line and nothing after it (a long one, typically): handed over, not copied.
      pending.pop_back();
      out.push_back(std::move(pending));
      pending.clear();
      start = 0;
      break;
    }
    out.emplace_back(pending, start, nl - start);
  }
  pending.erase(0, start);  // once per poll, not once per line
  if (pending.size() > PROC_MAX_LINE) overlong = true;
  if (overlong) std::string().swap(pending);  // what it held is not kept, and nor is its room

  // An ended process whose output is not read to the end yet stays until the next poll,
  // and so does a cancelled run while a process the backend started still works.
  if (!ended) return true;
  if (!drained && !drain_over) return true;
  if (whole_tree && tree_alive(*this)) return true;
  release(*this);
  return false;
}
