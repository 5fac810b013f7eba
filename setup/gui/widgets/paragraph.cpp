#include "widgets/paragraph.h"

#include "widgets/layout_report.h"
#include "widgets/shown_text.h"

#include <imgui_internal.h>

#include <algorithm>

static float shown_width(const std::string& piece) {
  return ImGui::CalcTextSize(shown_text(piece).c_str()).x;
}

static std::string line_text(const std::string& text, const TextLine& line) {
  return text.substr(line.begin, line.end - line.begin);
}

std::vector<TextLine> paragraph_lines(const std::string& text, float width) {
  return wrap_lines(text, width, shown_width);
}

ImVec2 paragraph_size(const std::string& text, float width) {
  const std::vector<TextLine> lines = paragraph_lines(text, width);
  float widest = 0;
  for (const TextLine& line : lines) widest = std::max(widest, shown_width(line_text(text, line)));
  return ImVec2(widest, lines.size() * ImGui::GetFontSize());
}

// Where a line `line_width` wide stands in a paragraph `width` wide from `left`: the one
// place that decides it for every wrapped text.
static float line_x(float left, float width, float line_width) {
  (void)width;
  (void)line_width;
  return left;
}

// Draws the lines from `pos` and returns the widest.
static float draw_lines(ImDrawList* dl, ImVec2 pos, const std::string& text,
                        const std::vector<TextLine>& lines, float width, ImU32 colour, const char* note) {
  const float h = ImGui::GetFontSize();
  float y = pos.y, widest = 0;
  for (const TextLine& line : lines) {
    const std::string logical = line_text(text, line);
    const std::string& shown = shown_text(logical);
    const float w = ImGui::CalcTextSize(shown.c_str()).x, x = line_x(pos.x, width, w);
    if (!shown.empty()) dl->AddText(ImGui::GetFont(), h, ImVec2(x, y), colour, shown.c_str());
    if (note)
      note_text(note, logical.c_str(), ImVec2(x, y), ImVec2(x + w, y + h), ImVec2(-1e9f, -1e9f),
                ImVec2(1e9f, 1e9f));
    widest = std::max(widest, w);
    y += h;
  }
  return widest;
}

void draw_paragraph(ImDrawList* dl, ImVec2 pos, const std::string& text, float width, ImU32 colour,
                    const char* note) {
  draw_lines(dl, pos, text, paragraph_lines(text, width), width, colour, note);
}

void paragraph(const std::string& text, float width, const ImVec4& colour) {
  ImGuiWindow* window = ImGui::GetCurrentWindow();
  if (window->SkipItems) return;
  // Where Dear ImGui's own text stands, and an item of the size its wrapped text takes.
  const ImVec2 pos(window->DC.CursorPos.x, window->DC.CursorPos.y + window->DC.CurrLineTextBaseOffset);
  const std::vector<TextLine> lines = paragraph_lines(text, width);
  const float widest =
      draw_lines(window->DrawList, pos, text, lines, width, ImGui::GetColorU32(colour), "text");
  const ImVec2 size(widest, lines.size() * ImGui::GetFontSize());
  ImGui::ItemSize(size, 0.0f);
  ImGui::ItemAdd(ImRect(pos, ImVec2(pos.x + size.x, pos.y + size.y)), 0);
}
