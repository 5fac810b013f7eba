// The processes of one backend run: the backend and whatever it starts (a package
// manager, say). SDL follows the backend alone; these follow the rest of its tree, so that
// a cancelled run is not taken for over while a process of it still works.
#pragma once

struct Proc;

// Notes the tree of the process just started in `p`: on Linux its process group (SDL
// starts a background child in a session of its own), on Windows a job object that the
// backend and every process it starts belong to.
void track_tree(Proc& p);

// True while a process of the run other than an ended backend still runs. Looked up at
// most every 100 ms; in between the last answer stands.
bool tree_alive(Proc& p);

// Forgets the tree when the run is released. Nothing of it is stopped.
void release_tree(Proc& p);

// Asks the backend alone to stop (SIGTERM), or ends it by force (SIGKILL). Linux: sent
// through a pidfd taken when it started, so that an id reused by another process after
// the backend was reaped is never signalled; without pidfds (kernels before 5.3), only
// while the backend's end has not been seen. Windows: SDL's handle holds the process.
void end_backend(Proc& p, bool force);

// Ends every process of the run. Linux: SIGTERM, or SIGKILL when `force`, to its process
// group, sent only while a process of the group is seen alive (the group's id is then
// nobody else's); a backend without a group of its own is signalled alone (end_backend).
// Windows: the job object is terminated, which has no gentle form.
void end_tree(Proc& p, bool force);
