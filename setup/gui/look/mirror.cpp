#include "look/mirror.h"

#include "text/language.h"

#include <imgui_internal.h>

static float g_line_left = 0, g_line_width = 0;

float mirrored_x(float x, float w, float left, float width) {
  return ui_rtl() ? left + (left + width - x) - w : x;
}

void set_mirror_line(float left, float width) {
  g_line_left = left;
  g_line_width = width;
}

float mirror_line_left() { return g_line_left; }
float mirror_line_width() { return g_line_width; }

float mirror_next_item(float w) {
  const ImVec2 at = ImGui::GetCursorScreenPos();
  if (ui_rtl()) ImGui::SetCursorScreenPos(ImVec2(mirrored_x(at.x, w, g_line_left, g_line_width), at.y));
  return at.x;
}

void after_mirrored_item(float ltr_x, float w) {
  if (!ui_rtl()) return;
  ImGui::GetCurrentWindow()->DC.CursorPosPrevLine.x = ltr_x + w;
}
