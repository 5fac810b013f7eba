#include "look/font_file.h"

#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

// The library compiles its reader with static linkage; this file keeps a copy of its own.
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <imstb_truetype.h>
#pragma GCC diagnostic pop

static bool open_face(const void* data, int index, stbtt_fontinfo* info) {
  const unsigned char* bytes = (const unsigned char*)data;
  int offset = stbtt_GetFontOffsetForIndex(bytes, index);
  return offset >= 0 && stbtt_InitFont(info, bytes, offset);
}

bool face_opens(const void* data, int index) {
  stbtt_fontinfo info;
  return open_face(data, index, &info);
}

float cap_height_fraction(const void* data, int index) {
  stbtt_fontinfo info;
  if (!open_face(data, index, &info)) return 0;
  int x0, y0, x1, y1;
  if (!stbtt_FindGlyphIndex(&info, 'H') || !stbtt_GetCodepointBox(&info, 'H', &x0, &y0, &x1, &y1)) return 0;
  return (float)(y1 - y0) * stbtt_ScaleForPixelHeight(&info, 1.0f);
}

bool face_has_char(const void* data, int index, char32_t c) {
  stbtt_fontinfo info;
  return open_face(data, index, &info) && stbtt_FindGlyphIndex(&info, (int)c) != 0;
}

static uint32_t read16(const unsigned char* p) { return (uint32_t)p[0] << 8 | p[1]; }
static uint32_t read32(const unsigned char* p) { return read16(p) << 16 | read16(p + 2); }

int face_count(const void* data, size_t size) {
  const unsigned char* bytes = (const unsigned char*)data;
  if (size < 12) return 0;
  if (memcmp(bytes, "ttcf", 4) == 0)
    return (int)std::min<uint32_t>(read32(bytes + 8), (uint32_t)(size - 12) / 4);
  return stbtt_GetNumberOfFonts(bytes) > 0 ? 1 : 0;
}

// Sorts runs and joins those that overlap or touch.
static void join_runs(std::vector<CharRange>& runs) {
  std::sort(runs.begin(), runs.end(), [](CharRange a, CharRange b) { return a.first < b.first; });
  size_t kept = 0;
  for (const CharRange& r : runs) {
    if (kept && r.first <= runs[kept - 1].last + 1)
      runs[kept - 1].last = std::max(runs[kept - 1].last, r.last);
    else
      runs[kept++] = r;
  }
  runs.resize(kept);
}

std::vector<CharRange> face_coverage(const void* data, size_t size, int index) {
  std::vector<CharRange> runs;
  stbtt_fontinfo info;
  if (!open_face(data, index, &info) || info.index_map <= 0) return runs;
  // The runs the map's segments (format 4) or groups (12, 13) name; each character in them
  // is then asked of the reader, as the rasteriser asks it, since a segment may map some of
  // its characters to no glyph. The small old formats: every character of the first plane.
  const unsigned char* bytes = (const unsigned char*)data;
  const size_t map = (size_t)info.index_map;
  const uint32_t format = map + 2 <= size ? read16(bytes + map) : 0;
  std::vector<CharRange> named;
  if (format == 4 && map + 14 <= size) {
    const size_t segments = read16(bytes + map + 6) / 2, ends = map + 14, starts = ends + 2 * segments + 2;
    for (size_t i = 0; i < segments && starts + 2 * i + 2 <= size; i++)
      named.push_back({read16(bytes + starts + 2 * i), read16(bytes + ends + 2 * i)});
  } else if ((format == 12 || format == 13) && map + 16 <= size) {
    const size_t groups = std::min<size_t>(read32(bytes + map + 12), (size - map - 16) / 12);
    for (size_t i = 0; i < groups; i++) {
      const unsigned char* group = bytes + map + 16 + 12 * i;
      named.push_back({read32(group), std::min<uint32_t>(read32(group + 4), 0x10FFFF)});
    }
  } else {
    named.push_back({0, 0xFFFF});
  }
  named.erase(std::remove_if(named.begin(), named.end(), [](CharRange r) { return r.first > r.last; }),
              named.end());
  join_runs(named);  // at most all of Unicode is asked, once
  for (const CharRange& r : named)
    for (char32_t c = r.first; c <= r.last; c++) {
      if (!stbtt_FindGlyphIndex(&info, (int)c)) continue;
      if (!runs.empty() && runs.back().last + 1 == c)
        runs.back().last = c;
      else
        runs.push_back({c, c});
    }
  return runs;
}

bool covers(const std::vector<CharRange>& runs, char32_t c) {
  auto after =
      std::upper_bound(runs.begin(), runs.end(), c, [](char32_t v, CharRange r) { return v < r.first; });
  return after != runs.begin() && c <= (after - 1)->last;
}
