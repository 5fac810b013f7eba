#include "look/theme.h"

#include "look/font_fallback.h"
#include "look/font_file.h"
#include "look/glyph_loader.h"
#include "state/app.h"
#include "text/utf8.h"

#include <SDL3/SDL.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <vector>

float g_font_scale = 0;
int g_font_builds = 0;
Font F_ROW, F_TITLE, F_HEAD, F_BODY, F_SMALL, F_MONO;

const ImVec4 TEXT(0.96f, 0.92f, 0.84f, 1.0f);
const ImVec4 DIM(0.66f, 0.58f, 0.47f, 1.0f);
const ImVec4 GOLD(0.96f, 0.74f, 0.28f, 1.0f);

void apply_theme() {
  ImGui::StyleColorsDark(nullptr);
  ImGui::GetStyle().Colors[ImGuiCol_NavCursor] = ImVec4(0.93f, 0.76f, 0.33f, 0.90f);
}

// The 1620 x 1080 design canvas fitted inside the window: the limiting side decides.
float ui_scale(int width, int height) {
  float w = (float)width, h = (float)height;
  return w / h < 1.5f ? w / 1620.0f : h / 1080.0f;
}

static bool is_file(const char* path) {
  SDL_PathInfo info;
  return SDL_GetPathInfo(path, &info) && info.type == SDL_PATHTYPE_FILE;
}

std::string first_font_file(std::initializer_list<const char*> candidates, const std::string& fallback) {
  for (const char* path : candidates)
    if (is_file(path)) return path;
  return fallback;
}

static std::string mono_font_path(const std::string& text_path) {
#ifdef _WIN32
  return first_font_file({"C:\\Windows\\Fonts\\consola.ttf"}, text_path);
#else
  return first_font_file(
      {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "/usr/share/fonts/TTF/DejaVuSansMono.ttf",
       "/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono.ttf",
       "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"},
      text_path);
#endif
}

// A fallback font of one of the two faces: a system font file and the face within it.
struct Fallback {
  FontFace face;
  bool operator==(const Fallback& other) const {
    return face.path == other.face.path && face.index == other.face.index;
  }
};

// What the atlas holds and what it should hold: the fallbacks of the text face and of
// the monospaced face, in the order they were wanted.
static std::vector<Fallback> g_text_fallbacks, g_mono_fallbacks;
static size_t g_built_text = 0, g_built_mono = 0;
static ImFontAtlas* g_built_atlas = nullptr;
// Characters already looked up for each face, found or not: a miss is asked once.
static std::unordered_set<char32_t> g_asked_text, g_asked_mono;

// The bytes of the font files the atlas draws from, each file read once and shared by all
// the faces that use it (the text face and the monospaced one often take the same CJK
// fallback, a file of up to some 20 MB). The atlas borrows them: they stay until a build of
// the atlas no longer uses them. One GUI context at a time draws from them.
static std::unordered_map<std::string, std::vector<char>> g_font_files;

// The file's bytes: kept from the faces already added, taken over from the last build
// (`previous`), or read now. Null when it is no regular file or cannot be read.
static const std::vector<char>* font_file_bytes(
    const std::string& path, std::unordered_map<std::string, std::vector<char>>& previous) {
  auto kept = g_font_files.find(path);
  if (kept != g_font_files.end()) return &kept->second;
  auto old = previous.find(path);
  if (old != previous.end()) return &g_font_files.emplace(path, std::move(old->second)).first->second;
  SDL_IOStream* io = is_file(path.c_str()) ? SDL_IOFromFile(path.c_str(), "rb") : nullptr;
  if (!io) return nullptr;
  Sint64 size = SDL_GetIOSize(io);
  std::vector<char> bytes(size > 0 && size < (1 << 30) ? (size_t)size : 0);
  bool read = !bytes.empty() && SDL_ReadIO(io, bytes.data(), bytes.size()) == bytes.size();
  SDL_CloseIO(io);
  return read ? &g_font_files.emplace(path, std::move(bytes)).first->second : nullptr;
}

