#include "look/language_choice.h"

#include "look/font_fallback.h"
#include "platform/display.h"
#include "text/language.h"
#include "text/language_table.h"

#include <SDL3/SDL.h>

static std::string g_asked;

static std::string config_folder() {
  SDL_Environment* env = SDL_GetEnvironment();
#ifdef _WIN32
  const char* base = SDL_GetEnvironmentVariable(env, "APPDATA");
  return base && *base ? std::string(base) + "\\Tarnwell" : "";
#else
  const char* xdg = SDL_GetEnvironmentVariable(env, "XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/tarnwell";
  const char* home = SDL_GetEnvironmentVariable(env, "HOME");
  return home && *home ? std::string(home) + "/.config/tarnwell" : "";
#endif
}

std::string saved_language_path() {
  std::string folder = config_folder();
#ifdef _WIN32
  return folder.empty() ? "" : folder + "\\language";
#else
  return folder.empty() ? "" : folder + "/language";
#endif
}

std::string saved_language() {
  std::string path = saved_language_path();
  size_t size = 0;
  char* data = path.empty() ? nullptr : (char*)SDL_LoadFile(path.c_str(), &size);
  if (!data) return "";
  std::string code(data, size);
  SDL_free(data);
  while (!code.empty() && (code.back() == '\n' || code.back() == '\r' || code.back() == ' ')) code.pop_back();
  return language_row(code) ? code : "";
}

bool save_language(const std::string& code) {
  std::string folder = config_folder(), path = saved_language_path();
  if (path.empty()) return false;
  SDL_CreateDirectory(folder.c_str());
  std::string text = code + "\n";
  return SDL_SaveFile(path.c_str(), text.data(), text.size());
}

std::string start_language(const std::string& lang_option) {
  std::string lang = language_code(lang_option);
  if (!lang.empty()) return lang;
  std::string saved = saved_language();
  return saved.empty() ? choose_language(preferred_languages()) : saved;
}

void ask_language(const std::string& code) { g_asked = code; }

bool apply_asked_language(const std::string& root) {
  if (g_asked.empty()) return false;
  std::string code = g_asked;
  g_asked.clear();
  if (code == g_lang.code) return false;
  use_language(root, code);
  set_font_language(g_lang.code);
  if (g_win) SDL_SetWindowTitle(g_win, tr("Tarnwell Setup"));
  return true;
}
