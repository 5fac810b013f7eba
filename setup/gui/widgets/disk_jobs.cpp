#include "widgets/disk_jobs.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace {

struct Job {
  DiskWork work;
  DiskAnswer answer;
  uint64_t ticket = 0;
  std::atomic<bool> done{false};
  SDL_Thread* thread = nullptr;  // joined once done: SDL 3.2 loses the record of a thread
                                 // detached after it has ended
};

// A question unanswered after this long is taken for stuck (a hung mount): the next one
// starts on a thread of its own rather than wait behind it.
const Uint64 STUCK_MS = 1000;

// Main thread only. A worker thread touches nothing but its own Job, which it co-owns, so
// that one still blocked in the system when Setup ends writes into nothing that is gone.
std::shared_ptr<Job> g_running;  // the question being worked on
std::shared_ptr<Job> g_waiting;  // the newest question, not started yet
std::shared_ptr<Job> g_answered;
std::vector<std::shared_ptr<Job>> g_left;  // questions given up on, joined once they end
uint64_t g_last_ticket = 0;
Uint64 g_started_at = 0;

int SDLCALL run(void* data) {
  std::shared_ptr<Job>* held = (std::shared_ptr<Job>*)data;
  std::shared_ptr<Job> job = std::move(*held);
  delete held;
  job->work(job->answer);
  job->done = true;
  return 0;
}

void start(std::shared_ptr<Job> job) {
  if (g_running) g_left.push_back(std::move(g_running));  // stuck: it goes on by itself
  g_running = job;
  g_started_at = SDL_GetTicks();
  auto* held = new std::shared_ptr<Job>(job);
  job->thread = SDL_CreateThread(run, "disk", held);
  if (job->thread) return;
  delete held;
  job->answer.why = SDL_GetError();
  job->done = true;
}

// Joins a finished question's thread, which has only its return left to do.
bool joined(const std::shared_ptr<Job>& job) {
  if (!job->done) return false;
  if (job->thread) SDL_WaitThread(job->thread, nullptr);
  job->thread = nullptr;
  return true;
}

// Moves a finished question on and starts the waiting one.
void pump() {
  if (g_running && joined(g_running)) {
    if (g_running->ticket == g_last_ticket) g_answered = g_running;
    g_running = nullptr;
  }
  g_left.erase(std::remove_if(g_left.begin(), g_left.end(), joined), g_left.end());
  if (g_waiting && (!g_running || SDL_GetTicks() - g_started_at > STUCK_MS)) {
    start(std::move(g_waiting));
    g_waiting = nullptr;
  }
}

}  // namespace

uint64_t disk_ask(DiskWork work) {
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  job->ticket = ++g_last_ticket;
  g_waiting = job;  // replaces a question not started yet
  g_answered = nullptr;
  pump();
  return job->ticket;
}

bool disk_take(uint64_t ticket, DiskAnswer& out) {
  pump();
  if (!g_answered || g_answered->ticket != ticket) return false;
  out = std::move(g_answered->answer);
  g_answered = nullptr;
  return true;
}

void disk_forget() {
  g_last_ticket++;
  g_waiting = nullptr;
  g_answered = nullptr;
}
