#include "widgets/widgets.h"

#include "access/a11y.h"
#include "look/draw.h"
#include "look/theme.h"
#include "text/language.h"
#include "text/utf8.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"

#include <imgui.h>

#include <cstdio>
#include <vector>

void push_font(const Font& font) { ImGui::PushFont(font.face, font.face ? font.size : 0.0f); }

bool link(const char* label, float scale) {
  push_font(F_SMALL);
  ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0, 0, 0, 0));
  ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(1.0f, 0.9f, 0.75f, 0.10f));
  ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(1.0f, 0.9f, 0.75f, 0.16f));
  ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.9f, 0.72f, 0.36f, 1.0f));
  ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 6 * scale);
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(8 * scale, 5 * scale));
  const std::string shown_link = shown_label(label);
  const float w = ImGui::CalcTextSize(shown_link.c_str(), nullptr, true).x + 16 * scale;
  const float ltr_x = mirror_next_item(w);
  bool clicked = ImGui::Button(shown_link.c_str(), ImVec2(0, 0));
  after_mirrored_item(ltr_x, w);
  note_label("link", label);
  a11y_item(A11yRole::LINK, label);
  ImGui::PopStyleVar(2);
  ImGui::PopStyleColor(4);
  ImGui::PopFont();
  return clicked;
}

void heading(int number, const char* caption, bool done, float scale) {
  ImVec2 p = ImGui::GetCursorScreenPos();
  ImDrawList* dl = ImGui::GetWindowDrawList();
  float R = 15 * scale;
  // The circle starts the line, on the right in a right-to-left window.
  const float left = mirror_line_left(), width = mirror_line_width();
  ImVec2 c(mirrored_x(p.x, 2 * R, left, width) + R, p.y + R);
  push_font(F_SMALL);
  if (done) {
    dl->AddCircleFilled(c, R, rgba(0.36f, 0.56f, 0.24f, 1.0f), 28);
    float s = 0.8f * scale, bx = c.x - 8 * scale, by = c.y - 6 * scale;
    ImVec2 check[3] = {ImVec2(bx, by + 9 * s), ImVec2(bx + 7 * s, by + 16 * s), ImVec2(bx + 20 * s, by)};
    dl->AddPolyline(check, 3, rgba(0.93f, 0.98f, 0.85f, 1.0f), 0, 3.5f * s);
  } else {
    dl->AddCircle(c, R, ImGui::GetColorU32(GOLD), 28, 2 * scale);
    char digits[4];  // three characters at most: 1000 shows as 100
    snprintf(digits, sizeof digits, "%d", number);
    ImVec2 size = ImGui::CalcTextSize(digits);
    dl->AddText(ImVec2(c.x - size.x * 0.5f, c.y - size.y * 0.5f), ImGui::GetColorU32(GOLD), digits);
  }
  const std::string& shown = shown_text(caption);
  const float caption_w = ui_rtl() || layout_noting() ? ImGui::CalcTextSize(shown.c_str()).x : 0;
  ImVec2 at(mirrored_x(p.x + 2 * R + 12 * scale, caption_w, left, width), c.y - ImGui::GetFontSize() * 0.5f);
  dl->AddText(at, ImGui::GetColorU32(DIM), shown.c_str());
  if (layout_noting()) {
    ImVec2 size = ImGui::CalcTextSize(shown.c_str());
    ImVec2 room_min = ui_rtl() ? ImVec2(-1e9f, p.y) : p,
           room_max = ui_rtl() ? ImVec2(left + width, 1e9f) : ImVec2(1e9f, 1e9f);
    note_text("heading", caption, at, ImVec2(at.x + size.x, at.y + size.y), room_min, room_max);
  }
  ImGui::PopFont();
  ImGui::Dummy(ImVec2(10, 2 * R + 8 * scale));
  a11y_text(A11yRole::HEADING, caption, 2);
}

static float shown_width(const std::string& shown) {
  return ImGui::CalcTextSize(shown.c_str(), shown.c_str() + shown.size()).x;
}

// The cluster boundaries of `text`, first to last (0 and its size included).
static std::vector<size_t> cluster_bounds(const std::string& text) {
  std::vector<size_t> bounds{0};
  for (size_t i = 0; i < text.size(); i = next_cluster(text, i)) bounds.push_back(next_cluster(text, i));
  return bounds;
}

// The logical text is cut, never the shaped one, so that a cut falls between whole
// clusters and what stays is shaped again as it reads. The widths grow with what is kept,
// so the longest part that fits is found by halving.
std::string fit_from_left(const std::string& value, float avail) {
  const std::string& whole = shown_path(value);
  if (shown_width(whole) <= avail) return whole;
  std::vector<size_t> bounds = cluster_bounds(value);
  auto shown_tail = [&](size_t i) { return shown_path("..." + value.substr(bounds[i])); };
  size_t lo = 1, hi = bounds.size() - 1;  // the tail from bounds[hi] (empty) always fits
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (shown_width(shown_tail(mid)) <= avail)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo + 1 < bounds.size() ? shown_tail(lo) : "...";
}

