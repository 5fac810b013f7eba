// Windows: the backend's process, started suspended and put into a job object of its own
// before its first instruction runs, so that nothing it starts, however early, is outside
// the job. SDL's process API cannot start a process suspended; this stands in for it on
// Windows, with the same pipes: input and error output the null device, output a pipe.
#pragma once

#ifdef _WIN32
#include <string>
#include <vector>

struct WinChild;

// Starts args[0] with the rest as its arguments, each reaching it as one argument (quoted
// as the C runtime splits a command line). `*job` receives the job object that holds it,
// or null when none could be had (the backend then runs followed alone, as SDL follows
// it). Null, with SDL_GetError saying why, when the process cannot be started.
WinChild* win_child_start(const std::vector<std::string>& args, void** job);

// True once the process has ended; its exit code is then written to `*code`.
bool win_child_ended(WinChild* child, int* code);

// Our end of its output pipe, in blocking mode. Owned by the child.
void* win_child_output(WinChild* child);

// Ends the process at once. The handle held keeps its id from being anyone else's.
void win_child_kill(WinChild* child);

// Closes every handle; the process is not stopped.
void win_child_destroy(WinChild* child);
#endif
