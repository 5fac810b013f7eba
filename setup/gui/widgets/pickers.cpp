#include "widgets/pickers.h"

#include "app/window.h"
#include "backend/app.h"

SDL_Mutex* g_pick_lock = nullptr;
std::string g_picked_game;
std::string g_picked_dest;
std::string g_pick_error_game;
std::string g_pick_error_dest;

// The game file dialog offers game containers first, then any file.
static const SDL_DialogFileFilter filters[2] = {{"Game container", "nup"}, {"All files", "*"}};

// The path SDL hands over is valid only during the callback: copy it under the lock. No
// list at all means no dialog could be shown; SDL's reason is set on this thread.
static void keep_pick(std::string& slot, std::string& error, const char* const* filelist) {
  if (filelist && !filelist[0]) return;
  const char* reason = filelist ? nullptr : SDL_GetError();
  SDL_LockMutex(g_pick_lock);
  if (filelist)
    slot = filelist[0];
  else
    error = reason && *reason ? reason : "no reason was given";
  SDL_UnlockMutex(g_pick_lock);
}

void SDLCALL picked_game(void*, const char* const* filelist, int) {
  keep_pick(g_picked_game, g_pick_error_game, filelist);
}
void SDLCALL picked_dest(void*, const char* const* filelist, int) {
  keep_pick(g_picked_dest, g_pick_error_dest, filelist);
}

void open_game_file() {
  A.game_dialog_error.clear();
  SDL_ShowOpenFileDialog(picked_game, nullptr, g_win, filters, 2, nullptr, false);
}
void open_game_folder() {
  A.game_dialog_error.clear();
  SDL_ShowOpenFolderDialog(picked_game, nullptr, g_win, nullptr, false);
}
void open_dest_folder() {
  A.dest_dialog_error.clear();
  SDL_ShowOpenFolderDialog(picked_dest, nullptr, g_win, nullptr, false);
}

static void take(std::string& from, std::string& to) {
  if (from.empty()) return;
  to = from;
  from.clear();
}

void take_picked_paths() {
  SDL_LockMutex(g_pick_lock);
  take(g_picked_game, A.game);
  take(g_picked_dest, A.dest);
  take(g_pick_error_game, A.game_dialog_error);
  take(g_pick_error_dest, A.dest_dialog_error);
  SDL_UnlockMutex(g_pick_lock);
}
