#include "backend/pipe_reader.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

// Kept while a poll has not taken it; the thread waits for room beyond this, so that a
// backend faster than the frame loop is held back by its pipe as before.
static const size_t PIPE_READER_KEEP = 8u << 20;

struct PipeReader {
  HANDLE pipe = INVALID_HANDLE_VALUE;  // our own handle on the pipe, in blocking mode
  SDL_Mutex* lock = SDL_CreateMutex();
  SDL_Condition* changed = SDL_CreateCondition();  // more output, the end, room, abandoned
  std::string kept;                                // read; taken up to `head`
  size_t head = 0;
  Uint64 last_output_ns = SDL_GetTicksNS();  // when the thread last read anything
  bool closed = false;                       // the pipe has given all it will
  bool abandoned = false;

  ~PipeReader() {
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    SDL_DestroyCondition(changed);
    SDL_DestroyMutex(lock);
  }
};

static int SDLCALL read_pipe(void* data) {
  // The thread holds a share of the reader, so it outlives an abandoned Proc.
  std::shared_ptr<PipeReader>* mine = (std::shared_ptr<PipeReader>*)data;
  PipeReader& r = **mine;
  char chunk[65536];
  for (;;) {
    SDL_LockMutex(r.lock);
    while (!r.abandoned && r.kept.size() - r.head >= PIPE_READER_KEEP) SDL_WaitCondition(r.changed, r.lock);
    SDL_UnlockMutex(r.lock);
    DWORD n = 0;
    // Only a failed read (a broken pipe) is the end: a zero-length write by the backend
    // reads as zero bytes and the pipe goes on.
    bool ok = ReadFile(r.pipe, chunk, sizeof chunk, &n, nullptr);
    if (ok && n == 0) continue;
    SDL_LockMutex(r.lock);
    if (ok && !r.abandoned) {
      if (r.head > r.kept.size() / 2) r.kept.erase(0, r.head), r.head = 0;  // linear over all
      r.kept.append(chunk, n);
      r.last_output_ns = SDL_GetTicksNS();
    }
    if (!ok) r.closed = true;
    SDL_BroadcastCondition(r.changed);
    SDL_UnlockMutex(r.lock);
    if (!ok) break;
  }
  delete mine;
  return 0;
}

std::shared_ptr<PipeReader> start_pipe_reader(void* pipe) {
  auto r = std::make_shared<PipeReader>();
  if (!pipe || !r->lock || !r->changed ||
      !DuplicateHandle(GetCurrentProcess(), (HANDLE)pipe, GetCurrentProcess(), &r->pipe, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return nullptr;
  // The thread waits in its reads. From now on only the thread reads the pipe.
  DWORD mode = PIPE_WAIT;
  if (!SetNamedPipeHandleState(r->pipe, &mode, nullptr, nullptr)) return nullptr;
  auto* share = new std::shared_ptr<PipeReader>(r);
  SDL_Thread* thread = SDL_CreateThread(read_pipe, "backend output", share);
  if (!thread) {
    delete share;
    mode = PIPE_NOWAIT;
    SetNamedPipeHandleState(r->pipe, &mode, nullptr, nullptr);
    return nullptr;
  }
  SDL_DetachThread(thread);
  return r;
}

size_t take_output(PipeReader& r, std::string& into, size_t cap) {
  SDL_LockMutex(r.lock);
  size_t n = r.kept.size() - r.head < cap ? r.kept.size() - r.head : cap;
  into.append(r.kept, r.head, n);
  r.head += n;
  if (r.head == r.kept.size()) r.kept.clear(), r.head = 0;
  if (n) SDL_BroadcastCondition(r.changed);
  SDL_UnlockMutex(r.lock);
  return n;
}

bool output_drained(PipeReader& r, Uint64 ended_at, Uint64 quiet_ns) {
  SDL_LockMutex(r.lock);
  bool quiet = quiet_since_end(SDL_GetTicksNS(), r.last_output_ns, ended_at, quiet_ns);
  bool drained = r.kept.size() == r.head && (r.closed || quiet);
  SDL_UnlockMutex(r.lock);
  return drained;
}

void abandon(PipeReader& r) {
  SDL_LockMutex(r.lock);
  r.abandoned = true;
  std::string().swap(r.kept);  // clear() would keep its room, up to PIPE_READER_KEEP
  r.head = 0;
  SDL_BroadcastCondition(r.changed);
  SDL_UnlockMutex(r.lock);
}
#endif
