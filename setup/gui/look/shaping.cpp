#include "look/shaping.h"

#include "look/font_fallback.h"
#include "look/glyph_loader.h"
#include "text/utf8.h"

#include <fribidi.h>
#include <hb.h>

#include <vector>

static long long g_shaped_runs = 0;

long long shaped_runs() { return g_shaped_runs; }

// Characters that belong with the one before them, so that they take its face and script:
// marks, joiners and variation selectors.
static bool attaches(char32_t c) {
  switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK: return true;
    default:
      return c == 0x200C || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF) ||
             (c >= 0x1F3FB && c <= 0x1F3FF);
  }
}

// The first face of the font with a glyph for `c`, as the library itself would choose it.
static int first_face(const std::vector<LoadedFace*>& faces, char32_t c) {
  for (size_t i = 0; i < faces.size(); i++)
    if (faces[i] && face_glyph(faces[i], c)) return (int)i;
  return -1;
}

// Scripts written with Latin letters, Cyrillic or Greek are drawn as the library draws them
// on their own: without kerning or ligatures, so that their widths stay those of every other
// text of the window.
static bool plain_script(hb_script_t script) {
  return script == HB_SCRIPT_LATIN || script == HB_SCRIPT_CYRILLIC || script == HB_SCRIPT_GREEK ||
         script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
}

struct Segment {
  int begin, end, face;
  hb_script_t script;
};

// A run of one direction cut where the script or the face changes.
static std::vector<Segment> segments(const std::vector<char32_t>& text, int begin, int end,
                                     const std::vector<LoadedFace*>& faces) {
  std::vector<Segment> out;
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  for (int i = begin; i < end; i++) {
    char32_t c = text[i];
    hb_script_t script = hb_unicode_script(unicode, c);
    bool neutral = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED;
    int face = -1;
    if (is_glyph_code(c)) {
      face = -1;
    } else if (!out.empty() && attaches(c)) {
      int previous = out.back().face;
      face = previous >= 0 && (face_glyph(faces[previous], c) || c == 0x200C || c == 0x200D)
                 ? previous
                 : first_face(faces, c);
    } else {
      face = first_face(faces, c);
    }
    if (!out.empty() && out.back().face == face &&
        (neutral || out.back().script == script || out.back().script == HB_SCRIPT_COMMON)) {
      if (!neutral) out.back().script = script;
      out.back().end = i + 1;
      continue;
    }
    out.push_back({i, i + 1, face, neutral ? HB_SCRIPT_COMMON : script});
  }
  return out;
}

