#include "screens/patterns.h"

#include "access/a11y.h"
#include "look/theme.h"
#include "state/app.h"
#include "text/language.h"
#include "widgets/layout_report.h"
#include "widgets/mirror.h"
#include "widgets/widgets.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

Measures column_measures(float W, float H, float U, int view) {
  Measures m;
  m.x0 = std::floor(0.615f * W);
  m.cw = std::floor(0.335f * W);
  m.pad = std::ceil(4 * U);
  m.top = view == 0 ? 0.095f * H : 0.13f * H;
  m.half = half_width(m.cw, U);
  return m;
}

// `text` broken into lines that fit `width` where ImGui's own wrapping breaks them, in
// logical order and at line feeds, each line without the blanks it ends in.
static std::vector<std::string> logical_lines(const std::string& text, float width) {
  std::vector<std::string> lines;
  ImFont* font = ImGui::GetFont();
  const float size = ImGui::GetFontSize();
  size_t start = 0;
  while (true) {
    size_t feed = text.find('\n', start);
    const char* s = text.c_str() + start;
    const char* end = text.c_str() + (feed == std::string::npos ? text.size() : feed);
    do {
      const char* eol = s < end ? font->CalcWordWrapPosition(size, s, end, width) : end;
      if (eol <= s && s < end) {  // one whole character at least
        eol = s + 1;
        while (eol < end && ((unsigned char)*eol & 0xC0) == 0x80) eol++;
      }
      const char* last = eol;
      while (last > s && (last[-1] == ' ' || last[-1] == '\t')) last--;
      lines.emplace_back(s, last);
      s = eol;
      while (s < end && (*s == ' ' || *s == '\t')) s++;
    } while (s < end);
    if (feed == std::string::npos) break;
    start = feed + 1;
  }
  return lines;
}

// A wrapped text read right to left: each logical line drawn on its own against the right
// edge of the `width` that starts at the cursor; one item as wide as its widest line.
static void right_aligned_text(const ImVec4& colour, const std::string& text, float width) {
  const ImVec2 p = ImGui::GetCursorScreenPos();
  const float line_h = ImGui::GetFontSize();
  const std::vector<std::string> lines = logical_lines(text, width);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  float widest = 0;
  for (size_t i = 0; i < lines.size(); i++) {
    const std::string& shown = shown_text(lines[i]);
    const float w = ImGui::CalcTextSize(shown.c_str(), shown.c_str() + shown.size()).x;
    widest = std::max(widest, w);
    dl->AddText(ImVec2(p.x + width - w, p.y + line_h * (float)i), ImGui::GetColorU32(colour), shown.c_str(),
                shown.c_str() + shown.size());
  }
  ImGui::SetCursorScreenPos(ImVec2(p.x + width - widest, p.y));
  ImGui::Dummy(ImVec2(widest, line_h * (float)lines.size()));
}

void text_block(const Font& font, const ImVec4& colour, const std::string& text, float cw) {
  push_font(font);
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + cw);
  if (ui_rtl())
    right_aligned_text(colour, text, cw);
  else
    ImGui::TextColored(colour, "%s", shown_text(text).c_str());
  note_item_text("text", text.c_str());
  a11y_text(A11yRole::LABEL, text);
  ImGui::PopTextWrapPos();
  ImGui::PopFont();
}

void title_text(const Font& font, const ImVec4& colour, const char* text, float cw) {
  push_font(font);
  float width = ImGui::CalcTextSize(text).x;
  if (width > cw) {
    ImGui::PopFont();
    ImGui::PushFont(font.face, std::floor(font.size * cw / width));
  }
  const float ltr_x = mirror_next_item(ui_rtl() ? ImGui::CalcTextSize(text).x : 0);
  ImGui::TextColored(colour, "%s", text);
  after_mirrored_item(ltr_x, 0);
  note_item_text("title", text);
  ImGui::PopFont();
}

void gap(float h) { ImGui::Dummy(ImVec2(0, h)); }

