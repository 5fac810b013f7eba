// One line of text as the font draws it: split into runs by direction (FriBidi), script and
// the face that covers each character, each run shaped by HarfBuzz, the runs in display
// order. The result is text for Dear ImGui: characters that the face draws as they are
// stay themselves; every other glyph (joined, reordered, raised, a ligature) is the code
// point that the glyph loader gave it.
#pragma once

#include <imgui.h>

#include <string>

// `line` (no line breaks) as drawn in `font`. `rtl` is the paragraph's direction when the
// line itself has no strong character to decide it (the window's direction).
std::string shape_line(const std::string& line, ImFont* font, bool rtl);

// How many runs HarfBuzz has shaped since the program started: a frame in which nothing
// changed adds none.
long long shaped_runs();
