#include "widgets/pickers.h"

#include "app/window.h"
#include "backend/app.h"

SDL_Mutex* g_pick_lock = nullptr;
std::string g_picked_game;
std::string g_picked_dest;

// The game file dialog offers game containers first, then any file.
static const SDL_DialogFileFilter filters[2] = {{"Game container", "nup"}, {"All files", "*"}};

// The path SDL hands over is valid only during the callback: copy it under the lock.
static void keep_pick(std::string& slot, const char* const* filelist) {
  if (!filelist || !filelist[0]) return;
  SDL_LockMutex(g_pick_lock);
  slot = filelist[0];
  SDL_UnlockMutex(g_pick_lock);
}

void SDLCALL picked_game(void*, const char* const* filelist, int) { keep_pick(g_picked_game, filelist); }
void SDLCALL picked_dest(void*, const char* const* filelist, int) { keep_pick(g_picked_dest, filelist); }

void open_game_file() { SDL_ShowOpenFileDialog(picked_game, nullptr, g_win, filters, 2, nullptr, false); }
void open_game_folder() { SDL_ShowOpenFolderDialog(picked_game, nullptr, g_win, nullptr, false); }
void open_dest_folder() { SDL_ShowOpenFolderDialog(picked_dest, nullptr, g_win, nullptr, false); }

void take_picked_paths() {
  SDL_LockMutex(g_pick_lock);
  if (!g_picked_game.empty()) {
    A.game = g_picked_game;
    g_picked_game.clear();
  }
  if (!g_picked_dest.empty()) {
    A.dest = g_picked_dest;
    g_picked_dest.clear();
  }
  SDL_UnlockMutex(g_pick_lock);
}
