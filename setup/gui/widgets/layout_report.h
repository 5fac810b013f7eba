// A test seam: with TARNWELL_LAYOUT naming a file, the frame of the screenshot writes there
// every text it drew, where it stands and the room it must stay in, so that a test can
// see a text that is cut, runs out of its box or the column, or covers another.
#pragma once

#include <imgui.h>

// Whether texts are noted this run (TARNWELL_LAYOUT is set).
bool layout_noting();

// Starts a frame's notes; the column's content spans x0..x1 and is visible down to `bottom`.
void layout_frame(float x0, float x1, float top, float bottom);

// A text drawn at min..max that must stay within room_min..room_max, and within the column
// unless it is drawn outside it (the status line).
void note_text(const char* kind, const char* text, ImVec2 min, ImVec2 max, ImVec2 room_min, ImVec2 room_max,
               bool in_column = true);
// The last item's text, which must stay within the column.
void note_item_text(const char* kind, const char* text);
// A label centred in the last item (a button), or `left_room` after its left edge (a check
// box's label after its box), or, when negative, ending that far before its right edge.
void note_label(const char* kind, const char* label, float left_room = 0);

// Writes the frame's notes: one line each, tab-separated (kind, x0, y0, x1, y1, room x0,
// y0, x1, y1, text).
void write_layout();
