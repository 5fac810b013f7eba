#include "backend/proc.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef __linux__
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

// A larger pipe lets a backend write on while the frame is being drawn (64 KiB by default
// on Linux; Windows pipes keep the size they were made with).
static void widen_pipe(SDL_Process* process) {
#ifdef __linux__
  int fd = output_fd(SDL_GetProcessOutput(process));
  if (fd >= 0) fcntl(fd, F_SETPIPE_SZ, 1 << 20);  // the most an ordinary user may ask for
#else
  (void)process;
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

bool Proc::start(const std::vector<std::string>& args) {
  let_go_of_reader(*this);
  if (proc) SDL_DestroyProcess(proc);  // closes our end of its output; it is not killed
  proc = nullptr;

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

  pending.clear();
  overlong = false;
  last_read = 0;
  if (proc) widen_pipe(proc);
#ifdef _WIN32
  if (proc) reader = start_pipe_reader(proc);
#endif
  return proc != nullptr;
}

// SDL follows a background process by asking whether its id is still alive. An exited
// child that nobody has reaped yet (a zombie: in a container whose first process does
// not reap orphans, for ever) still answers, so on Linux its state is read as well.
static bool exited_unreaped(SDL_Process* process) {
#ifdef __linux__
  Sint64 pid = SDL_GetNumberProperty(SDL_GetProcessProperties(process), SDL_PROP_PROCESS_PID_NUMBER, 0);
  if (pid <= 0) return false;
  char path[64];
  snprintf(path, sizeof path, "/proc/%lld/stat", (long long)pid);
  FILE* f = fopen(path, "r");
  if (!f) return false;
  char stat[512];
  size_t n = fread(stat, 1, sizeof stat - 1, f);
  fclose(f);
  stat[n] = 0;
  // "pid (name) S ...": the name may hold spaces and parentheses, the state follows the last ')'.
  const char* close = strrchr(stat, ')');
  return close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
#else
  (void)process;
  return false;
#endif
}

bool Proc::poll(std::vector<std::string>& out, int* exit_code) {
  if (!proc) return false;
  // Asked before reading, so that everything written before the end is read below.
  bool ended = SDL_WaitProcess(proc, false, exit_code) || exited_unreaped(proc);

  // Between polls `pending` holds no newline, so only new bytes need searching.
  size_t from = pending.size();
  bool drained = true;
  last_read = 0;
  if (SDL_IOStream* io = SDL_GetProcessOutput(proc)) {
    // While the backend keeps writing, reading goes on for a few milliseconds, so that how
    // fast its output is taken in does not hang on the frame rate; a writer that does not
    // pause is cut off by the byte budget and read on in the next poll.
    char chunk[65536];
    const Uint64 until = SDL_GetTicksNS() + PROC_READ_TIME_NS;
    size_t lines = 0;
    auto full = [&] { return last_read >= PROC_READ_BUDGET || lines >= PROC_LINE_BUDGET; };
    // Appends the next bytes to `pending`; 0 means nothing more for now, the end, or an error.
    auto read_more = [&]() -> size_t {
#ifdef _WIN32
      if (reader) return take_output(*reader, pending, sizeof chunk);
#endif
      size_t n = SDL_ReadIO(io, chunk, sizeof chunk);  // the stream does not block
      pending.append(chunk, n);
      return n;
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
        drained = output_drained(*reader, ended, PROC_QUIET_NS);
        break;
      }
#endif
      if (ended || SDL_GetTicksNS() >= until) break;
      // Nothing in this round: the end of the output, a backend that said its piece, or (a
      // Windows pipe, which cannot be waited on) a writer in full flow that has not refilled
      // the pipe yet; only the last is waited for.
      if (round == 0 && (last_read < PROC_FLOW_BYTES || SDL_GetIOStatus(io) != SDL_IO_STATUS_NOT_READY))
        break;
      if (!wait_for_output(io, until)) break;
    }
  }

  size_t start = 0;
  for (size_t nl; (nl = pending.find('\n', from)) != std::string::npos; start = from = nl + 1) {
    if (!overlong && start == 0 && nl + 1 == pending.size()) {
      // One whole line and nothing after it (a long one, typically): handed over, not copied.
      pending.pop_back();
      out.push_back(std::move(pending));
      pending.clear();
      break;
    }
    if (overlong) {
      overlong = false;  // the end of a line that was too long to keep
      out.emplace_back(PROC_DROPPED);
    } else
      out.emplace_back(pending, start, nl - start);
  }
  pending.erase(0, start);  // once per poll, not once per line
  if (pending.size() > PROC_MAX_LINE) overlong = true;
  if (overlong) pending.clear();

  // An ended process whose output is not read to the end yet stays until the next poll.
  if (!ended || !drained) return true;
  let_go_of_reader(*this);
  SDL_DestroyProcess(proc);
  proc = nullptr;
  return false;
}
