// UI scale, the six fonts and the colour theme.
#pragma once

#include <imgui.h>

#include <initializer_list>
#include <string>

// The scale at which the current fonts were built; 0 until the first build.
extern float g_font_scale;
// How many times the atlas was built: text shaped for one build names glyphs of its faces.
extern int g_font_builds;

// A font of the set: the face and the pixel size it is drawn at. All sizes of a face share
// one copy of its file; glyphs are made on demand for each size drawn.
struct Font {
  ImFont* face = nullptr;
  float size = 0;
  explicit operator bool() const { return face != nullptr; }
};

// Empty until the first visible frame. F_ROW's face comes first, so it is also the font of
// all text drawn outside a PushFont; push_font (widgets) pushes a face at its size.
extern Font F_ROW;    // 25 x scale, picker fields
extern Font F_TITLE;  // 84 x scale, large titles and the big percentage
extern Font F_HEAD;   // 34 x scale, headlines and the large main buttons
extern Font F_BODY;   // 23 x scale, body text and the other buttons
extern Font F_SMALL;  // 19 x scale, captions, headings, links
extern Font F_MONO;   // 18 x scale, monospaced log lines

extern const ImVec4 TEXT;  // warm off-white
extern const ImVec4 DIM;   // muted brown-grey
extern const ImVec4 GOLD;  // the accent

// The library's dark colours with a gold keyboard-navigation frame.
void apply_theme();

// The 1620 x 1080 design canvas fitted inside a window of this size.
float ui_scale(int width, int height);

// Sizes the six fonts for `scale` when it is more than 0.004 away from the scale of the
// last call, and rebuilds the atlas when a fallback font was wanted since the last build.
// Runs between frames, before ImGui::NewFrame.
void update_fonts(float scale);

// Asks for the fonts that draw the characters of `text` that the current font lacks (the
// system's fallback for each); they are added at the next update_fonts. Cheap for text
// already asked about. Text drawn through the widgets' shown_text is asked about there;
// other text in another script (a translated catalog) can be asked about before it shows.
void want_glyphs(const std::string& text, ImFont* face = nullptr);

// The first of `candidates` that names a regular file, else `fallback`.
std::string first_font_file(std::initializer_list<const char*> candidates, const std::string& fallback);
