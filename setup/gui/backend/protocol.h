// The front-end's side of the conversation with the backend: the info query, the job
// (a build or an installation of build tools) and cancel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

void ask_info();
void start_build();
// Starts a job, unless the last one still holds processes (job_held): a run is never let
// go of for a new one while something it started may still work.
void start_run(const std::vector<std::string>& args);
// True while the last job, ended or cancelled, still holds its processes: after a Cancel
// until the last of them has ended or the run is let go of. No new job starts meanwhile.
bool job_held();
// Applies what the backend printed since the last call; true when that changed anything.
bool poll_backend();
void cancel_build();
// At quit: cancel_build, then about 15 seconds for the job to end (its output still read,
// so that a chatty backend cannot block on a full pipe), then SIGTERM to the job's whole
// tree (its job object terminated on Windows).
void stop_build();

// After Cancel, a job that has not ended by itself within CANCEL_GRACE_MS is ended the way
// quitting ends it, the backend and every process it started, and by force if anything of
// it is still there CANCEL_FORCE_MS later. What still cannot be seen to end
// CANCEL_RELEASE_MS after that (a process the kill cannot reach) is let go of, so that the
// view never stays at "STOPPING" for longer than their sum.
constexpr uint64_t CANCEL_GRACE_MS = 15000;
constexpr uint64_t CANCEL_FORCE_MS = 5000;
constexpr uint64_t CANCEL_RELEASE_MS = 2000;
static_assert(CANCEL_GRACE_MS + CANCEL_FORCE_MS + CANCEL_RELEASE_MS < 25000, "Cancel ends within 25 s");

// The empty file whose appearance asks a running job to stop: the job's install folder
// (App.job_dest, the one it was started with) + "/.setup/cancel" ("\.setup\cancel" on
// Windows).
std::string cancel_marker_path();
