#include "backend/proc_stat.h"

#ifdef __linux__
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool read_proc_stat(long long pid, ProcStat& out) {
  char path[64], stat[512];
  snprintf(path, sizeof path, "/proc/%lld/stat", pid);
  FILE* f = fopen(path, "r");
  if (!f) return false;
  size_t n = fread(stat, 1, sizeof stat - 1, f);
  fclose(f);
  stat[n] = 0;
  // "pid (name) S ppid pgrp ...": the name may hold spaces and parentheses, so the state
  // follows the last ')'.
  const char* open = strchr(stat, '(');
  const char* close = strrchr(stat, ')');
  if (!open || !close || close < open) return false;
  out.pid = pid;
  out.name.assign(open + 1, close);
  return sscanf(close + 1, " %c %lld %lld", &out.state, &out.parent, &out.group) == 3;
}

void each_process(const std::function<bool(const ProcStat&)>& each) {
  DIR* dir = opendir("/proc");
  if (!dir) return;
  ProcStat s;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    if (read_proc_stat(atoll(e->d_name), s) && !each(s)) break;
  }
  closedir(dir);
}
#endif
