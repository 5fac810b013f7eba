// Native file and folder pickers. Their callbacks may run on another thread: they only
// store the chosen path under `g_pick_lock`; the frame loop takes it over once per frame.
#pragma once

#include <SDL3/SDL.h>

#include <string>

extern SDL_Mutex* g_pick_lock;
extern std::string g_picked_game;
extern std::string g_picked_dest;

// Moves the paths the dialogs chose into App.game and App.dest.
void take_picked_paths();
