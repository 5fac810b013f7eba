// Linux: what /proc tells of a process, for following processes that SDL does not.
#pragma once

#ifdef __linux__
#include <functional>
#include <string>

struct ProcStat {
  long long pid = 0;
  std::string name;  // the command's name, as the kernel keeps it (15 bytes at most)
  char state = 0;    // 'R', 'S', ..., 'Z' for a process that has exited but not been reaped
  long long parent = 0;
  long long group = 0;
};

// The stat of one process; false when there is no such process.
bool read_proc_stat(long long pid, ProcStat& out);

// Calls `each` for every process there is, until it returns false.
void each_process(const std::function<bool(const ProcStat&)>& each);

// An exited process that nobody has reaped yet still has an id; it does not run.
inline bool has_exited(const ProcStat& s) { return s.state == 'Z' || s.state == 'X'; }
#endif
