#include "widgets/disk_jobs.h"

#include "text/language.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

namespace {

struct Job {
  DiskWork work;
  DiskAnswer answer;
  uint64_t ticket = 0;
  std::string about;
  Uint32 delay_ms = 0;  // tests: the work waits this long first, as on a slow mount
  std::atomic<bool> done{false};
  SDL_Thread* thread = nullptr;  // joined once done: SDL 3.2 loses the record of a thread
                                 // detached after it has ended
  // Main thread only.
  bool wanted = true;   // its answer is still waited for
  std::string hung_as;  // what its hang is remembered as, until it comes back
};

// Main thread only. A worker thread touches nothing but its own Job, which it co-owns, so
// that one still blocked in the system when Setup ends writes into nothing that is gone.
std::shared_ptr<Job> g_running;  // the question being worked on
Uint64 g_started_at = 0;
std::deque<std::shared_ptr<Job>> g_waiting;    // asked, not started yet, in order
std::vector<std::shared_ptr<Job>> g_answered;  // answered, not taken yet
std::vector<std::shared_ptr<Job>> g_left;      // stuck, joined once they end
std::vector<std::string> g_not_responding;     // one entry per stuck question
uint64_t g_last_ticket = 0;
bool g_came_in = false;  // an answer came in since disk_tend last looked

// Tests hold every question about a path this many milliseconds, as a slow or hung
// network mount would.
Uint32 test_delay_ms() {
  const char* ms = getenv("TARNWELL_TEST_LISTING_DELAY_MS");
  return ms ? (Uint32)atoi(ms) : 0;
}

int SDLCALL run(void* data) {
  std::shared_ptr<Job>* held = (std::shared_ptr<Job>*)data;
  std::shared_ptr<Job> job = std::move(*held);
  delete held;
  if (job->delay_ms) SDL_Delay(job->delay_ms);
  job->work(job->answer);
  job->done = true;
  return 0;
}

void deliver(const std::shared_ptr<Job>& job) {
  if (!job->wanted) return;
  job->wanted = false;
  g_answered.push_back(job);
  g_came_in = true;
}

// Answered without the disk: what it is about does not respond.
void deliver_not_responding(const std::shared_ptr<Job>& job) {
  if (!job->wanted) return;
  auto answered = std::make_shared<Job>();
  answered->ticket = job->ticket;
  answered->answer.folder = job->about;
  answered->answer.why = tr("not responding");
  answered->answer.hung = true;
  deliver(answered);
  job->wanted = false;
}

bool not_responding(const std::string& about) {
  if (about.empty()) return false;
  for (const std::string& hung : g_not_responding)
    if (path_within(about, hung)) return true;
  return false;
}

void start(std::shared_ptr<Job> job) {
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

// The running question is stuck: what it is about is remembered as not responding and
// its asker told so. True when that is new.
bool remember_stuck() {
  Job& job = *g_running;
  if (!job.hung_as.empty() || job.about.empty()) return false;
  job.hung_as = hang_key(job.about);
  g_not_responding.push_back(job.hung_as);
  deliver_not_responding(g_running);
  return true;
}

void pump() {
  if (g_running && joined(g_running)) {
    deliver(g_running);
    if (!g_running->hung_as.empty()) g_left.push_back(g_running);  // forgotten below
    g_running = nullptr;
  }
  // A stuck question that came back: its path responds again. Its answer, if still wanted,
  // is given.
  for (auto it = g_left.begin(); it != g_left.end();) {
    if (!joined(*it)) {
      ++it;
      continue;
    }
    deliver(*it);
    auto hung = std::find(g_not_responding.begin(), g_not_responding.end(), (*it)->hung_as);
    if (hung != g_not_responding.end()) g_not_responding.erase(hung);
    it = g_left.erase(it);
  }
  const Uint64 now = SDL_GetTicks();
  while (!g_waiting.empty()) {
    std::shared_ptr<Job> next = g_waiting.front();
    if (not_responding(next->about)) {
      deliver_not_responding(next);
      g_waiting.pop_front();
      continue;
    }
    if (g_running) {
      if (now - g_started_at <= DISK_STUCK_MS) break;
      if (remember_stuck()) continue;             // the next question may be about the same volume
      if (g_left.size() >= DISK_LEFT_MAX) break;  // it waits for a stuck one to come back
      g_left.push_back(std::move(g_running));     // it goes on by itself
      g_running = nullptr;
    }
    g_waiting.pop_front();
    start(std::move(next));
  }
}

}  // namespace

uint64_t disk_ask(const std::string& about, DiskWork work) {
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  job->ticket = ++g_last_ticket;
  job->about = about;
  if (!about.empty()) job->delay_ms = test_delay_ms();
  g_waiting.push_back(job);
  pump();
  return job->ticket;
}

bool disk_take(uint64_t ticket, DiskAnswer& out) {
  pump();
  for (auto it = g_answered.begin(); it != g_answered.end(); ++it) {
    if ((*it)->ticket != ticket) continue;
    out = std::move((*it)->answer);
    g_answered.erase(it);
    return true;
  }
  return false;
}

void disk_drop(uint64_t ticket) {
  auto is = [ticket](const std::shared_ptr<Job>& job) { return job->ticket == ticket; };
  g_waiting.erase(std::remove_if(g_waiting.begin(), g_waiting.end(), is), g_waiting.end());
  g_answered.erase(std::remove_if(g_answered.begin(), g_answered.end(), is), g_answered.end());
  if (g_running && g_running->ticket == ticket) g_running->wanted = false;
  for (auto& job : g_left)
    if (job->ticket == ticket) job->wanted = false;
}

bool disk_tend() {
  pump();
  bool came_in = g_came_in;
  g_came_in = false;
  return came_in;
}
