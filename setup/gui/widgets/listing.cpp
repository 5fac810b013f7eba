#include "widgets/listing.h"

#include "platform/os_reason.h"
#include "text/language.h"
#include "text/utf8.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <sstream>
#endif

#ifdef _WIN32
static const char SEP = '\\';
static bool is_sep(char c) { return c == '\\' || c == '/'; }
static std::wstring wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
  return w;
}
static std::string narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
  return s;
}
#else
static const char SEP = '/';
static bool is_sep(char c) { return c == '/'; }
#endif

// The length of the root at the start of `path` ("/", "C:\" or "\\server\share\"), 0
// when it has none.
static size_t root_length(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && is_sep(path[2]) ? 3 : 2;
  if (path.size() > 2 && is_sep(path[0]) && is_sep(path[1])) {
    // A share's root is its top: "\\server" alone is no folder to enter.
    size_t end = 2;
    for (int part = 0; part < 2; part++) {
      while (end < path.size() && !is_sep(path[end])) end++;
      if (part == 0 && end < path.size()) end++;
    }
    return end < path.size() ? end + 1 : end;
  }
  return path.size() >= 1 && is_sep(path[0]) ? 1 : 0;
#else
  return !path.empty() && path[0] == '/' ? 1 : 0;
#endif
}

// `path` without separators at its end, a root left whole.
static std::string trimmed(std::string path) {
  while (path.size() > std::max<size_t>(root_length(path), 1) && is_sep(path.back())) path.pop_back();
  return path;
}

std::string parent_folder(const std::string& path) {
  std::string p = trimmed(path);
  size_t root = root_length(p);
  if (p.size() <= root) return "";  // a root: above it are the places
  size_t cut = p.size();
  while (cut > root && !is_sep(p[cut - 1])) cut--;
  if (cut <= root) return root ? p.substr(0, root) : "";
  return trimmed(p.substr(0, cut));
}

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return is_sep(folder.back()) ? folder + name : folder + SEP + name;
}

std::string last_part(const std::string& path) {
  std::string p = trimmed(path);
  size_t root = root_length(p);
  if (p.size() <= root) return p;
  size_t cut = p.size();
  while (cut > root && !is_sep(p[cut - 1])) cut--;
  return p.substr(cut);
}

bool path_within(const std::string& path, const std::string& folder) {
  std::string p = trimmed(path), f = trimmed(folder);
  if (f.empty() || p.size() < f.size() || p.compare(0, f.size(), f) != 0) return false;
  if (p.size() == f.size()) return true;
  if (f.size() <= 3 && f.size() <= root_length(f)) return false;  // "/", "C:\": itself alone
  return is_sep(f.back()) || is_sep(p[f.size()]);                 // a share's root keeps its separator
}

bool is_folder(const std::string& path) {
  SDL_PathInfo info;
  return !path.empty() && SDL_GetPathInfo(path.c_str(), &info) && info.type == SDL_PATHTYPE_DIRECTORY;
}

bool is_game_copy(const std::string& folder) {
  return is_folder(join_path(folder, "exefs")) && is_folder(join_path(folder, "romfs"));
}

std::string readable_name(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (size_t at = 0, next; at < name.size(); at = next) {
    // A byte that starts no character decodes as U+FFFD one byte long (a real U+FFFD
    // takes three): overlong forms, surrogates and code points past U+10FFFF among them.
    if (utf8_decode(name, at, &next) == 0xFFFD && next == at + 1)
      out += "\xEF\xBF\xBD";
    else
      out.append(name, at, next - at);
  }
  return out;
}

static unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? (unsigned char)(c + 32) : c; }
static bool digit(char c) { return c >= '0' && c <= '9'; }

bool natural_less(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      // Numbers by value: leading zeros aside, the longer run is the larger number.
      size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') i0++;
      while (j0 < b.size() && b[j0] == '0') j0++;
      size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && digit(a[i1])) i1++;
      while (j1 < b.size() && digit(b[j1])) j1++;
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0;
      int c = a.compare(i0, i1 - i0, b, j0, j1 - j0);
      if (c) return c < 0;
      i = i1, j = j1;
      continue;
    }
    unsigned char x = fold((unsigned char)a[i]), y = fold((unsigned char)b[j]);
    if (x != y) return x < y;
    i++, j++;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // names that differ only in case or zeros keep one order
}

