#include "screens/column.h"

#include "backend/launch.h"

#include "access/a11y.h"
#include "look/theme.h"
#include "screens/announce.h"
#include "screens/browser.h"
#include "screens/form.h"
#include "screens/languages.h"
#include "screens/outcome.h"
#include "screens/patterns.h"
#include "screens/progress.h"
#include "text/language.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"
#include "widgets/paragraph.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

std::vector<StatusItem> status_items(const App& app) {
  std::vector<StatusItem> items;
  if (!app.info_ready) return items;
  items.push_back({app.gpu.empty() ? tr("No NVIDIA graphics card found") : app.gpu, !app.gpu.empty()});
  if (app.missing.empty()) {
    items.push_back({tr("Build tools ready"), true});
  } else {
    // Counted the same way for one tool: "1 build tools to install".
    const char* text =
        trn("{count} build tools to install", "{count} build tools to install", app.missing.size());
    items.push_back({fill(text, {{"count", std::to_string(app.missing.size())}}), false});
  }
  return items;
}

// The "Language" and "Quit" links in the bottom right corner of the column. When the form
// is taller than the column they follow the form instead, so that they scroll with it and
// never cover it.
static void quit_link(const Measures& m, float H, float U) {
  push_font(F_SMALL);
  float q = ImGui::CalcTextSize(shown_text(tr("Quit")).c_str(), nullptr, false, -1).x;
  float l = ImGui::CalcTextSize(shown_text(tr("Language")).c_str(), nullptr, false, -1).x;
  ImGui::PopFont();
  // In the window's own coordinates, which scroll with the content.
  float corner = H - 66 * U - ImGui::GetWindowPos().y;
  float y = std::max(corner, ImGui::GetCursorPosY());
  float quit_x = m.x0 + m.cw - (16 * U + q) - ImGui::GetWindowPos().x;
  ImGui::SetCursorPos(ImVec2(quit_x - (16 * U + l) - 24 * U, y));
  // One identity whatever the language, so that the focus given back finds it.
  bool languages = link((std::string(tr("Language")) + "###language").c_str(), U);
  if (languages_closed_now()) take_focus();
  ImGui::SetCursorPos(ImVec2(quit_x, y));
  if (link(tr("Quit"), U)) request_quit();
  if (languages) open_languages();
}