// The file's face at `pixels`, alone or merged into the last face added, drawn from the
// file's shared bytes. Null when it cannot be read. A merged face is sized so that its
// capitals stand as tall as those of the face it serves (`reference_cap`): a CJK or Thai
// face at Roboto's pixel size looks a size smaller.
static ImFont* add_face(ImFontAtlas* atlas, const std::string& path, int index, float pixels, bool merge,
                        float reference_cap, std::unordered_map<std::string, std::vector<char>>& previous) {
  const std::vector<char>* bytes = font_file_bytes(path, previous);
  // The library would give up on a face that does not open only after taking the bytes over.
  if (!bytes || bytes->size() <= 100 || !face_opens(bytes->data(), bytes->size(), index)) return nullptr;
  ImFontConfig config;
  config.FontNo = index;
  config.MergeMode = merge;
  // Handed over without a copy (the library copies bytes it does not own), then marked as
  // ours, so that clearing the atlas leaves them to g_font_files.
  config.FontDataOwnedByAtlas = true;
  float cap = merge ? cap_height_fraction(bytes->data(), bytes->size(), index) : 0;
  if (cap > 0 && reference_cap > 0) pixels *= std::min(1.6f, std::max(1.0f, reference_cap / cap));
  snprintf(config.Name, sizeof config.Name, "%s", path.substr(path.find_last_of("/\\") + 1).c_str());
  ImFont* font =
      atlas->AddFontFromMemoryTTF((void*)bytes->data(), (int)bytes->size(), pixels, &config, nullptr);
  if (font) atlas->Sources.back().FontDataOwnedByAtlas = false;
  return font;
}

// A face and its fallbacks; the built-in font at its own size when the file is missing.
static ImFont* add_face_with_fallbacks(ImFontAtlas* atlas, const std::string& path, float pixels,
                                       const std::vector<Fallback>& fallbacks, bool* built_in,
                                       std::unordered_map<std::string, std::vector<char>>& previous) {
  ImFont* face = add_face(atlas, path, 0, pixels, false, 0, previous);
  *built_in = !face;
  if (!face) return atlas->AddFontDefault(nullptr);
  float cap = cap_height_fraction(face->Sources[0]->FontData, (size_t)face->Sources[0]->FontDataSize, 0);
  for (const Fallback& fallback : fallbacks)
    add_face(atlas, fallback.face.path, fallback.face.index, pixels, true, cap, previous);
  return face;
}

static bool g_text_built_in = false, g_mono_built_in = false;

static std::string text_font_path() { return A.root + "/runtime/ui/fonts/Roboto-Medium.ttf"; }

// The atlas is cleared and refilled with the two faces (one when the monospaced file is the
// text font) and their fallbacks. Merging goes into the last face added only, and never
// into a face already drawn: the whole atlas is rebuilt between frames instead.
static void build_atlas(float scale) {
  ImGuiIO& io = ImGui::GetIO();
  ImFontAtlas* atlas = io.Fonts;
  atlas->Clear();
  if (atlas->FontLoader != glyph_loader()) atlas->SetFontLoader(glyph_loader());
  // The shaped glyphs named the faces just let go.
  glyph_codes_reset();
  g_font_builds++;
  // No face draws from the files' bytes now; those this build uses again are kept, the rest
  // are let go at its end.
  std::unordered_map<std::string, std::vector<char>> previous;
  previous.swap(g_font_files);
  // A font file that vanished or holds no font is reported by the library as a user error,
  // which would stop the program in a build with assertions and print to the terminal;
  // here it only means falling back to the built-in font, silently.
  bool assert_on_error = io.ConfigErrorRecoveryEnableAssert, log_error = io.ConfigErrorRecoveryEnableDebugLog;
  io.ConfigErrorRecoveryEnableAssert = io.ConfigErrorRecoveryEnableDebugLog = false;
  std::string text = text_font_path(), mono = mono_font_path(text);
  ImFont* text_face = add_face_with_fallbacks(atlas, text, floorf(scale * 25.0f), g_text_fallbacks,
                                              &g_text_built_in, previous);
  ImFont* mono_face = text_face;
  g_mono_built_in = g_text_built_in;
  if (mono != text || g_text_built_in)
    mono_face = add_face_with_fallbacks(atlas, mono, floorf(scale * 18.0f), g_mono_fallbacks,
                                        &g_mono_built_in, previous);
  io.ConfigErrorRecoveryEnableAssert = assert_on_error;
  io.ConfigErrorRecoveryEnableDebugLog = log_error;
  F_ROW.face = F_TITLE.face = F_HEAD.face = F_BODY.face = F_SMALL.face = text_face;
  F_MONO.face = mono_face;
  g_built_atlas = atlas;
  g_built_text = g_text_fallbacks.size();
  g_built_mono = g_mono_fallbacks.size();
}

