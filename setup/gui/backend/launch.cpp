#include "backend/launch.h"

#include "backend/messages.h"
#include "state/app.h"
#include "text/language.h"

#include <SDL3/SDL.h>

#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

// Starts args (null-terminated) in the background with SDL's default streams; the
// front-end never talks to the game.
static SDL_Process* start_detached(const char* const* args) {
  SDL_PropertiesID props = SDL_CreateProperties();
  SDL_SetPointerProperty(props, SDL_PROP_PROCESS_CREATE_ARGS_POINTER, (void*)args);
  SDL_SetBooleanProperty(props, SDL_PROP_PROCESS_CREATE_BACKGROUND_BOOLEAN, true);
  SDL_Process* process = SDL_CreateProcessWithProperties(props);
  SDL_DestroyProperties(props);
  return process;
}

void request_quit() {
  SDL_Event quit;
  SDL_zero(quit);
  quit.type = SDL_EVENT_QUIT;
  SDL_PushEvent(&quit);
}

bool cmd_call(const std::string& launcher, CmdCall* call) {
  size_t cut = launcher.find_last_of("\\/");
  size_t start = cut == std::string::npos ? 0 : cut + 1;
  if (start == launcher.size()) return false;
  for (size_t i = start; i < launcher.size(); i++) {
    unsigned char c = (unsigned char)launcher[i];
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                 c == '_' || c == '-' || c >= 0x80;
    if (!plain) return false;
  }
  call->folder = launcher.substr(0, start);  // "C:\" keeps its separator: "C:" alone is not the root
  call->command = ".\\" + launcher.substr(start);
  return true;
}

#ifdef _WIN32

// UTF-8 to the UTF-16 of the Windows API; empty when it does not convert.
static std::wstring wide(const std::string& s) {
  std::wstring out;
  if (wchar_t* w = (wchar_t*)SDL_iconv_string("UTF-16LE", "UTF-8", s.c_str(), s.size() + 1)) {
    out = w;
    SDL_free(w);
  }
  return out;
}

static std::string narrow(const std::wstring& s) {
  std::string out;
  if (char* n =
          SDL_iconv_string("UTF-8", "UTF-16LE", (const char*)s.c_str(), (s.size() + 1) * sizeof(wchar_t))) {
    out = n;
    SDL_free(n);
  }
  return out;
}

// The system's own cmd.exe by its full path: a bare "cmd.exe" would be looked for in
// the program's folder and the working folder first, and the working folder is the
// game's while the launcher starts.
static std::string system_cmd() {
  wchar_t dir[MAX_PATH];
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "cmd.exe";
  return narrow(std::wstring(dir, n)) + "\\cmd.exe";
}

// cmd.exe does not read its command line the way SDL writes it (every argument in
// double quotes). It finds "/c" even inside quotes, then drops the first and the last
// quote of the rest by its own rules, reads & | < > ( ) ^ as operators wherever they
// end up outside quotes, and expands %NAME% even inside quotes. A launcher path such as
// C:\Games\a & b (x) ^ %OS% 100% !\tarnwell.bat could so start another script or a
// second command. The install folder therefore never reaches cmd.exe's command line:
// cmd.exe starts in the launcher's folder (the child takes over our working folder,
// which is set for the moment of the start) and is given only ".\" and the launcher's
// file name, made of characters that mean nothing to it.
static SDL_Process* start_with_cmd(const char* const* tail, const std::string& folder) {
  std::wstring saved;
  if (!folder.empty()) {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    saved.resize(n);
    saved.resize(GetCurrentDirectoryW(n, &saved[0]));
    std::wstring w = wide(folder);
    if (w.empty() || !SetCurrentDirectoryW(w.c_str())) {
      SDL_SetError("%s", fill(tr("The launcher's folder cannot be entered (Windows error {code})."),
                              {{"code", std::to_string(GetLastError())}})
                             .c_str());
      return nullptr;
    }
  }
  std::string cmd = system_cmd();
  std::vector<const char*> args = {cmd.c_str()};
  for (; *tail; tail++) args.push_back(*tail);
  args.push_back(nullptr);
  SDL_Process* game = start_detached(args.data());
  if (!saved.empty()) SetCurrentDirectoryW(saved.c_str());
  return game;
}

#endif

// The interpreter starts even when the launcher is missing and only then fails, out of
// sight; look first so that the user learns of it.
static SDL_Process* start_launcher() {
  SDL_PathInfo info;
  if (!SDL_GetPathInfo(A.launcher.c_str(), &info)) return nullptr;
  if (info.type != SDL_PATHTYPE_FILE) {
    SDL_SetError("%s", tr("The launcher is not a file."));
    return nullptr;
  }
#ifdef _WIN32
  CmdCall call;
  if (!cmd_call(A.launcher, &call)) {
    SDL_SetError("%s", tr("The launcher's name holds characters that cmd.exe would not take as a name."));
    return nullptr;
  }
  const char* tail[] = {"/c", call.command.c_str(), nullptr};
  return start_with_cmd(tail, call.folder);
#else
  // The shell takes the path as one argument: no quoting rules apply.
  const char* args[] = {"/bin/sh", A.launcher.c_str(), nullptr};
  return start_detached(args);
#endif
}

void play() {
  if (SDL_Process* game = start_launcher()) {
    SDL_DestroyProcess(game);  // the game runs on its own; it is never waited for
    request_quit();
    return;
  }
  A.error = tr("The game could not be started.");
  A.error_detail = cut_text(A.launcher + "\n" + SDL_GetError(), DETAIL_KEEP);
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
