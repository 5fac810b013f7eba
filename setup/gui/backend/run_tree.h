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