// Sizes follow the scale at once; the faces draw any size, so only a new fallback (or a new
// GUI context) rebuilds the atlas.
void update_fonts(float scale) {
  ImFontAtlas* atlas = ImGui::GetIO().Fonts;
  bool stale = atlas != g_built_atlas || g_built_text != g_text_fallbacks.size() ||
               g_built_mono != g_mono_fallbacks.size() || !F_ROW || glyph_codes_full();
  bool moved = std::fabs(scale - g_font_scale) > 0.004f;
  if (!stale && !moved) return;
  if (atlas != g_built_atlas) {
    g_asked_text.clear();
    g_asked_mono.clear();
  }
  if (stale) build_atlas(moved ? scale : g_font_scale);
  if (!moved) return;
  g_font_scale = scale;
  // The built-in font, where Roboto could not be read, keeps its own size.
  auto sized = [&](bool built_in, ImFont* face, float n) {
    return built_in ? face->LegacySize : floorf(scale * n);
  };
  F_ROW.size = sized(g_text_built_in, F_ROW.face, 25);
  F_TITLE.size = sized(g_text_built_in, F_TITLE.face, 84);
  F_HEAD.size = sized(g_text_built_in, F_HEAD.face, 34);
  F_BODY.size = sized(g_text_built_in, F_BODY.face, 23);
  F_SMALL.size = sized(g_text_built_in, F_SMALL.face, 19);
  F_MONO.size = sized(g_mono_built_in, F_MONO.face, 18);
  // Text outside any PushFont is drawn in F_ROW at its own size, also at a new scale (the
  // library otherwise keeps the size it saw on its first frame).
  ImGui::GetStyle().FontSizeBase = F_ROW.size;
}

void want_glyphs(const std::string& text, ImFont* face) {
  ImFont* current = face ? face : ImGui::GetFont();
  if (!F_ROW || !current) return;
  bool mono = current == F_MONO.face && F_MONO.face != F_ROW.face;
  std::unordered_set<char32_t>& asked = mono ? g_asked_mono : g_asked_text;
  std::vector<Fallback>& fallbacks = mono ? g_mono_fallbacks : g_text_fallbacks;
  std::vector<char32_t> missing;
  for (size_t at = 0, next; at < text.size(); at = next) {
    char32_t c = utf8_decode(text, at, &next);
    if (c < 0x80 || is_invisible(c) || !asked.insert(c).second) continue;
    if (!current->IsGlyphInFont((ImWchar)c)) missing.push_back(c);
  }
  if (missing.empty()) return;
  for (const FontFace& face : system_fonts_for(missing)) {
    Fallback fallback{face};
    if (!face.path.empty() && std::find(fallbacks.begin(), fallbacks.end(), fallback) == fallbacks.end())
      fallbacks.push_back(fallback);
  }
}
