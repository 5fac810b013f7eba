#include "app/font_file.h"

#include <imgui.h>

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
