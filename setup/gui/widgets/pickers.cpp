#include "widgets/pickers.h"

#include "backend/app.h"

SDL_Mutex* g_pick_lock = nullptr;
std::string g_picked_game;
std::string g_picked_dest;

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
