#include "backend/launch.h"

#include "backend/app.h"

#include <SDL3/SDL.h>

#include <vector>

// The interpreter starts even when the launcher is missing and only then fails, out of
// sight; look first so that the user learns of it.
static SDL_Process* start_launcher() {
  SDL_PathInfo info;
  if (!SDL_GetPathInfo(A.launcher.c_str(), &info)) return nullptr;
  if (info.type != SDL_PATHTYPE_FILE) {
    SDL_SetError("%s", "The launcher is not a file.");
    return nullptr;
  }
#ifdef _WIN32
  std::vector<const char*> args = {"cmd.exe", "/c", A.launcher.c_str(), nullptr};
#else
  std::vector<const char*> args = {"/bin/sh", A.launcher.c_str(), nullptr};
#endif
  SDL_PropertiesID props = SDL_CreateProperties();
  SDL_SetPointerProperty(props, SDL_PROP_PROCESS_CREATE_ARGS_POINTER, (void*)args.data());
  SDL_SetBooleanProperty(props, SDL_PROP_PROCESS_CREATE_BACKGROUND_BOOLEAN, true);
  SDL_Process* game = SDL_CreateProcessWithProperties(props);
  SDL_DestroyProperties(props);
  return game;
}

void play() {
  if (SDL_Process* game = start_launcher()) {
    SDL_DestroyProcess(game);  // the game runs on its own; it is never waited for
    SDL_Event quit;
    SDL_zero(quit);
    quit.type = SDL_EVENT_QUIT;
    SDL_PushEvent(&quit);
    return;
  }
  A.error = "The game could not be started.";
  A.error_detail = A.launcher + "\n" + SDL_GetError();
  A.error_command.clear();
  A.view = 2;
  A.focused = false;
}

std::string file_url(const std::string& path) {
  // A Windows path D:\Games becomes file:///D:/Games; an absolute POSIX path already
  // brings its own leading slash, so it takes "file://" only.
  std::string url = !path.empty() && (path[0] == '/' || path[0] == '\\') ? "file://" : "file:///";
  url += path;
  for (char& c : url)
    if (c == '\\') c = '/';
  return url;
}

void open_path(const std::string& path) { SDL_OpenURL(file_url(path).c_str()); }
