#include "widgets/shown_text.h"

#include "look/theme.h"
#include "text/utf8.h"

#include <fribidi.h>

#include <unordered_map>
#include <vector>

// One cache for text drawn in the text face and one for the monospaced face, since each
// asks for the fallbacks of its own face.
static std::unordered_map<std::string, std::string> g_shown[2];

static bool plain_ascii(const std::string& text) {
  for (unsigned char ch : text)
    if (ch >= 0x80) return false;
  return true;
}

// One part of a path in visual order: FriBidi reorders it and, for Arabic, replaces the
// letters by their joined presentation forms.
static void append_visual(std::string& out, const std::vector<FriBidiChar>& part) {
  bool rtl = false;
  for (FriBidiChar c : part) rtl |= FRIBIDI_IS_RTL(fribidi_get_bidi_type(c));
  std::vector<FriBidiChar> visual(part);
  if (rtl && !part.empty()) {
    FriBidiParType direction = FRIBIDI_PAR_ON;
    if (!fribidi_log2vis(part.data(), (FriBidiStrIndex)part.size(), &direction, visual.data(), nullptr,
                         nullptr, nullptr))
      visual = part;
  }
  for (FriBidiChar c : visual)
    if (!is_invisible(c)) utf8_append(out, c);
}

static std::string visual_text(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::vector<FriBidiChar> part;
  for (size_t at = 0, next; at < text.size(); at = next) {
    char32_t c = utf8_decode(text, at, &next);
    if (c == '/' || c == '\\' || c == '\n') {
      append_visual(out, part);
      part.clear();
      out += (char)c;
    } else {
      part.push_back(c);
    }
  }
  append_visual(out, part);
  return out;
}

const std::string& shown_text(const std::string& text) {
  if (plain_ascii(text)) return text;
  // A long run of changing texts (a log that scrolls) is let go at the start of a frame,
  // never while a result handed out in this frame may still be in use.
  static int trimmed_at = -1;
  if (ImGui::GetFrameCount() != trimmed_at) {
    trimmed_at = ImGui::GetFrameCount();
    for (auto& cache : g_shown)
      if (cache.size() > 2000) cache.clear();
  }
  bool mono = F_MONO && ImGui::GetFont() == F_MONO.face && F_MONO.face != F_ROW.face;
  auto& cache = g_shown[mono];
  auto found = cache.find(text);
  if (found != cache.end()) return found->second;
  std::string shown = visual_text(text);
  want_glyphs(shown);
  return cache.emplace(text, std::move(shown)).first->second;
}
