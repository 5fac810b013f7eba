#include "platform/os_reason.h"

#include "text/language.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

// Our own words for the reasons a player meets: the same texts as the stand-in's.
static const char* own_words(int code) {
#ifdef _WIN32
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return tr("it does not exist");
    case ERROR_ACCESS_DENIED: return tr("permission was denied");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return tr("the disk is full");
    case ERROR_WRITE_PROTECT: return tr("the disk is read-only");
    case ERROR_DIRECTORY: return tr("it is not a folder");
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return tr("it already exists");
    case ERROR_FILENAME_EXCED_RANGE: return tr("the name is too long");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return tr("another program is using it");
    default: return nullptr;
  }
#else
  switch (code) {
    case ENOENT: return tr("it does not exist");
    case EACCES:
    case EPERM: return tr("permission was denied");
    case ENOSPC: return tr("the disk is full");
    case EROFS: return tr("the disk is read-only");
    case ENOTDIR: return tr("it is not a folder");
    case EISDIR: return tr("it is a folder");
    case EEXIST: return tr("it already exists");
    case ENAMETOOLONG: return tr("the name is too long");
    case EIO: return tr("the disk could not be read or written");
    case EBUSY: return tr("another program is using it");
    default: return nullptr;
  }
#endif
}

#ifdef _WIN32
// The system's message in the window's language where Windows has it, else in its own.
static std::string system_words(DWORD code) {
  std::wstring name;
  for (char c : g_lang.code) name += (wchar_t)(c == '_' ? '-' : c);
  LCID lcid = LocaleNameToLCID(name.c_str(), LOCALE_ALLOW_NEUTRAL_NAMES);
  wchar_t* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  for (DWORD language : {(DWORD)LANGIDFROMLCID(lcid), (DWORD)0})
    if (FormatMessageW(flags, nullptr, code, language, (LPWSTR)&text, 0, nullptr)) break;
  if (!text) return "";
  char utf8[1024];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  LocalFree(text);
  std::string out = n > 0 ? std::string(utf8, n - 1) : "";
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
    out.pop_back();
  return out;
}
#endif

std::string os_reason_of(int code) {
  if (code == 0) return "";
  if (const char* own = own_words(code)) return own;
#ifdef _WIN32
  return system_words((DWORD)code);
#else
  return strerror(code);
#endif
}

std::string os_reason(const char* fallback) {
#ifdef _WIN32
  int code = (int)GetLastError();
#else
  int code = errno;
#endif
  std::string reason = os_reason_of(code);
  if (!reason.empty()) return reason;
  return fallback && *fallback ? fallback : tr("no reason was given");
}
