#include "app/theme.h"

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

void apply_theme() { ImGui::StyleColorsDark(nullptr); }

// The 1620 x 1080 design canvas fitted inside the window: the limiting side decides.
float ui_scale(int width, int height) {
  float w = (float)width, h = (float)height;
  return w / h < 1.5f ? w / 1620.0f : h / 1080.0f;
}

void update_fonts(float scale) { g_font_scale = scale; }