std::string fit_from_right(const std::string& value, float avail) {
  const std::string& whole = shown_text(value);
  if (shown_width(whole) <= avail) return whole;
  std::vector<size_t> bounds = cluster_bounds(value);
  auto shown_head = [&](size_t i) { return shown_text(value.substr(0, bounds[i]) + "..."); };
  size_t lo = 0, hi = bounds.size() - 2;  // the head up to bounds[0] (empty) always fits
  while (lo < hi) {
    size_t mid = (lo + hi + 1) / 2;
    if (shown_width(shown_head(mid)) <= avail)
      lo = mid;
    else
      hi = mid - 1;
  }
  return shown_head(lo);
}

bool field(const char* id, const std::string& value, const char* placeholder, float width, float scale) {
  push_font(F_ROW);
  ImVec2 p = ImGui::GetCursorScreenPos();
  ImVec2 size(width, 58 * scale);
  // Reachable by Tab, arrows and d-pad like any button; the navigation frame follows the
  // box's rounded corners.
  ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 10 * scale);
  bool clicked = ImGui::InvisibleButton(id, size, ImGuiButtonFlags_EnableNav);
  a11y_field(value, placeholder);
  ImGui::PopStyleVar(1);
  bool hot = ImGui::IsItemFocused() || ImGui::IsItemHovered(0);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  ImVec2 end(p.x + size.x, p.y + size.y);
  dl->AddRectFilled(p, end, rgba(1.0f, 0.9f, 0.75f, hot ? 0.12f : 0.06f), 10 * scale, 0);
  dl->AddRect(p, end, rgba(0.96f, 0.74f, 0.28f, hot ? 0.85f : 0.22f), 10 * scale, 0, 1.5f * scale);

  float y = p.y + (58 * scale - ImGui::GetFontSize()) * 0.5f;
  const char* caption = value.empty() ? tr("Choose") : tr("Change");
  const std::string& shown_caption = shown_text(caption);
  float cw = ImGui::CalcTextSize(shown_caption.c_str()).x;
  // "Choose" ends the line, the value starts it: mirrored, "Choose" on the left and the
  // value against the right edge.
  const float caption_x = mirrored_x(p.x + width - cw - 20 * scale, cw, p.x, width);
  dl->AddText(ImVec2(caption_x, y), ImGui::GetColorU32(hot ? GOLD : DIM), shown_caption.c_str());
  std::string shown = value.empty() ? shown_text(placeholder) : fit_from_left(value, width - cw - 64 * scale);
  const float shown_w = ui_rtl() || layout_noting() ? ImGui::CalcTextSize(shown.c_str()).x : 0;
  const float shown_x = mirrored_x(p.x + 20 * scale, shown_w, p.x, width);
  dl->AddText(ImVec2(shown_x, y), ImGui::GetColorU32(value.empty() ? DIM : TEXT), shown.c_str(),
              shown.c_str() + shown.size());
  if (layout_noting()) {
    float h = ImGui::GetFontSize();
    note_text("field", caption, ImVec2(caption_x, y), ImVec2(caption_x + cw, y + h), p, end);
    note_text("field", shown.c_str(), ImVec2(shown_x, y), ImVec2(shown_x + shown_w, y + h), p, end);
  }
  ImGui::PopFont();
  return clicked;
}

void push_button(bool primary, float rounding, float scale) {
  ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, rounding);
  ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, primary ? 0.0f : 1.5f * scale);
  if (primary) {
    ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.96f, 0.72f, 0.24f, 1.0f));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(1.0f, 0.82f, 0.38f, 1.0f));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(0.86f, 0.62f, 0.18f, 1.0f));
  } else {
    ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(1.0f, 0.9f, 0.75f, 0.06f));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(1.0f, 0.9f, 0.75f, 0.14f));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(1.0f, 0.9f, 0.75f, 0.2f));
  }
  ImGui::PushStyleColor(ImGuiCol_Border, ImVec4(0.96f, 0.74f, 0.28f, 0.4f));
  ImGui::PushStyleColor(ImGuiCol_Text, primary ? ImVec4(0.16f, 0.09f, 0.03f, 1.0f) : TEXT);
}

std::string duration(uint64_t ms) {
  unsigned s = (unsigned)(uint32_t)(ms / 1000);
  char two[8];
  if (s < 60) return fill(tr("{seconds} s"), {{"seconds", std::to_string(s)}});
  if (s < 3600) {
    snprintf(two, sizeof two, "%02u", s % 60);
    return fill(tr("{minutes} min {seconds} s"), {{"minutes", std::to_string(s / 60)}, {"seconds", two}});
  }
  snprintf(two, sizeof two, "%02u", (s % 3600) / 60);
  return fill(tr("{hours} h {minutes} min"), {{"hours", std::to_string(s / 3600)}, {"minutes", two}});
}
