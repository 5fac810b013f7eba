#include "backend/proc.h"

#include <cstdio>
#include <cstring>

Proc g_info;
Proc g_build;

bool Proc::start(const std::vector<std::string>& args) {
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
  if (SDL_IOStream* io = SDL_GetProcessOutput(proc)) {
    char chunk[8192];
    size_t total = 0;
    for (;;) {
      // The stream does not block: 0 means nothing more for now, the end, or an error.
      size_t n = SDL_ReadIO(io, chunk, sizeof chunk);
      if (n == 0) break;
      pending.append(chunk, n);
      total += n;
      if (total >= PROC_READ_BUDGET) {
        drained = false;
        break;
      }
    }
  }

  size_t start = 0;
  for (size_t nl; (nl = pending.find('\n', from)) != std::string::npos; start = from = nl + 1) {
    if (overlong)
      overlong = false;  // the end of a line that was too long to keep
    else
      out.emplace_back(pending, start, nl - start);
  }
  pending.erase(0, start);  // once per poll, not once per line
  if (pending.size() > PROC_MAX_LINE) overlong = true;
  if (overlong) pending.clear();

  // An ended process whose output is not read to the end yet stays until the next poll.
  if (!ended || !drained) return true;
  SDL_DestroyProcess(proc);
  proc = nullptr;
  return false;
}
