#include "widgets/pickers.h"

#include "platform/display.h"
#include "state/app.h"
#include "text/language.h"

#include <cctype>
#include <cstring>

#ifdef __linux__
#include "backend/proc_stat.h"

#include <signal.h>
#include <unistd.h>
#endif

SDL_Mutex* g_pick_lock = nullptr;
std::string g_picked_game;
std::string g_picked_dest;
std::string g_pick_error_game;
std::string g_pick_error_dest;

// Guarded by g_pick_lock: dialogs opened and not yet reported, and whether Setup is going
// away, after which no callback touches what is being torn down.
static int g_dialogs_open = 0;
static bool g_closing = false;
static bool g_dialog_closed = false;  // a dialog has reported: chosen, cancelled or failed

// The path SDL hands over is valid only during the callback: copy it under the lock. No
// list at all means no dialog could be shown; SDL's reason is set on this thread.
static void keep_pick(std::string& slot, std::string& error, const char* const* filelist) {
  const char* reason = filelist ? nullptr : SDL_GetError();
  SDL_LockMutex(g_pick_lock);
  if (g_dialogs_open > 0) g_dialogs_open--;
  g_dialog_closed = true;
  if (g_closing || (filelist && !filelist[0])) {
    // gone, or cancelled
  } else if (filelist) {
    slot = filelist[0];
  } else {
    error = reason && *reason ? reason : tr("no reason was given");
  }
  SDL_UnlockMutex(g_pick_lock);
}

static void opening() {
  SDL_LockMutex(g_pick_lock);
  g_dialogs_open++;
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
  opening();
  // Game containers first, then any file; named once the language is chosen, and kept for
  // as long as a dialog may read them.
  static const SDL_DialogFileFilter filters[2] = {{tr("Game container"), "nup"}, {tr("All files"), "*"}};
  SDL_ShowOpenFileDialog(picked_game, nullptr, g_win, filters, 2, nullptr, false);
}
void open_game_folder() {
  A.game_dialog_error.clear();
  opening();
  SDL_ShowOpenFolderDialog(picked_game, nullptr, g_win, nullptr, false);
}
void open_dest_folder() {
  A.dest_dialog_error.clear();
  opening();
  SDL_ShowOpenFolderDialog(picked_dest, nullptr, g_win, nullptr, false);
}

static bool take(std::string& from, std::string& to) {
  if (from.empty()) return false;
  to = from;
  from.clear();
  return true;
}

bool take_picked_paths(bool* closed) {
  SDL_LockMutex(g_pick_lock);
  bool taken = take(g_picked_game, A.game);
  taken |= take(g_picked_dest, A.dest);
  taken |= take(g_pick_error_game, A.game_dialog_error);
  taken |= take(g_pick_error_dest, A.dest_dialog_error);
  if (closed) *closed = g_dialog_closed;
  taken |= g_dialog_closed;
  g_dialog_closed = false;
  SDL_UnlockMutex(g_pick_lock);
  return taken;
}

// Linux: SDL shows a dialog through zenity, a child process of ours that would outlive us.
// It starts with SIGTERM blocked (SDL's threads block it), so it is ended outright: a
// dialog has nothing to save.
static void end_dialog_processes() {
#ifdef __linux__
  const long long self = getpid();
  each_process([self](const ProcStat& s) {
    if (s.parent == self && s.name == "zenity") kill((pid_t)s.pid, SIGKILL);
    return true;
  });
#endif
}

int open_dialogs() {
  SDL_LockMutex(g_pick_lock);
  int open = g_dialogs_open;
  SDL_UnlockMutex(g_pick_lock);
  return open;
}

void close_dialogs() {
  if (!g_pick_lock) return;
  SDL_LockMutex(g_pick_lock);
  g_closing = true;
  int open = g_dialogs_open;
  SDL_UnlockMutex(g_pick_lock);
  if (!open) return;
  end_dialog_processes();
  // A dialog's thread reports its end through the callback; a moment is given for it.
  for (int i = 0; i < 100 && open_dialogs() > 0; i++) SDL_Delay(10);
}

bool gamepad_first_session(const std::function<const char*(const char*)>& env) {
  auto is = [&](const char* name, const char* value) {
    const char* v = env(name);
    return v && !strcmp(v, value);
  };
  const char* desktop = env("XDG_CURRENT_DESKTOP");
  std::string lower = desktop ? desktop : "";
  for (char& c : lower) c = (char)tolower((unsigned char)c);
  return is("SteamDeck", "1") || env("GAMESCOPE_WAYLAND_DISPLAY") ||
         lower.find("gamescope") != std::string::npos || is("SteamTenfoot", "1") || is("SteamGamepadUI", "1");
}
