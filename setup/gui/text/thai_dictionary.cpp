#include "text/thai_dictionary.h"

#ifdef _WIN32
#include <SDL3/SDL.h>
#include <windows.h>

#include <string>

// A wide path in the ANSI code page, the one the C runtime's fopen() reads; "" when a
// character of it has no place there.
static std::string ansi_path(const std::wstring& wide) {
  BOOL lossy = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out.data(), n, nullptr, &lossy);
  out.resize(static_cast<size_t>(n - 1));
  return lossy ? std::string() : out;
}

// The dictionary beside the program. libdatrie opens it with fopen(), so a folder whose
// name the code page cannot hold (Thai letters on a Western system) is reached by its
// short name.
static std::string find_dictionary() {
  const char* base = SDL_GetBasePath();
  if (!base) return {};
  std::string utf8 = std::string(base) + "thbrk.tri";
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), n);
  wide.resize(static_cast<size_t>(n - 1));
  if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  if (GetACP() == CP_UTF8) return utf8;  // the system's "UTF-8 for all programs" setting
  std::string path = ansi_path(wide);
  if (!path.empty()) return path;
  DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring shortened(size, L'\0');
  DWORD got = GetShortPathNameW(wide.c_str(), shortened.data(), size);
  if (got == 0 || got >= size) return {};
  shortened.resize(got);
  return ansi_path(shortened);
}

const char* thai_dictionary_path() {
  static const std::string path = find_dictionary();
  return path.empty() ? nullptr : path.c_str();
}
#else
const char* thai_dictionary_path() { return nullptr; }
#endif
