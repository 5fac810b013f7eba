#include "widgets/shown_text.h"

#include "look/shaping.h"
#include "look/theme.h"
#include "text/language.h"

#include <unordered_map>


// One cache for sentences and one for paths, each for the text face and the monospaced
// face: shaping depends on the face's glyphs.
static std::unordered_map<std::string, std::string> g_shown[2][2];

static bool plain_ascii(const std::string& text) {
  for (unsigned char ch : text)
    if (ch >= 0x80) return false;
  return true;
}

// Each line shaped on its own (the library breaks lines at '\n'); with `path`, each part
// between separators too.
static std::string shaped_text(const std::string& text, bool path) {
  std::string out;
  out.reserve(text.size() * 2);
  ImFont* font = ImGui::GetFont();
  size_t start = 0;
  for (size_t at = 0; at <= text.size(); at++) {
    char c = at < text.size() ? text[at] : '\n';
    bool cut = c == '\n' || (path && (c == '/' || c == '\\'));
    if (!cut) continue;
    out += shape_line(text.substr(start, at - start), font, ui_rtl() && !path);
    if (at < text.size()) out += c;
    start = at + 1;
  }
  return out;
}

static const std::string& shown(const std::string& text, bool path) {
  // A long run of changing texts (a log that scrolls) is let go at the start of a frame,
  // never while a result handed out in this frame may still be in use; all of them when the
  // fonts were rebuilt, since a shaped text names the glyphs of the faces it was shaped for.
  static int trimmed_at = -1, fonts = -1;
  if (ImGui::GetFrameCount() != trimmed_at || fonts != g_font_builds) {
    trimmed_at = ImGui::GetFrameCount();
    for (auto& kind : g_shown)
      for (auto& cache : kind)
        if (cache.size() > 2000 || fonts != g_font_builds) cache.clear();
    fonts = g_font_builds;
  }
  bool mono = F_MONO && ImGui::GetFont() == F_MONO.face && F_MONO.face != F_ROW.face;
  auto& cache = g_shown[path][mono];
  auto found = cache.find(text);
  if (found != cache.end()) return found->second;
  // Plain ASCII draws as it is; it is kept too, so that the result outlives a temporary
  // argument (a translated const char*).
  if (plain_ascii(text)) return cache.emplace(text, text).first->second;
  want_glyphs(text);
  return cache.emplace(text, shaped_text(text, path)).first->second;
}

const std::string& shown_text(const std::string& text) { return shown(text, false); }
const std::string& shown_path(const std::string& path) { return shown(path, true); }

std::string shown_label(const char* label) {
  std::string whole = label;
  size_t hidden = whole.find("##");
  std::string visible = whole.substr(0, hidden);
  if (plain_ascii(visible)) return whole;
  return shown_text(visible) + "###" + whole;
}
