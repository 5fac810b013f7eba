// Native file and folder pickers. Their callbacks may run on another thread: they only
// store the chosen path under `g_pick_lock`; the frame loop takes it over once per frame.
#pragma once

#include "widgets/listing.h"

#include <SDL3/SDL.h>

#include <functional>
#include <string>

extern SDL_Mutex* g_pick_lock;
extern std::string g_picked_game;
extern std::string g_picked_dest;
extern std::string g_pick_error_game;  // SDL's reason when a game dialog could not open
extern std::string g_pick_error_dest;

// Dialog callbacks: keep the first chosen path for the hand-over. A cancel (an empty list)
// changes nothing; a dialog that could not open (no list) keeps SDL's reason instead.
void SDLCALL picked_game(void* userdata, const char* const* filelist, int filter);
void SDLCALL picked_dest(void* userdata, const char* const* filelist, int filter);

// The three openers of the setup form. They return at once; the choice arrives later.
// Each first clears the message of an earlier dialog of its field that could not open.
void open_game_file();    // a ".nup" file (or any file)
void open_game_folder();  // an unpacked copy: a folder holding exefs and romfs
void open_dest_folder();  // the install folder

// At quit: no callback writes anything from now on, and the dialogs Setup opened close
// (on Linux, zenity's are ended; elsewhere they go with the process).
void close_dialogs();
// Dialogs opened and not yet reported.
int open_dialogs();

// Moves the paths the dialogs chose into App.game and App.dest, and the reasons of
// dialogs that could not open into App.game_dialog_error and App.dest_dialog_error. True
// when anything was taken; `closed`, when given, tells whether a dialog has reported since.
bool take_picked_paths(bool* closed = nullptr);

// A session made for a gamepad, where the platform's dialogs cannot be driven: a Steam
// Deck, gamescope, or Steam's big-screen mode, as the environment `env` tells (null: not
// set). Every picker then opens the in-window browser.
bool gamepad_first_session(const std::function<const char*(const char*)>& env);
