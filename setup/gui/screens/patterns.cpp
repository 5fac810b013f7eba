#include "screens/patterns.h"

#include "app/theme.h"
#include "backend/app.h"
#include "widgets/widgets.h"

#include <cmath>

Measures column_measures(float W, float H, float U, int view) {
  Measures m;
  m.x0 = std::floor(0.615f * W);
  m.cw = std::floor(0.335f * W);
  m.pad = std::ceil(4 * U);
  m.top = view == 0 ? 0.095f * H : 0.13f * H;
  m.half = half_width(m.cw, U);
  return m;
}

void text_block(ImFont* font, const ImVec4& colour, const char* text, float cw) {
  push_font(font);
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + cw);
  ImGui::TextColored(colour, "%s", text);
  ImGui::PopTextWrapPos();
  ImGui::PopFont();
}

void gap(float h) { ImGui::Dummy(ImVec2(0, h)); }

bool capsule_button(ImFont* font, bool primary, float rounding, const char* label, ImVec2 size, float U) {
  push_font(font);
  push_button(primary, rounding, U);
  bool clicked = ImGui::Button(label, size);
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

void default_focus() {
  if (!A.focused) ImGui::SetKeyboardFocusHere(-1);
}
