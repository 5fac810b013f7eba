#include "backend/run_tree.h"

#include "backend/proc.h"

#include <SDL3/SDL.h>

#ifdef _WIN32
#include <windows.h>
#else
#include "backend/proc_stat.h"

#include <signal.h>
#include <unistd.h>
#endif

#ifdef __linux__
#include <sys/syscall.h>
#ifndef SYS_pidfd_open
#define SYS_pidfd_open 434  // the same number on every architecture
#endif
#ifndef SYS_pidfd_send_signal
#define SYS_pidfd_send_signal 424
#endif
#endif

static const Uint64 TREE_LOOK_NS = 100000000;

#ifdef _WIN32
// The job was made when the backend was started, suspended, and holds it from its first
// instruction on (win_child_start).
void track_tree(Proc&) {}

static bool look(Proc& p) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
  if (!p.job || !QueryInformationJobObject((HANDLE)p.job, JobObjectBasicAccountingInformation, &info,
                                           sizeof info, nullptr))
    return false;
  return info.ActiveProcesses > 0;
}

void release_tree(Proc& p) {
  if (p.job) CloseHandle((HANDLE)p.job);  // the job holds no kill-on-close: nothing is stopped
  p.job = nullptr;
}

void end_backend(Proc& p, bool) {
  if (p.proc) win_child_kill(p.proc);  // Windows has no gentle form
}

void end_tree(Proc& p, bool force) {
  if (p.job)
    TerminateJobObject((HANDLE)p.job, 1);
  else
    end_backend(p, force);
}
#else
void track_tree(Proc& p) {
  Sint64 pid = SDL_GetNumberProperty(SDL_GetProcessProperties(p.proc), SDL_PROP_PROCESS_PID_NUMBER, 0);
  p.group = pid > 0 ? (long long)getpgid((pid_t)pid) : 0;
  if (p.group <= 1 || p.group == (long long)getpgrp()) p.group = 0;  // not a group of its own
#ifdef __linux__
  // Taken now, while the child cannot have been reaped yet, so the id is surely the backend's.
  p.pidfd = pid > 0 ? (int)syscall(SYS_pidfd_open, (pid_t)pid, 0) : -1;
#endif
}

// Whether a process of the group runs: one that has not exited (a zombie has; in a
// container whose first process does not reap orphans it stays one for ever).
static bool look(Proc& p) {
  bool alive = false;
  if (p.group > 0)
    each_process([&](const ProcStat& s) {
      alive = s.group == p.group && !has_exited(s);
      return !alive;
    });
  return alive;
}

void release_tree(Proc& p) {
  p.group = 0;
  if (p.pidfd >= 0) close(p.pidfd);
  p.pidfd = -1;
}

void end_backend(Proc& p, bool force) {
#ifdef __linux__
  // A process that has ended, reaped or not, takes no signal through its pidfd.
  if (p.pidfd >= 0) {
    if (p.proc) syscall(SYS_pidfd_send_signal, p.pidfd, force ? SIGKILL : SIGTERM, nullptr, 0);
    return;
  }
#endif
  if (p.proc && !p.ended_at) SDL_KillProcess(p.proc, force);
}

void end_tree(Proc& p, bool force) {
  if (p.group > 0 && look(p))
    kill(-(pid_t)p.group, force ? SIGKILL : SIGTERM);
  else if (p.group == 0)
    end_backend(p, force);
}
#endif

bool tree_alive(Proc& p) {
  Uint64 now = SDL_GetTicksNS();
  if (p.tree_checked_at == 0 || now - p.tree_checked_at >= TREE_LOOK_NS) {
    p.tree_running = look(p);
    p.tree_checked_at = now;
  }
  return p.tree_running;
}