// The glyphs of one segment, left to right, appended to `out`.
static void shape_segment(const std::vector<char32_t>& text, const Segment& segment, bool rtl,
                          const std::vector<LoadedFace*>& faces, hb_buffer_t* buffer, std::string& out) {
  if (segment.face < 0) {  // no face has these: the library's replacement glyph stands in
    for (int k = segment.begin; k < segment.end; k++) {
      char32_t c = text[rtl ? segment.end - 1 - (k - segment.begin) : k];
      if (!is_invisible(c)) utf8_append(out, c);
    }
    return;
  }
  LoadedFace* face = faces[segment.face];
  hb_buffer_clear_contents(buffer);
  hb_buffer_add_utf32(buffer, (const uint32_t*)text.data(), (int)text.size(), (unsigned)segment.begin,
                      segment.end - segment.begin);
  hb_buffer_set_direction(buffer, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buffer, segment.script == HB_SCRIPT_COMMON ? HB_SCRIPT_LATIN : segment.script);
  hb_buffer_set_language(buffer, hb_language_from_string(font_language().c_str(), -1));
  hb_buffer_set_flags(buffer,
                      (hb_buffer_flags_t)(HB_BUFFER_FLAG_REMOVE_DEFAULT_IGNORABLES |
                                          (segment.begin == 0 ? HB_BUFFER_FLAG_BOT : 0) |
                                          (segment.end == (int)text.size() ? HB_BUFFER_FLAG_EOT : 0)));
  static const hb_feature_t plain[] = {{HB_TAG('k', 'e', 'r', 'n'), 0, 0, (unsigned)-1},
                                       {HB_TAG('l', 'i', 'g', 'a'), 0, 0, (unsigned)-1},
                                       {HB_TAG('c', 'l', 'i', 'g'), 0, 0, (unsigned)-1}};
  bool keep_plain = plain_script(segment.script);
  hb_shape(face_shaper(face), buffer, keep_plain ? plain : nullptr, keep_plain ? 3 : 0);
  g_shaped_runs++;
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, nullptr);
  for (unsigned i = 0; i < count; i++) {
    char32_t c = text[info[i].cluster];
    PlacedGlyph glyph{face, info[i].codepoint, position[i].x_offset, position[i].y_offset,
                      position[i].x_advance};
    // A glyph that is the character's own, unmoved, in the face the library would take for
    // it, is left as the character: most text keeps its code points.
    bool own = !(c >= 0xE000 && c <= 0xF8FF) && glyph.x_offset == 0 && glyph.y_offset == 0 &&
               first_face(faces, c) == segment.face && face_glyph(face, c) == glyph.glyph &&
               face_advance(face, glyph.glyph) == glyph.x_advance;
    char32_t code = own ? c : glyph_code(glyph);
    utf8_append(out, code ? code : c);
  }
}

std::string shape_line(const std::string& line, ImFont* font, bool rtl) {
  std::vector<char32_t> text;
  text.reserve(line.size());
  for (size_t at = 0, next; at < line.size(); at = next) text.push_back(utf8_decode(line, at, &next));
  std::string out;
  if (text.empty() || !font) return out;
  std::vector<LoadedFace*> faces;
  for (ImFontConfig* source : font->Sources) faces.push_back(loaded_face(source));

  // Levels by the bidirectional algorithm, then reordered for display: `order` holds the
  // logical index of each position from left to right.
  int n = (int)text.size();
  std::vector<FriBidiCharType> types(n);
  std::vector<FriBidiBracketType> brackets(n);
  std::vector<FriBidiLevel> levels(n);
  std::vector<FriBidiStrIndex> order(n);
  const FriBidiChar* chars = (const FriBidiChar*)text.data();
  fribidi_get_bidi_types(chars, n, types.data());
  fribidi_get_bracket_types(chars, n, types.data(), brackets.data());
  FriBidiParType direction = rtl ? FRIBIDI_PAR_WRTL : FRIBIDI_PAR_WLTR;
  bool ordered =
      fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction, levels.data()) != 0;
  for (int i = 0; i < n; i++) order[i] = i;
  if (ordered)
    ordered =
        fribidi_reorder_line(0, types.data(), n, 0, direction, levels.data(), nullptr, order.data()) != 0;
  if (!ordered) {
    for (int i = 0; i < n; i++) levels[i] = 0, order[i] = i;
  }

  hb_buffer_t* buffer = hb_buffer_create();
  // Each stretch of one level is a run of consecutive characters; right-to-left runs show
  // their characters from last to first, and their segments too.
  for (int at = 0; at < n;) {
    int level = levels[order[at]], end = at + 1;
    while (end < n && levels[order[end]] == level) end++;
    int first = order[at], last = order[end - 1];
    int begin = first < last ? first : last, stop = (first < last ? last : first) + 1;
    bool run_rtl = level & 1;
    std::vector<Segment> parts = segments(text, begin, stop, faces);
    if (run_rtl)
      for (size_t i = parts.size(); i-- > 0;) shape_segment(text, parts[i], true, faces, buffer, out);
    else
      for (const Segment& part : parts) shape_segment(text, part, false, faces, buffer, out);
    at = end;
  }
  hb_buffer_destroy(buffer);
  return out;
}
