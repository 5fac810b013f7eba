// Native file and folder pickers. Their callbacks may run on another thread: they only
// store the chosen path under `g_pick_lock`; the frame loop takes it over once per frame.
#pragma once

#include <SDL3/SDL.h>

#include <string>

extern SDL_Mutex* g_pick_lock;
extern std::string g_picked_game;
extern std::string g_picked_dest;

// Dialog callbacks: keep the first chosen path for the hand-over; a cancel or a failed
// dialog (no list, or an empty one) changes nothing.
void SDLCALL picked_game(void* userdata, const char* const* filelist, int filter);
void SDLCALL picked_dest(void* userdata, const char* const* filelist, int filter);

// The three openers of the setup form. They return at once; the choice arrives later.
void open_game_file();    // a ".nup" file (or any file)
void open_game_folder();  // an unpacked copy: a folder holding exefs and romfs
void open_dest_folder();  // the install folder

// Moves the paths the dialogs chose into App.game and App.dest.
void take_picked_paths();