static bool ends_with_nup(const std::string& name) {
  if (name.size() < 4) return false;
  const char* e = name.c_str() + name.size() - 4;
  return e[0] == '.' && fold(e[1]) == 'n' && fold(e[2]) == 'u' && fold(e[3]) == 'p';
}

static bool hidden(const std::string& name, const std::string& path) {
  if (!name.empty() && name[0] == '.') return true;
#ifdef _WIN32
  DWORD attributes = GetFileAttributesW(wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
#else
  (void)path;
  return false;
#endif
}

struct Gather {
  const std::string* folder;
  Pick pick;
  bool all_files;
  std::vector<Entry> folders, files;
  size_t more = 0;
};

static SDL_EnumerationResult SDLCALL gather(void* data, const char*, const char* fname) {
  Gather& g = *(Gather*)data;
  if (g.folders.size() + g.files.size() >= LISTING_MAX) {
    g.more++;  // only counted: neither named nor looked at
    return SDL_ENUM_CONTINUE;
  }
  std::string name = fname;
  std::string path = join_path(*g.folder, name);
  if (hidden(name, path)) return SDL_ENUM_CONTINUE;
  SDL_PathInfo info;
  if (!SDL_GetPathInfo(path.c_str(), &info)) return SDL_ENUM_CONTINUE;  // a broken link
  if (info.type == SDL_PATHTYPE_DIRECTORY)
    g.folders.push_back({readable_name(name), path, true});
  else if (g.pick == Pick::GAME && (g.all_files || ends_with_nup(name)))
    g.files.push_back({readable_name(name), path, false});
  return SDL_ENUM_CONTINUE;
}

// Why a folder could not be listed, in the window's language.
static std::string listing_failure(const std::string& folder) {
#ifdef _WIN32
  // SDL's own error handling resets the thread's last error: the folder is opened again
  // here for its reason.
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(wide(join_path(folder, "*")).c_str(), &data);
  DWORD code = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  std::string reason = os_reason_of((int)code);
  return reason.empty() ? os_reason(SDL_GetError()) : reason;
#else
  (void)folder;
  return os_reason(SDL_GetError());  // errno is still the one of the failed call
#endif
}

Listing list_folder(const std::string& folder, Pick pick, bool all_files) {
  Listing out;
  Gather g{&folder, pick, all_files, {}, {}};
  if (!SDL_EnumerateDirectory(folder.c_str(), gather, &g)) {
    out.error = listing_failure(folder);
  }
  auto by_name = [](const Entry& a, const Entry& b) { return natural_less(a.name, b.name); };
  std::sort(g.folders.begin(), g.folders.end(), by_name);
  std::sort(g.files.begin(), g.files.end(), by_name);
  out.more = g.more;
  out.entries = std::move(g.folders);
  out.entries.insert(out.entries.end(), g.files.begin(), g.files.end());
  return out;
}

std::string free_text(uint64_t bytes) { return fill(tr("{size} free"), {{"size", size_in_language(bytes)}}); }

// Home, Desktop and Downloads, where they exist, after the volumes.
static void add_user_folders(std::vector<Place>& out) {
  const struct {
    SDL_Folder folder;
    const char* name;
  } user[] = {{SDL_FOLDER_HOME, tr("Home")},
              {SDL_FOLDER_DESKTOP, tr("Desktop")},
              {SDL_FOLDER_DOWNLOADS, tr("Downloads")}};
  for (const auto& u : user) {
    const char* path = SDL_GetUserFolder(u.folder);
    if (path && is_folder(path)) out.push_back({u.name, trimmed(path), ""});
  }
}

std::string home_folder() {
  const char* home = SDL_GetUserFolder(SDL_FOLDER_HOME);
  return home ? trimmed(home) : "";
}

#ifdef _WIN32
bool free_bytes(const std::string& folder, uint64_t& out) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(wide(folder).c_str(), &available, nullptr, nullptr)) return false;
  out = available.QuadPart;
  return true;
}

std::string try_writing(const std::string& folder) {
  std::wstring test = wide(join_path(folder, ".tarnwell-write-test"));
  HANDLE h = CreateFileW(test.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS)
      return DeleteFileW(test.c_str()) ? "" : tr("a test file could not be removed");
    std::string reason = os_reason_of((int)error);
    return reason.empty() ? fill(tr("Windows error {code}"), {{"code", std::to_string(error)}}) : reason;
  }
  CloseHandle(h);  // removes it
  return "";
}

