// UI scale, the six fonts and the colour theme.
#pragma once

#include <imgui.h>

extern float g_font_scale;
extern ImFont* F_ROW;
extern ImFont* F_TITLE;
extern ImFont* F_HEAD;
extern ImFont* F_BODY;
extern ImFont* F_SMALL;
extern ImFont* F_MONO;

extern const ImVec4 TEXT;
extern const ImVec4 DIM;
extern const ImVec4 GOLD;

void apply_theme();
float ui_scale(int width, int height);
void update_fonts(float scale);
