#include "look/font_fallback.h"

#include "look/font_file.h"

#include <SDL3/SDL.h>

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <unordered_map>
#else
#include <fontconfig/fontconfig.h>
#endif

static std::string g_font_language;
static bool g_font_language_set = false;

void set_font_language(const std::string& code) {
  g_font_language = code;
  g_font_language_set = true;
}

const std::string& font_language() {
  if (!g_font_language_set) set_font_language(language_from_environment());
  return g_font_language;
}

// "zh_TW.UTF-8" -> "zh-Hant", "ja_JP" -> "ja", "pt_BR@euro" -> "pt".
static std::string language_of_locale(std::string locale) {
  locale = locale.substr(0, locale.find_first_of(".@:"));
  for (char& ch : locale)
    if (ch == '_') ch = '-';
  std::string language = locale.substr(0, locale.find('-'));
  if (language == "zh") {
    bool traditional = locale.find("Hant") != std::string::npos || locale.find("TW") != std::string::npos ||
                       locale.find("HK") != std::string::npos || locale.find("MO") != std::string::npos;
    return traditional ? "zh-Hant" : "zh-Hans";
  }
  return language;
}

std::string language_from_environment() {
#ifdef _WIN32
  int count = 0;
  SDL_Locale** locales = SDL_GetPreferredLocales(&count);
  std::string code = "en";
  if (locales && count > 0 && locales[0]->language) {
    code = locales[0]->language;
    if (locales[0]->country) code += std::string("_") + locales[0]->country;
    code = language_of_locale(code);
  }
  SDL_free(locales);
  return code;
#else
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    if (!value || !*value) continue;
    std::string first(value);
    first = first.substr(0, first.find(':'));  // LANGUAGE is a list
    if (first.empty() || first == "C" || first == "POSIX" || first.compare(0, 2, "C.") == 0) continue;
    return language_of_locale(first);
  }
  return "en";
#endif
}

std::vector<std::string> cjk_order(const std::string& code) {
  std::string language = language_of_locale(code);
  std::vector<std::string> order = {"zh-Hans", "zh-Hant", "ja", "ko"};
  if (language == "ja") order = {"ja", "zh-Hant", "zh-Hans", "ko"};
  if (language == "ko") order = {"ko", "ja", "zh-Hant", "zh-Hans"};
  if (language == "zh-Hant") order = {"zh-Hant", "zh-Hans", "ja", "ko"};
  return order;
}

#ifdef _WIN32

FontFace system_font_for(char32_t c) { return system_fonts_for({c})[0]; }

static std::string fonts_folder() {
  wchar_t windows[MAX_PATH];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "C:\\Windows\\Fonts\\";
  char utf8[MAX_PATH * 4];
  WideCharToMultiByte(CP_UTF8, 0, windows, -1, utf8, sizeof utf8, nullptr, nullptr);
  return std::string(utf8) + "\\Fonts\\";
}

// The files of GDI's font link chain for Segoe UI, the fallback it draws UI text with:
// values such as "MSYH.TTC,Microsoft YaHei UI,128,96".
static std::vector<std::string> font_link_files() {
  std::vector<std::string> files;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return files;
  for (const wchar_t* face : {L"Segoe UI", L"Tahoma", L"Microsoft Sans Serif"}) {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, face, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_MULTI_SZ)
      continue;
    std::wstring list(bytes / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key, face, nullptr, nullptr, (BYTE*)&list[0], &bytes);
    for (size_t at = 0; at < list.size() && list[at];) {
      std::wstring entry(&list[at]);
      at += entry.size() + 1;
      std::wstring file = entry.substr(0, entry.find(L','));
      char utf8[MAX_PATH * 4];
      WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
      files.push_back(utf8);
    }
  }
  RegCloseKey(key);
  return files;
}

// The system's fonts for the scripts Roboto lacks, the CJK ones in the UI language's
// order, then whatever the font link chain adds, then symbols and emoji.
static std::vector<std::string> candidate_files() {
  std::vector<std::string> files = {"segoeui.ttf", "tahoma.ttf", "LeelawUI.ttf", "Nirmala.ttf"};
  for (const std::string& language : cjk_order(font_language())) {
    if (language == "ja") files.insert(files.end(), {"YuGothM.ttc", "msgothic.ttc"});
    if (language == "ko") files.push_back("malgun.ttf");
    if (language == "zh-Hant") files.push_back("msjh.ttc");
    if (language == "zh-Hans") files.push_back("msyh.ttc");
  }
  for (const std::string& file : font_link_files()) files.push_back(file);
  files.insert(files.end(), {"seguisym.ttf", "seguiemj.ttf"});
  return files;
}

