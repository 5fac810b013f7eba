// One backend child process and the unfinished tail of its output.
#pragma once

#include <SDL3/SDL.h>

#include <string>
#include <vector>

struct Proc {
  SDL_Process* proc = nullptr;  // non-null while the run is alive
  std::string pending;          // output not yet followed by a newline

  // Starts args[0] with the rest as its arguments (no shell, no quoting added).
  bool start(const std::vector<std::string>& args);
  // Appends every complete output line to `out`; true while the process runs.
  bool poll(std::vector<std::string>& out, int* exit_code);
};

extern Proc g_info;   // the info query
extern Proc g_build;  // the build job (or the installation of build tools)
