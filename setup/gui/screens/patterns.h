// Measures and drawing patterns that every view of the column shares: text blocks, gaps,
// capsule buttons in three sizes, and the one-time keyboard focus of a view's main button.
#pragma once

#include "screens/focus.h"
#include "widgets/widgets.h"

#include <imgui.h>

#include <functional>
#include <string>

// Where the column's content stands in a window of W x H at scale U.
struct Measures {
  float x0 = 0;    // left edge of the content
  float cw = 0;    // content width: wrapping width and width of full-width widgets
  float pad = 0;   // horizontal padding of the column window
  float top = 0;   // top edge of the column window
  float half = 0;  // width of a half-width button
};

// `view` is App.view at the start of the frame: the form stands higher than the others.
Measures column_measures(float W, float H, float U, int view);

// Width of a half-width button for content width cw.
inline float half_width(float cw, float U) { return (cw - 14 * U) / 2; }

// Wrapped text at the content width (widgets/paragraph.h), each line through shown_text.
void text_block(const Font& font, const ImVec4& colour, const std::string& text, float cw);

// One line in `font`, made smaller when the language's words would pass the content width.
void title_text(const Font& font, const ImVec4& colour, const char* text, float cw);

// Vertical space of h pixels (plus the column's item spacing).
void gap(float h);

// A capsule button in the given font; true when clicked. Every push is popped before the
// caller acts on the click.
bool capsule_button(const Font& font, bool primary, float rounding, const char* label, ImVec2 size, float U);

// Two of these fit side by side, separated by same_line_gap().
bool half_button(bool primary, const char* label, float cw, float U);

// The main action of a view, in the heading font.
bool large_button(bool primary, const char* label, float width, float U);

// Keeps the next item on this line, 14 pixels (scaled) to the right.
void same_line_gap(float U);

// Width of the column's thin scrollbar, which only shows when content is taller than its
// window.
float scrollbar_width(float U);

// The scrollbar's look in the theme's colours: two style variables and four colours,
// popped by pop_scrollbar_style(). Pushed around the Begin of a window that may scroll.
void push_scrollbar_style(float U);
void pop_scrollbar_style();

// Begins a box of `size` whose content scrolls, with the column's thin scrollbar; the
// caller ends it with ImGui::EndChild(). Returns the width left beside the scrollbar.
float begin_scroll_box(const char* id, ImVec2 size, float U, int child_flags = 0);

// Height left in the current window from the cursor down, when `below` pixels must
// still fit under what comes next, with a margin that keeps the last button and its
// navigation frame off the window's edge.
float room_below(float below, float U);

// Draws content of `natural` height as it is when it fits above `below` pixels of
// what follows; else inside a box of the height left (at least `least`) that scrolls
// with the wheel, or with the arrow keys after Enter, since the box takes a navigation
// stop. `draw` gets the width to wrap at: cw, or less the scrollbar inside the box.
void fitted_area(const char* id, float natural, float below, float least, float cw, float U,
                 const std::function<void(float width)>& draw);

// Inside a window that scrolls, after its Begin: a finger dragged on it scrolls it, and the
// touch it began as is let go, so that nothing under the finger counts as pressed. A
// touch that does not move is a press as before.
void touch_scroll(float U);
