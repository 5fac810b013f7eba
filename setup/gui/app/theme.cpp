#include "app/theme.h"

#include "backend/app.h"

#include <SDL3/SDL.h>

#include <cmath>

float g_font_scale = 0;
ImFont* F_ROW = nullptr;
ImFont* F_TITLE = nullptr;
ImFont* F_HEAD = nullptr;
ImFont* F_BODY = nullptr;
ImFont* F_SMALL = nullptr;
ImFont* F_MONO = nullptr;

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

// One font at `pixels`, or the library's built-in font at its own size when the file is
// missing or cannot be read.
static ImFont* add_font(ImFontAtlas* atlas, const std::string& path, float pixels) {
  ImFont* font =
      is_file(path.c_str()) ? atlas->AddFontFromFileTTF(path.c_str(), pixels, nullptr, nullptr) : nullptr;
  return font ? font : atlas->AddFontDefault(nullptr);
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

// The atlas is cleared and refilled; the renderer backend sees the new texture at its next
// new-frame call and replaces the old one itself.
void update_fonts(float scale) {
  if (!(std::fabs(scale - g_font_scale) > 0.004f)) return;
  ImGuiIO& io = ImGui::GetIO();
  ImFontAtlas* atlas = io.Fonts;
  atlas->Clear();
  // A font file that vanished or holds no font is reported by the library as a user error,
  // which would stop the program in a build with assertions and print to the terminal;
  // here it only means falling back to the built-in font, silently.
  bool assert_on_error = io.ConfigErrorRecoveryEnableAssert, log_error = io.ConfigErrorRecoveryEnableDebugLog;
  io.ConfigErrorRecoveryEnableAssert = io.ConfigErrorRecoveryEnableDebugLog = false;
  std::string text = A.root + "/runtime/ui/fonts/Roboto-Medium.ttf";
  F_ROW = add_font(atlas, text, floorf(scale * 25.0f));
  F_TITLE = add_font(atlas, text, floorf(scale * 84.0f));
  F_HEAD = add_font(atlas, text, floorf(scale * 34.0f));
  F_BODY = add_font(atlas, text, floorf(scale * 23.0f));
  F_SMALL = add_font(atlas, text, floorf(scale * 19.0f));
  F_MONO = add_font(atlas, mono_font_path(text), floorf(scale * 18.0f));
  io.ConfigErrorRecoveryEnableAssert = assert_on_error;
  io.ConfigErrorRecoveryEnableDebugLog = log_error;
  g_font_scale = scale;
  // Text outside any PushFont is drawn in F_ROW at its own size, also after a rebuild at a
  // new scale (the library otherwise keeps the size it saw on its first frame).
  ImGui::GetStyle().FontSizeBase = F_ROW->LegacySize;
}
