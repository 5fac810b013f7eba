#include "screens/patterns.h"

#include "access/a11y.h"
#include "look/theme.h"
#include "state/app.h"
#include "text/language.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"
#include "widgets/paragraph.h"
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

void text_block(const Font& font, const ImVec4& colour, const std::string& text, float cw) {
  push_font(font);
  paragraph(text, cw, colour);
  a11y_text(A11yRole::LABEL, text);
  ImGui::PopFont();
}

void title_text(const Font& font, const ImVec4& colour, const char* text, float cw) {
  push_font(font);
  const std::string& shown = shown_text(text);
  float width = ImGui::CalcTextSize(shown.c_str()).x;
  if (width > cw) {
    ImGui::PopFont();
    ImGui::PushFont(font.face, std::floor(font.size * cw / width));
  }
  const float ltr_x = mirror_next_item(ui_rtl() ? width : 0);
  ImGui::TextColored(colour, "%s", shown.c_str());
  after_mirrored_item(ltr_x, 0);
  note_item_text("title", text);
  ImGui::PopFont();
}

void gap(float h) { ImGui::Dummy(ImVec2(0, h)); }

bool capsule_button(const Font& font, bool primary, float rounding, const char* label, ImVec2 size, float U) {
  push_font(font);
  push_button(primary, rounding, U);
  const std::string shown_button = shown_label(label);
  const float ltr_x = mirror_next_item(size.x);
  bool clicked = ImGui::Button(shown_button.c_str(), size);
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
