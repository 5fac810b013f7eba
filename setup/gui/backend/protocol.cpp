#include "backend/protocol.h"

#include "backend/messages.h"
#include "backend/proc.h"
#include "backend/run_tree.h"
#include "platform/display.h"
#include "state/app.h"
#include "text/language.h"

#include <algorithm>
#include <cstdio>

std::string cancel_marker_path() {
#ifdef _WIN32
  return A.job_dest + "\\.setup\\cancel";
#else
  return A.job_dest + "/.setup/cancel";
#endif
}

void ask_info() {
  A.info_ready = false;
  A.info_failed = false;
  std::vector<std::string> args = A.backend;
  args.push_back("--info");
  int w = 0, h = 0;
  if (desktop_size(&w, &h)) {
    char size[32];
    snprintf(size, sizeof size, "%dx%d", w, h);
    if (size[0]) {
      args.push_back("--display");
      args.push_back(size);
    }
  }
  // A query that does not start, or ends without a reply, leaves info_ready false, and the
  // form says so instead of checking this PC for ever.
  if (!g_info.start(args)) A.info_failed = true;
}

static std::string missing_tools_detail() {
  std::string detail = fill(tr("Missing: {tools}"), {{"tools", list_in_language(A.missing)}}) + "\n";
  if (A.install_command.empty())
    detail += tr("Install them with the system's package manager, then check again.");
  else if (A.can_install)
    detail += tr("Setup can install them (it asks for your password), or run this in a terminal:");
  else
    detail += tr("Run this in a terminal, then check again:");
  return detail;
}

void start_build() {
  if (!A.missing.empty()) {
    A.error = tr("This PC needs a few build tools first.");
    A.error_detail = cut_text(missing_tools_detail(), DETAIL_KEEP);
    A.error_command = A.install_command;
    A.view = 2;
    A.focused = false;
    return;
  }
  std::vector<std::string> args = A.backend;
  for (const char* a : {"--json", "--game"}) args.push_back(a);
  args.push_back(A.game);
  args.push_back("--dest");
  args.push_back(A.dest);
  if (!A.levels.empty()) {
    if (A.quality < 0 || (size_t)A.quality >= A.levels.size()) A.quality = 0;
    args.push_back("--quality");
    args.push_back(A.levels[A.quality].id);
  }
  if (A.desktop) args.push_back("--desktop-entry");
  start_run(args);
}

bool job_held() { return g_build.proc != nullptr; }

void start_run(const std::vector<std::string>& args) {
  // Starting over it would forget its process group or job object, and a second build
  // would run beside the first one's compiler.
  if (job_held()) return;
  A.steps.clear();
  A.log.clear();
  A.warnings.clear();
  A.more_warnings = 0;
  // Only a job told "--dest" knows where the cancel marker is (the installation of build
  // tools is not).
  auto dest = std::find(args.begin(), args.end(), "--dest");
  A.job_watches_marker = dest != args.end() && dest + 1 != args.end();
  // The marker goes where this job looks for it, whatever the form's folder becomes.
  A.job_dest = A.job_watches_marker ? dest[1] : "";
  A.cancel_deadline = 0;
  A.cancel_kills = 0;
  A.current = -1;
  A.step_frac = 0;
  A.shown_total = 0;
  A.step_text.clear();
  A.error.clear();
  A.error_detail.clear();
  A.error_command.clear();
  A.launcher.clear();
  A.show_log = false;
  A.cancelling = false;
  A.started_at = SDL_GetTicks();
  A.finished_at = 0;

  if (g_build.start(args)) {
    A.view = 1;
  } else {
    A.error = tr("Setup could not be started.");
    A.error_detail = SDL_GetError();
    A.view = 2;
  }
  A.focused = false;
}

// A job that has not stopped by itself CANCEL_GRACE_MS after Cancel is ended as quitting
// ends it, whole: a compiler or a build server the backend started may be as deaf as the
// backend. Whatever outlives that is ended by force CANCEL_FORCE_MS later, and the run is
// let go of CANCEL_RELEASE_MS after that even if a process of it cannot be seen to end.
// This goes on after an "end" message too, for the processes the backend left behind.
static void end_cancelled_job() {
  if (!A.cancelling || !A.cancel_deadline || !g_build.proc) return;
  uint64_t now = SDL_GetTicks();
  if (now < A.cancel_deadline) return;
  if (A.cancel_kills >= 2) {
    let_go(g_build);
    A.cancel_deadline = 0;
    return;
  }
  if (A.cancel_kills == 0)
    add_log_line("(the job did not stop by itself after Cancel, so Setup ended it and all it had started)");
  end_tree(g_build, A.cancel_kills > 0);
  A.cancel_kills++;
  A.cancel_deadline = now + (A.cancel_kills == 1 ? CANCEL_FORCE_MS : CANCEL_RELEASE_MS);
}

bool poll_backend() {
  std::vector<std::string> lines;
  int exit_code = 0;  // never looked at: the messages say how a job went
  bool changed = false;
  if (g_info.proc) {
    g_info.poll(lines, &exit_code);
    for (const std::string& line : lines) apply_info_line(line);
    changed = !lines.empty();
    lines.clear();
    if (!g_info.proc && !A.info_ready) {
      A.info_failed = true;
      changed = true;
    }
  }
  if (!g_build.proc) return changed;
  end_cancelled_job();
  bool running = g_build.poll(lines, &exit_code);
  apply_job_lines(lines);
  changed |= !lines.empty() || !running;
  if (A.view != 1 || running) return changed;
  // The job's process ended without an "end" message.
  if (A.cancelling) {
    A.view = 0;  // the user asked for it: back to the form, nothing to report
    A.focused = false;
    return true;
  }
  if (A.error.empty()) A.error = tr("Setup stopped unexpectedly.");
  A.view = 2;
  A.focused = false;
  return true;
}

void cancel_build() {
  if (!A.cancelling) A.cancel_deadline = SDL_GetTicks() + CANCEL_GRACE_MS;
  A.cancelling = true;
  // The run is over only once the processes the backend started have ended too, or have
  // been ended (end_cancelled_job): a package manager left running must not meet a second
  // installation.
  g_build.whole_tree = true;
  // An empty marker asks the backend to stop. Its folder is not created here: without
  // it the backend cannot be watching, so the process is asked to stop through SDL, as
  // is a job that has no marker to watch.
  SDL_IOStream* marker = A.job_watches_marker ? SDL_IOFromFile(cancel_marker_path().c_str(), "wb") : nullptr;
  if (marker) {
    SDL_CloseIO(marker);
  } else {
    end_backend(g_build, false);
  }
}

// Asks a running build to stop, gives it about 15 seconds, then kills it. The wait keeps
// reading the job's output so that a chatty backend cannot block on a full pipe and miss
// its chance to stop cleanly.
void stop_build() {
  if (!g_build.proc) return;
  cancel_build();
  g_build.whole_tree = false;  // a window that goes away does not wait for what the backend left
  std::vector<std::string> ignored;
  int code = 0;
  for (int i = 0; i < 300 && g_build.poll(ignored, &code); i++) {
    ignored.clear();
    SDL_Delay(50);
  }
  if (g_build.poll(ignored, &code) && !g_build.ended_at) end_tree(g_build, false);
}
