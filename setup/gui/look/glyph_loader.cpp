#include "look/glyph_loader.h"

#include "look/font_file.h"

#include <imgui_internal.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

// The code points shaped glyphs take: the Basic Multilingual Plane's private-use area, so
// that the library's per-size tables, which grow to the highest code point drawn, stay
// small (6,400 glyphs; a screen of mixed scripts uses a few hundred).
static const char32_t FIRST_CODE = 0xE000, LAST_CODE = 0xF8FF;

struct LoadedFace {
  FT_Face face = nullptr;
  hb_font_t* shaper = nullptr;
  float units_to_size = 0;  // pixels per font unit at a size of one pixel
  ImFontBaked* active = nullptr;
};

// Each size of each face has a FreeType size object of its own; the library keeps these.
struct BakedFace {
  FT_Size size;
};

struct GlyphHash {
  size_t operator()(const PlacedGlyph& g) const {
    size_t h = std::hash<const void*>()(g.face);
    for (int v : {(int)g.glyph, g.x_offset, g.y_offset, g.x_advance}) h = h * 1000003u ^ (size_t)(unsigned)v;
    return h;
  }
};

static std::vector<PlacedGlyph> g_codes;
static std::unordered_map<PlacedGlyph, char32_t, GlyphHash> g_code_of;
static bool g_codes_full = false;

char32_t glyph_code(const PlacedGlyph& glyph) {
  auto found = g_code_of.find(glyph);
  if (found != g_code_of.end()) return found->second;
  if (FIRST_CODE + g_codes.size() > LAST_CODE) {
    g_codes_full = true;
    return 0;
  }
  char32_t code = FIRST_CODE + (char32_t)g_codes.size();
  g_codes.push_back(glyph);
  g_code_of.emplace(glyph, code);
  return code;
}

bool glyph_codes_full() { return g_codes_full; }
int glyph_codes_used() { return (int)g_codes.size(); }

void glyph_codes_reset() {
  g_codes.clear();
  g_code_of.clear();
  g_codes_full = false;
}

static const PlacedGlyph* placed(char32_t code) {
  if (code < FIRST_CODE || code >= FIRST_CODE + g_codes.size()) return nullptr;
  return &g_codes[code - FIRST_CODE];
}

bool is_glyph_code(char32_t c) { return placed(c) != nullptr; }
const PlacedGlyph* placed_glyph(char32_t c) { return placed(c); }

LoadedFace* loaded_face(const ImFontConfig* source) {
  const ImFontLoader* loader =
      source->FontLoader ? source->FontLoader : source->DstFont->ContainerAtlas->FontLoader;
  return loader == glyph_loader() ? (LoadedFace*)source->FontLoaderData : nullptr;
}
hb_font_t* face_shaper(LoadedFace* face) { return face->shaper; }
unsigned face_glyph(LoadedFace* face, char32_t c) { return FT_Get_Char_Index(face->face, c); }
int face_advance(LoadedFace* face, unsigned glyph) {
  return hb_font_get_glyph_h_advance(face->shaper, glyph);
}

static bool loader_init(ImFontAtlas* atlas) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  atlas->FontLoaderData = library;
  return true;
}

static void loader_shutdown(ImFontAtlas* atlas) {
  FT_Done_FreeType((FT_Library)atlas->FontLoaderData);
  atlas->FontLoaderData = nullptr;
}

