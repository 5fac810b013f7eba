// The window mirrored for a language written right to left. Every place is worked out as
// for a left-to-right window and then reflected about the middle of the span it stands in
// (the window, the column's line, a box), so that both directions share one layout. In a
// left-to-right window each helper hands back its input unchanged.
#pragma once

#include <imgui.h>

// Where a box `w` wide that a left-to-right layout puts at `x`, within the span `left` ..
// `left + width`, stands in this window's direction.
float mirrored_x(float x, float w, float left, float width);

// A point reflected the same way (a box of no width).
inline float mirrored_point(float x, float left, float width) { return mirrored_x(x, 0, left, width); }

// The column's line, in screen pixels: set once a frame by the column, before its items.
void set_mirror_line(float left, float width);
float mirror_line_left();
float mirror_line_width();

// Moves the cursor to where the next item, `w` wide, stands in the mirrored column, and
// returns where it would stand left to right. `after_mirrored_item` with that value then
// lets the next item on the line (ImGui::SameLine) follow the left-to-right layout.
float mirror_next_item(float w);
void after_mirrored_item(float ltr_x, float w);