std::vector<Place> places() {
  std::vector<Place> out;
  DWORD drives = GetLogicalDrives();
  for (int d = 0; d < 26; d++) {
    if (!(drives & (1u << d))) continue;
    wchar_t root[4] = {(wchar_t)(L'A' + d), L':', L'\\', 0};
    Place p;
    p.path = narrow(root);
    p.name = p.path.substr(0, 2);
    p.volume = true;
    out.push_back(p);
  }
  add_user_folders(out);
  return out;
}

std::string place_detail(const std::string& volume) {
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);  // an empty drive asks nothing
  wchar_t label[MAX_PATH + 1] = {0};
  GetVolumeInformationW(wide(volume).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
  std::string detail = narrow(label);
  uint64_t free = 0;
  if (free_bytes(volume, free)) detail += (detail.empty() ? "" : " \xC2\xB7 ") + free_text(free);
  SetErrorMode(old);
  return detail;
}

std::string hang_key(const std::string& path) {
  // A share's root, or a drive that is a network, removable or optical one; the drive's
  // type comes from the system's own table, not from the drive.
  size_t root = root_length(path);
  if (root > 3) return path.substr(0, root);
  if (root == 3 && path[1] == ':') {
    UINT type = GetDriveTypeW(wide(path.substr(0, 3)).c_str());
    if (type == DRIVE_REMOTE || type == DRIVE_REMOVABLE || type == DRIVE_CDROM) return path.substr(0, 3);
  }
  return trimmed(path);
}
#else
bool free_bytes(const std::string& folder, uint64_t& out) {
  struct statvfs s;
  if (statvfs(folder.c_str(), &s) != 0) return false;
  out = (uint64_t)s.f_bavail * s.f_frsize;
  return true;
}

std::string try_writing(const std::string& folder) {
  std::string test = join_path(folder, ".tarnwell-write-test-" + std::to_string(getpid()));
  FILE* f = fopen(test.c_str(), "wx");
  if (!f) return os_reason_of(errno);
  fclose(f);
  return unlink(test.c_str()) == 0 ? "" : os_reason_of(errno);
}

// /proc/mounts writes a space in a mount point as "\040", and so on.
static std::string unescaped(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); i++) {
    if (s[i] == '\\' && i + 3 < s.size() && digit(s[i + 1]) && digit(s[i + 2]) && digit(s[i + 3])) {
      out += (char)((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string place_detail(const std::string& volume) {
  uint64_t free = 0;
  return free_bytes(volume, free) ? free_text(free) : "";
}

// Each mount: its point and its file system's type. Read from the kernel's table; no
// mounted volume is asked anything.
static void each_mount(const std::function<void(const std::string&, const std::string&)>& f) {
  std::ifstream mounts("/proc/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    fields >> device >> point >> type;
    f(unescaped(point), type);
  }
}

// A mount that the places list: one under /media, /run/media or /mnt.
static bool media_mount(const std::string& point) {
  for (const char* under : {"/media/", "/run/media/", "/mnt/"})
    if (point.rfind(under, 0) == 0 && point.size() > strlen(under)) return true;
  return false;
}

std::vector<Place> places() {
  std::vector<Place> out;
  Place root{"/", "/", "", true};
  out.push_back(root);
  each_mount([&](const std::string& point, const std::string&) {
    if (media_mount(point)) out.push_back({readable_name(last_part(point)), point, "", true});
  });
  add_user_folders(out);
  return out;
}

std::string hang_key(const std::string& path) {
  // The innermost mount that holds it, when that is a medium or a network file system.
  static const char* const network[] = {"nfs",        "nfs4",        "cifs",     "smb3", "smbfs",
                                        "fuse.sshfs", "9p",          "ceph",     "afs",  "fuse.rclone",
                                        "davfs",      "fuse.davfs2", "glusterfs"};
  std::string key;
  each_mount([&](const std::string& point, const std::string& type) {
    bool remote = false;
    for (const char* n : network) remote |= type == n;
    if ((remote || media_mount(point)) && point != "/" && path_within(path, point) &&
        point.size() > key.size())
      key = point;
  });
  return key.empty() ? trimmed(path) : key;
}
#endif
