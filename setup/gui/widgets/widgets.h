// The program's own widgets. Each takes the UI scale and multiplies every size by it;
// none keeps state between calls. All run between ImGui::NewFrame and ImGui::Render.
#pragma once

#include <cstdint>
#include <string>

#include "look/theme.h"
#include "widgets/shown_text.h"

// Pushes a font's face at its size; a missing font keeps the current one.
void push_font(const Font& font);

// A borderless text button in gold-tan, in F_SMALL. The label may carry a "##" suffix.
// True in the frame it was clicked.
bool link(const char* label, float scale);

// A numbered step circle in gold (at most three digits), or a green check disc when
// `done`, followed by a caption in F_SMALL. Takes one row of 38 x scale.
void heading(int number, const char* caption, bool done, float scale);

// A picker box `width` wide and 58 x scale high in F_ROW: the value (cut from the left
// with "..." when too long) or the placeholder, and "Choose" or "Change" on the right.
// Reachable by keyboard and gamepad navigation like a button. True in the frame it was
// clicked or activated; opens nothing itself.
bool field(const char* id, const std::string& value, const char* placeholder, float width, float scale);

// What `field` shows for `value` (through shown_text) in a box `width` wide, measured in
// the current font: the value whole when it fits, else "..." and the longest tail that
// fits, never starting inside a character or between a character and its marks, else
// "..." alone.
std::string fit_from_left(const std::string& value, float avail);

// The same from the other end, for titles: the value whole when it fits in `avail` pixels
// of the current font, else its longest head that fits followed by "...", cut between
// whole characters with their marks.
std::string fit_from_right(const std::string& value, float avail);

// Pushes the look of a capsule button (solid gold when primary, else a faint wash with a
// thin gold border): two style variables and five style colours, which the caller pops
// after its own ImGui::Button with PopStyleColor(5) and PopStyleVar(2).
void push_button(bool primary, float rounding, float scale);

// Milliseconds as "59 s", "1 min 00 s" or "25 h 01 min"; every division rounds down.
std::string duration(uint64_t ms);