static bool source_init(ImFontAtlas* atlas, ImFontConfig* source) {
  if (!tables_fit(source->FontData, (size_t)source->FontDataSize, source->FontNo)) return false;
  LoadedFace* face = IM_NEW(LoadedFace)();
  // FreeType checks the file's tables against its size as it opens them: a file cut short
  // or holding garbage fails here rather than being read out of bounds later.
  if (FT_New_Memory_Face((FT_Library)atlas->FontLoaderData, (const FT_Byte*)source->FontData,
                         (FT_Long)source->FontDataSize, source->FontNo, &face->face) != 0 ||
      FT_Select_Charmap(face->face, FT_ENCODING_UNICODE) != 0 || !FT_IS_SCALABLE(face->face) ||
      face->face->ascender - face->face->descender <= 0) {
    if (face->face) FT_Done_Face(face->face);
    IM_DELETE(face);
    return false;
  }
  hb_blob_t* blob = hb_blob_create((const char*)source->FontData, (unsigned)source->FontDataSize,
                                   HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* shaped = hb_face_create(blob, (unsigned)source->FontNo);
  face->shaper = hb_font_create(shaped);
  hb_face_destroy(shaped);
  hb_blob_destroy(blob);
  // The same scale the library's own reader takes: ascent to descent fills the size.
  face->units_to_size = 1.0f / (float)(face->face->ascender - face->face->descender);
  source->FontLoaderData = face;
  return true;
}

static void source_destroy(ImFontAtlas*, ImFontConfig* source) {
  LoadedFace* face = (LoadedFace*)source->FontLoaderData;
  if (!face) return;
  hb_font_destroy(face->shaper);
  FT_Done_Face(face->face);
  IM_DELETE(face);
  source->FontLoaderData = nullptr;
}

static bool source_contains(ImFontAtlas*, ImFontConfig* source, ImWchar c) {
  LoadedFace* face = (LoadedFace*)source->FontLoaderData;
  if (const PlacedGlyph* glyph = placed(c)) return glyph->face == face;
  return FT_Get_Char_Index(face->face, c) != 0;
}

// A merged face is drawn at its own share of the size (fallback faces are sized to match
// the main face's capitals).
static float source_size(const ImFontConfig* source, const ImFontBaked* baked) {
  float size = baked->Size;
  float reference = baked->ContainerFont->Sources[0]->SizePixels;
  if (source->MergeMode && source->SizePixels != 0 && reference != 0) size *= source->SizePixels / reference;
  return size;
}

static bool baked_init(ImFontAtlas*, ImFontConfig* source, ImFontBaked* baked, void* data) {
  LoadedFace* face = (LoadedFace*)source->FontLoaderData;
  BakedFace* sized = IM_PLACEMENT_NEW(data) BakedFace();
  if (FT_New_Size(face->face, &sized->size) != 0) return false;
  FT_Activate_Size(sized->size);
  face->active = baked;
  float density = source->RasterizerDensity * baked->RasterizerDensity;
  float pixels_per_unit = source_size(source, baked) * face->units_to_size * density;
  FT_Size_RequestRec request = {};
  request.type = FT_SIZE_REQUEST_TYPE_SCALES;
  // The scales map font units to 26.6 pixels, as 16.16 numbers.
  request.width = request.height = (FT_Long)llround((double)pixels_per_unit * 64.0 * 65536.0);
  FT_Request_Size(face->face, &request);
  if (!source->MergeMode) {
    float scale = source_size(source, baked) * face->units_to_size;
    baked->Ascent = ImCeil(face->face->ascender * scale);
    baked->Descent = ImFloor(face->face->descender * scale);
  }
  return true;
}

static void baked_destroy(ImFontAtlas*, ImFontConfig* source, ImFontBaked*, void* data) {
  BakedFace* sized = (BakedFace*)data;
  LoadedFace* face = (LoadedFace*)source->FontLoaderData;
  if (face) face->active = nullptr;
  FT_Done_Size(sized->size);
  sized->~BakedFace();
}

// Grey coverage (or a colour glyph) as the atlas's white-with-alpha pixels.
static void copy_bitmap(const FT_Bitmap& bitmap, uint32_t* out) {
  const unsigned char* row = bitmap.buffer;
  for (unsigned y = 0; y < bitmap.rows; y++, row += bitmap.pitch, out += bitmap.width)
    for (unsigned x = 0; x < bitmap.width; x++) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        out[x] = IM_COL32(255, 255, 255, (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0);
      else if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {
        unsigned a = row[x * 4 + 3];
        auto straight = [a](unsigned v) { return a ? std::min(255u, (v * 255 + a / 2) / a) : 0u; };
        out[x] = IM_COL32(straight(row[x * 4 + 2]), straight(row[x * 4 + 1]), straight(row[x * 4]), a);
      } else
        out[x] = IM_COL32(255, 255, 255, row[x]);
    }
}

static bool baked_load_glyph(ImFontAtlas* atlas, ImFontConfig* source, ImFontBaked* baked, void* data,
                             ImWchar c, ImFontGlyph* out, float* out_advance) {
  LoadedFace* face = (LoadedFace*)source->FontLoaderData;
  const PlacedGlyph* shaped = placed(c);
  if (shaped && shaped->face != face) return false;
  unsigned index = shaped ? shaped->glyph : FT_Get_Char_Index(face->face, c);
  if (index == 0 && !shaped) return false;
  if (face->active != baked) {
    FT_Activate_Size(((BakedFace*)data)->size);
    face->active = baked;
  }
  float scale = source_size(source, baked) * face->units_to_size;
  float density = source->RasterizerDensity * baked->RasterizerDensity;
  // Light hinting fits stems and the x-height to the pixel rows only, so small text stays
  // crisp while every advance stays the font's own, as the shaping measured it.
  if (FT_Load_Glyph(face->face, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) return false;
  FT_GlyphSlot slot = face->face->glyph;
  float advance = shaped ? shaped->x_advance * scale : (float)slot->linearHoriAdvance / 65536.0f / density;
  if (out_advance) {
    *out_advance = advance;
    return true;
  }
  out->Codepoint = c;
  out->AdvanceX = advance;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE && slot->format != FT_GLYPH_FORMAT_BITMAP) return true;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return true;
  const FT_Bitmap& bitmap = slot->bitmap;
  int w = (int)bitmap.width, h = (int)bitmap.rows;
  if (w == 0 || h == 0) return true;
  ImFontAtlasRectId id = ImFontAtlasPackAddRect(atlas, w, h);
  if (id == ImFontAtlasRectId_Invalid) return false;
  ImTextureRect* rect = ImFontAtlasPackGetRect(atlas, id);
  atlas->Builder->TempBuffer.resize(w * h * 4);
  copy_bitmap(bitmap, (uint32_t*)atlas->Builder->TempBuffer.Data);
  float x = (float)slot->bitmap_left / density, y = (float)-slot->bitmap_top / density;
  if (shaped) {
    x += shaped->x_offset * scale;
    y -= shaped->y_offset * scale;
  }
  const float reference = baked->ContainerFont->Sources[0]->SizePixels;
  const float offsets = reference != 0 ? baked->Size / reference : 1.0f;
  x += IM_ROUND(source->GlyphOffset.x * offsets);
  y += IM_ROUND(source->GlyphOffset.y * offsets) + IM_ROUND(baked->Ascent);
  out->X0 = x;
  out->Y0 = y;
  out->X1 = x + w / density;
  out->Y1 = y + h / density;
  out->Visible = true;
  out->Colored = bitmap.pixel_mode == FT_PIXEL_MODE_BGRA;
  out->PackId = id;
  ImFontAtlasBakedSetFontGlyphBitmap(atlas, baked, source, out, rect, atlas->Builder->TempBuffer.Data,
                                     ImTextureFormat_RGBA32, w * 4);
  return true;
}

const ImFontLoader* glyph_loader() {
  static ImFontLoader loader = [] {
    ImFontLoader l;
    l.Name = "FreeType with shaped glyphs";
    l.LoaderInit = loader_init;
    l.LoaderShutdown = loader_shutdown;
    l.FontSrcInit = source_init;
    l.FontSrcDestroy = source_destroy;
    l.FontSrcContainsGlyph = source_contains;
    l.FontBakedInit = baked_init;
    l.FontBakedDestroy = baked_destroy;
    l.FontBakedLoadGlyph = baked_load_glyph;
    l.FontBakedSrcLoaderDataSize = sizeof(BakedFace);
    return l;
  }();
  return &loader;
}