bool capsule_button(const Font& font, bool primary, float rounding, const char* label, ImVec2 size, float U) {
  push_font(font);
  push_button(primary, rounding, U);
  const float ltr_x = mirror_next_item(size.x);
  bool clicked = ImGui::Button(label, size);
  after_mirrored_item(ltr_x, size.x);
  note_label("button", label);
  a11y_item(A11yRole::BUTTON, label);
  ImGui::PopStyleColor(5);
  ImGui::PopStyleVar(2);
  ImGui::PopFont();
  return clicked;
}

bool half_button(bool primary, const char* label, float cw, float U) {
  return capsule_button(F_BODY, primary, 26 * U, label, ImVec2(half_width(cw, U), 52 * U), U);
}

bool large_button(bool primary, const char* label, float width, float U) {
  return capsule_button(F_HEAD, primary, 36 * U, label, ImVec2(width, 72 * U), U);
}

void same_line_gap(float U) { ImGui::SameLine(0, 14 * U); }

float scrollbar_width(float U) { return std::max(4.0f, std::ceil(6 * U)); }

void push_scrollbar_style(float U) {
  ImGui::PushStyleVar(ImGuiStyleVar_ScrollbarSize, scrollbar_width(U));
  ImGui::PushStyleVar(ImGuiStyleVar_ScrollbarRounding, scrollbar_width(U));
  ImGui::PushStyleColor(ImGuiCol_ScrollbarBg, ImVec4(1.0f, 0.9f, 0.75f, 0.04f));
  ImGui::PushStyleColor(ImGuiCol_ScrollbarGrab, ImVec4(0.96f, 0.74f, 0.28f, 0.40f));
  ImGui::PushStyleColor(ImGuiCol_ScrollbarGrabHovered, ImVec4(0.96f, 0.74f, 0.28f, 0.65f));
  ImGui::PushStyleColor(ImGuiCol_ScrollbarGrabActive, ImVec4(0.96f, 0.74f, 0.28f, 0.85f));
}

void pop_scrollbar_style() {
  ImGui::PopStyleColor(4);
  ImGui::PopStyleVar(2);
}

// The margin keeps the last button and its navigation frame off the window's edge.
float room_below(float below, float U) {
  return ImGui::GetWindowHeight() - ImGui::GetCursorPosY() - below - 10 * U;
}

void fitted_area(const char* id, float natural, float below, float least, float cw, float U,
                 const std::function<void(float width)>& draw) {
  float room = room_below(below, U);
  if (natural <= room) {
    draw(cw);
    return;
  }
  draw(begin_scroll_box(id, ImVec2(cw, std::max(room, least)), U));
  ImGui::EndChild();
}

float begin_scroll_box(const char* id, ImVec2 size, float U, int child_flags) {
  push_scrollbar_style(U);
  ImGui::BeginChild(id, size, child_flags, 0);
  pop_scrollbar_style();
  touch_scroll(U);
  return size.x - scrollbar_width(U) - 6 * U;
}

// The window a finger went down on: it scrolls with the finger until the finger lifts,
// wherever the finger goes meanwhile.
static ImGuiID g_touched = 0;

void touch_scroll(float U) {
  ImGuiIO& io = ImGui::GetIO();
  ImGuiContext& g = *ImGui::GetCurrentContext();
  ImGuiWindow* window = ImGui::GetCurrentWindow();
  if (io.MouseSource != ImGuiMouseSource_TouchScreen || !ImGui::IsMouseDown(0)) {
    g_touched = 0;
    return;
  }
  // Not one of its children: a box inside scrolls itself.
  if (ImGui::IsMouseClicked(0) && g.HoveredWindow == window) g_touched = window->ID;
  if (g_touched != window->ID || !ImGui::IsMouseDragging(0, 10 * U)) return;
  ImGui::SetScrollY(window, window->Scroll.y - io.MouseDelta.y);
  ImGui::SetScrollX(window, window->Scroll.x - io.MouseDelta.x);
  if (g.ActiveId && g.ActiveIdWindow == window) ImGui::ClearActiveID();  // not a press after all
}