// What each file covers, face by face (up to 16 faces of a collection), read once for the
// whole run: a character that no candidate has costs a look through these, not a read of
// every candidate file again. Empty for a file that is missing or no font. Frame thread only.
static const std::vector<std::vector<CharRange>>& file_coverage(const std::string& path) {
  static std::unordered_map<std::string, std::vector<std::vector<CharRange>>> known;
  auto found = known.find(path);
  if (found != known.end()) return found->second;
  std::vector<std::vector<CharRange>>& faces = known[path];
  size_t size = 0;
  if (void* data = ImFileLoadToMemory(path.c_str(), "rb", &size)) {
    for (int index = 0, count = std::min(face_count(data, size), 16); index < count; index++)
      faces.push_back(face_coverage(data, size, index));
    IM_FREE(data);
  }
  return faces;
}

std::vector<FontFace> system_fonts_for(const std::vector<char32_t>& chars) {
  // The candidates change with the UI language only.
  static std::vector<std::string> paths;
  static std::string paths_for;
  if (paths.empty() || paths_for != font_language()) {
    paths.clear();
    paths_for = font_language();
    std::string folder = fonts_folder();
    for (const std::string& file : candidate_files())
      paths.push_back(file.find(':') == std::string::npos ? folder + file : file);
  }
  std::vector<FontFace> found(chars.size());
  size_t open = chars.size();
  for (const std::string& path : paths) {
    if (open == 0) break;
    const std::vector<std::vector<CharRange>>& faces = file_coverage(path);
    // Every face of a collection: the first one that has the character.
    for (size_t i = 0; i < chars.size(); i++)
      for (int index = 0; found[i].path.empty() && index < (int)faces.size(); index++)
        if (covers(faces[index], chars[i])) {
          found[i] = FontFace{path, index};
          open--;
        }
  }
  return found;
}

#else

std::vector<FontFace> system_fonts_for(const std::vector<char32_t>& chars) {
  std::vector<FontFace> found;
  for (char32_t c : chars) found.push_back(system_font_for(c));
  return found;
}

// fontconfig's language tags for the CJK codes.
static const char* fontconfig_language(const std::string& code) {
  if (code == "zh-Hans") return "zh-cn";
  if (code == "zh-Hant") return "zh-tw";
  if (code == "ja") return "ja";
  if (code == "ko") return "ko";
  return nullptr;
}

// The system's fonts in the order fontconfig prefers them for sans-serif text in the UI
// language; sorted once per language.
static FcFontSet* sorted_fonts() {
  static FcFontSet* sorted = nullptr;
  static std::string sorted_for;
  if (sorted && sorted_for == font_language()) return sorted;
  if (sorted) FcFontSetDestroy(sorted);
  sorted = nullptr;
  sorted_for = font_language();
  if (!FcInit()) return nullptr;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)"sans-serif");
  std::string own = language_of_locale(sorted_for);
  if (!fontconfig_language(own) && own != "en")
    FcPatternAddString(pattern, FC_LANG, (const FcChar8*)own.c_str());
  for (const std::string& code : cjk_order(sorted_for))
    FcPatternAddString(pattern, FC_LANG, (const FcChar8*)fontconfig_language(code));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  return sorted;
}

FontFace system_font_for(char32_t c) {
  FcFontSet* fonts = sorted_fonts();
  if (!fonts) return FontFace{};
  for (int i = 0; i < fonts->nfont; i++) {
    FcPattern* font = fonts->fonts[i];
    FcCharSet* chars = nullptr;
    FcBool flag = FcFalse;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch || !FcCharSetHasChar(chars, c))
      continue;
    if (FcPatternGetBool(font, FC_COLOR, 0, &flag) == FcResultMatch && flag) continue;
    if (FcPatternGetBool(font, FC_VARIABLE, 0, &flag) == FcResultMatch && flag) continue;
    FcChar8* format = nullptr;
    if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
        strcmp((const char*)format, "TrueType") != 0 && strcmp((const char*)format, "CFF") != 0)
      continue;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    // A file cut short (fontconfig indexed it from its intact start) is passed over for the
    // next face that has the character.
    if (!font_file_complete((const char*)file, index & 0xFFFF)) continue;
    return FontFace{(const char*)file, index & 0xFFFF};
  }
  return FontFace{};
}

#endif
