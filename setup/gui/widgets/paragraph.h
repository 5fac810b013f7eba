// Wrapped text: a paragraph is broken into lines in its logical order (text/line_break.h),
// and each line is then shown on its own (shown_text: reordered, joined, shaped), so that
// a right-to-left paragraph reads from its first line down like any other.
#pragma once

#include "text/line_break.h"

#include <imgui.h>

#include <string>
#include <vector>

// The lines of `text` at `width` pixels of the current font.
std::vector<TextLine> paragraph_lines(const std::string& text, float width);

// The size of the paragraph in the current font: its widest line (spaces at a line's end
// left out) by a line height for each line.
ImVec2 paragraph_size(const std::string& text, float width);

// Draws the paragraph into `dl` from `pos` (its top left) in the current font; with a
// `note` kind each line is noted for the layout check within the column.
void draw_paragraph(ImDrawList* dl, ImVec2 pos, const std::string& text, float width, ImU32 colour,
                    const char* note = nullptr);

// The paragraph as one item at the cursor, as Dear ImGui's own wrapped text stands, each
// line noted as "text".
void paragraph(const std::string& text, float width, const ImVec4& colour);
