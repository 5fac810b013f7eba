#include "look/font_file.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <SDL3/SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

// A face of the file, opened by FreeType, which checks every table against the file's size:
// bytes cut short or damaged are refused here. Each question opens the face on its own
// library, so that questions may come from any thread.
struct OpenFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  OpenFace(const void* data, size_t size, int index) {
    if (!data || size < 12 || (index >= 0 && !tables_fit(data, size, index)) ||
        FT_Init_FreeType(&library) != 0)
      return;
    if (FT_New_Memory_Face(library, (const FT_Byte*)data, (FT_Long)size, index, &face) != 0 ||
        FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 || !FT_IS_SCALABLE(face) ||
        face->ascender - face->descender <= 0) {
      if (face) FT_Done_Face(face);
      face = nullptr;
    }
  }
  ~OpenFace() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  explicit operator bool() const { return face != nullptr; }
};

static uint32_t read16(const unsigned char* p) { return (uint32_t)p[0] << 8 | p[1]; }
static uint32_t read32(const unsigned char* p) { return read16(p) << 16 | read16(p + 2); }

// Whether every table the directory of face `index` lists ends within `size` bytes;
// `read(at, n, out)` reads bytes of the file, false past its end.
template <class Read>
static bool directory_fits(size_t size, int index, Read read) {
  unsigned char b[16];
  if (size < 12 || !read(0, 12, b)) return false;
  size_t header = 0;
  if (memcmp(b, "ttcf", 4) == 0) {
    if (index < 0 || (uint32_t)index >= read32(b + 8) || !read(12 + 4 * (size_t)index, 4, b)) return false;
    header = read32(b);
  }
  if (!read(header, 12, b)) return false;
  const size_t tables = read16(b + 4);
  if (tables == 0) return false;
  for (size_t i = 0; i < tables; i++) {
    if (!read(header + 12 + 16 * i, 16, b)) return false;
    if ((uint64_t)read32(b + 8) + read32(b + 12) > size) return false;
  }
  return true;
}

bool tables_fit(const void* data, size_t size, int index) {
  if (!data) return false;
  return directory_fits(size, index, [&](size_t at, size_t n, unsigned char* out) {
    if (at > size || n > size - at) return false;
    memcpy(out, (const unsigned char*)data + at, n);
    return true;
  });
}

bool font_file_complete(const std::string& path, int index) {
  static std::mutex lock;
  static std::map<std::pair<std::string, int>, bool> known;
  std::lock_guard<std::mutex> hold(lock);
  auto found = known.find({path, index});
  if (found != known.end()) return found->second;
  bool complete = false;
  if (SDL_IOStream* io = SDL_IOFromFile(path.c_str(), "rb")) {
    const Sint64 size = SDL_GetIOSize(io);
    complete =
        size > 0 && directory_fits((size_t)size, index, [&](size_t at, size_t n, unsigned char* out) {
          return SDL_SeekIO(io, (Sint64)at, SDL_IO_SEEK_SET) == (Sint64)at && SDL_ReadIO(io, out, n) == n;
        });
    SDL_CloseIO(io);
  }
  return known[{path, index}] = complete;
}

bool face_opens(const void* data, size_t size, int index) {
  if (!tables_fit(data, size, index)) return false;
  OpenFace open(data, size, index);
  if (!open) return false;
  // Loading a glyph reads its outline and the tables that place it: a file cut inside them
  // fails now rather than drawing nothing later.
  FT_UInt h = FT_Get_Char_Index(open.face, 'H');
  return FT_Load_Glyph(open.face, h, FT_LOAD_NO_SCALE) == 0;
}

float cap_height_fraction(const void* data, size_t size, int index) {
  if (!tables_fit(data, size, index)) return 0;
  OpenFace open(data, size, index);
  if (!open) return 0;
  FT_UInt h = FT_Get_Char_Index(open.face, 'H');
  if (!h || FT_Load_Glyph(open.face, h, FT_LOAD_NO_SCALE) != 0) return 0;
  const FT_Glyph_Metrics& m = open.face->glyph->metrics;
  return (float)m.height / (float)(open.face->ascender - open.face->descender);
}

bool face_has_char(const void* data, size_t size, int index, char32_t c) {
  OpenFace open(data, size, index);
  return open && FT_Get_Char_Index(open.face, c) != 0;
}

int face_count(const void* data, size_t size) {
  OpenFace open(data, size, -1);  // index -1 only reads how many faces the file holds
  if (open) return (int)open.face->num_faces;
  // A collection whose first face is unreadable still opens as none.
  FT_Library library;
  if (!data || size < 12 || FT_Init_FreeType(&library) != 0) return 0;
  FT_Face face;
  int count = FT_New_Memory_Face(library, (const FT_Byte*)data, (FT_Long)size, -1, &face) == 0
                  ? (int)face->num_faces
                  : 0;
  if (count) FT_Done_Face(face);
  FT_Done_FreeType(library);
  return count;
}

std::vector<CharRange> face_coverage(const void* data, size_t size, int index) {
  std::vector<CharRange> runs;
  OpenFace open(data, size, index);
  if (!open) return runs;
  FT_UInt glyph = 0;
  for (FT_ULong c = FT_Get_First_Char(open.face, &glyph); glyph != 0;
       c = FT_Get_Next_Char(open.face, c, &glyph)) {
    if (c > 0x10FFFF) break;
    if (!runs.empty() && runs.back().last + 1 == c)
      runs.back().last = (char32_t)c;
    else if (runs.empty() || c > runs.back().last)
      runs.push_back({(char32_t)c, (char32_t)c});
  }
  return runs;
}

bool covers(const std::vector<CharRange>& runs, char32_t c) {
  auto after =
      std::upper_bound(runs.begin(), runs.end(), c, [](char32_t v, CharRange r) { return v < r.first; });
  return after != runs.begin() && c <= (after - 1)->last;
}