// The bottom left: graphics card, build tools, version, side by side. Whatever does not
// fit beside the others starts a line of its own, and a text wider than the room wraps:
// nothing is cut. The lines grow upwards from the bottom, ending before the column. They
// are placed as left to right and reflected in a right-to-left window: from the bottom
// right, each mark to the right of its text.
static void status_overlay(float W, float H, float U, float end) {
  ImDrawList* dl = ImGui::GetForegroundDrawList();
  push_font(F_SMALL);
  struct Placed {
    std::string text;
    int kind;  // 0 ticked, 1 dot, 2 the version
    float x, y, w, h;
  };
  std::vector<Placed> placed;
  const float left = 40 * U, line_gap = 6 * U;
  float x = left, y = 0, line_h = 0;
  auto place = [&](const std::string& text, int kind) {
    const float mark = kind == 2 ? 0 : 26 * U;
    const float room = std::max(end - left - mark, 40 * U);
    ImVec2 size = paragraph_size(text, room);
    if (x > left && x + mark + size.x > end) {  // a line of its own
      x = left;
      y += line_h + line_gap;
      line_h = 0;
    }
    placed.push_back({text, kind, x, y, mark + size.x, size.y});
    line_h = std::max(line_h, size.y);
    x += mark + size.x + 36 * U;
  };
  for (const StatusItem& item : status_items(A)) place(item.text, item.ok ? 0 : 1);
  if (!A.version.empty()) place(fill(tr("Version {version}"), {{"version", A.version}}), 2);
  // The last line stands where the single line always stood.
  const float bottom = H - 44 * U + ImGui::GetFontSize(), top = bottom - (y + line_h);
  for (const Placed& p : placed) {
    const float py = top + p.y, mark = p.kind == 2 ? 0 : 26 * U;
    const float px = mirrored_x(p.x, p.w, 0, W), text_x = mirrored_x(p.x + mark, p.w - mark, 0, W);
    if (p.kind == 0) {
      float k = 0.7f * U, tx = mirrored_x(p.x, 20 * k, 0, W);
      ImVec2 tick[3] = {ImVec2(tx, py + 2 * U + 9 * k), ImVec2(tx + 7 * k, py + 2 * U + 16 * k),
                        ImVec2(tx + 20 * k, py + 2 * U)};
      dl->AddPolyline(tick, 3, ImGui::ColorConvertFloat4ToU32(ImVec4(0.55f, 0.78f, 0.40f, 1.0f)), 0,
                      3.5f * k);
    } else if (p.kind == 1) {
      dl->AddCircleFilled(ImVec2(mirrored_point(p.x + 8 * U, 0, W), py + 10 * U), 5 * U,
                          ImGui::ColorConvertFloat4ToU32(ImVec4(0.96f, 0.56f, 0.30f, 1.0f)), 0);
    }
    const ImU32 colour = p.kind == 2 ? ImGui::ColorConvertFloat4ToU32(ImVec4(0.50f, 0.44f, 0.36f, 1.0f))
                                     : ImGui::GetColorU32(DIM);
    const float room = std::max(end - left - mark, 40 * U);
    // Right to left the lines stand against the item's right edge, within the same room.
    const float lines_x = ui_rtl() ? text_x + (p.w - mark) - room : text_x;
    draw_paragraph(dl, ImVec2(lines_x, py), p.text, room, colour);
    note_text("status", p.text.c_str(), ImVec2(text_x, py), ImVec2(text_x + p.w - mark, py + p.h),
              ImVec2(mirrored_x(0, end, 0, W), 0), ImVec2(mirrored_x(0, end, 0, W) + end, 1e9f), false);
    if (p.kind != 2) a11y_label_at(p.text.c_str(), px, py, p.w, p.h);
  }
  ImGui::PopFont();
}

void column(float W, float H, float U, float t) {
  Measures m = column_measures(W, H, U, A.view);
  m.x0 = mirrored_x(m.x0, m.cw, 0, W);  // on the left in a right-to-left window
  set_mirror_line(m.x0, m.cw);
  layout_frame(m.x0, m.x0 + m.cw, m.top, H - 20 * U);
  ImGui::SetNextWindowPos(ImVec2(m.x0 - m.pad, m.top), 0, ImVec2(0, 0));
  // The window reaches past the content's right edge by its scrollbar, so that the
  // scrollbar, shown only while the view is taller than the window, stands clear of it.
  ImGui::SetNextWindowSize(ImVec2(m.cw + 2 * m.pad + scrollbar_width(U), H - m.top - 20 * U), 0);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(m.pad, 0));
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 9 * U));
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoSavedSettings;
  push_scrollbar_style(U);
  ImGui::Begin("##column", nullptr, flags);
  pop_scrollbar_style();
  touch_scroll(U);

  // The browser belongs to the form; a job started meanwhile (--autobuild) ends it.
  if (A.view != 0 && g_browser.open) {
    close_browser();
    take_browser_closed();  // the new view gives the focus
  }
  focus_frame_begin();
  const int drawn = A.view;
  a11y_view_begin(drawn);
  if (A.view == 2)
    view_stopped(m.cw, U);
  else if (A.view == 1)
    view_progress(m.cw, U, t);
  else if (A.view == 0)
    view_form(m.cw, U);
  else
    view_done(m.cw, U);
  focus_frame_end(drawn);

  if (A.view == 0 && !g_browser.open && !g_languages_open) quit_link(m, H, U);
  if (g_a11y_on) a11y_view_end(view_message(A, drawn), drawn >= 2);
  announce_news(drawn);
  ImGui::End();
  ImGui::PopStyleVar(2);
  status_overlay(W, H, U, mirrored_x(m.x0, m.cw, 0, W) - 24 * U);
}
