// UI scale, the six fonts and the colour theme.
#pragma once

#include <imgui.h>

#include <initializer_list>
#include <string>

// The scale at which the current fonts were built; 0 until the first build.
extern float g_font_scale;

// Null until the first visible frame. F_ROW is added first, so it is also the font of all
// text drawn outside a PushFont. Each font draws at the pixel size it was added with, so
// ImGui::PushFont(font, font->LegacySize) (or the one-argument ImGui::PushFont(font)) gives
// the size of the table in update_fonts.
extern ImFont* F_ROW;    // 25 x scale, picker fields
extern ImFont* F_TITLE;  // 84 x scale, large titles and the big percentage
extern ImFont* F_HEAD;   // 34 x scale, headlines and the large main buttons
extern ImFont* F_BODY;   // 23 x scale, body text and the other buttons
extern ImFont* F_SMALL;  // 19 x scale, captions, headings, links
extern ImFont* F_MONO;   // 18 x scale, monospaced log lines

extern const ImVec4 TEXT;  // warm off-white
extern const ImVec4 DIM;   // muted brown-grey
extern const ImVec4 GOLD;  // the accent

// The library's dark colours with a gold keyboard-navigation frame.
void apply_theme();

// The 1620 x 1080 design canvas fitted inside a window of this size.
float ui_scale(int width, int height);

// Rebuilds all six fonts when `scale` is more than 0.004 away from the scale of the last
// build; otherwise leaves them alone. Runs between frames, before ImGui::NewFrame.
void update_fonts(float scale);

// The first of `candidates` that names a regular file, else `fallback`.
std::string first_font_file(std::initializer_list<const char*> candidates, const std::string& fallback);
