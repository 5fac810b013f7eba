#include "screens/progress.h"

#include "access/a11y.h"
#include "backend/protocol.h"
#include "look/theme.h"
#include "screens/patterns.h"
#include "text/language.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"
#include "widgets/paragraph.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

// Three spaces, a middle dot, three spaces.
static const char* const SEPARATOR = "   \xC2\xB7   ";

const char* progress_title(const App& app) {
  if (app.cancelling) return tr("STOPPING");
  if (app.steps.size() == 1) return tr("ONE MOMENT");
  return tr("BUILDING");
}

std::string progress_headline(const App& app) {
  if (app.current < 0 || app.current >= (int)app.steps.size()) return tr("Starting");
  return app.steps[app.current].title;
}

std::string percent_text(float shown_total) { return percent_in_language((int)(shown_total * 100 + 0.5f)); }

std::string step_line(const App& app, uint64_t now) {
  int n = (int)app.steps.size();
  if (app.step_text.empty() && n == 0) return "";
  std::string line = fill(tr("Step {step} of {total}"),
                          {{"step", std::to_string(app.current + 1)}, {"total", std::to_string(n)}}) +
                     SEPARATOR + duration(now - app.started_at);
  if (app.step_text.empty()) return line;
  return app.step_text + SEPARATOR + line;
}

// Every step row is this high.
static float row_pitch(float U) { return 33 * U; }

float list_height(size_t n, float U) { return n < 13 ? 396 * U : row_pitch(U) * (float)n; }

// The raw log in a dark box; it follows new lines unless the user scrolled up.
static void log_box(float cw, float h, float U) {
  push_font(F_MONO);
  ImGui::PushStyleColor(ImGuiCol_ChildBg, ImVec4(0, 0, 0, 0.45f));
  ImGui::BeginChild("##log", ImVec2(cw, h), 0, ImGuiWindowFlags_HorizontalScrollbar);
  touch_scroll(U);
  // Every line is one row, so only the rows in sight are laid out.
  ImGuiListClipper clipper;
  clipper.Begin((int)A.log.size());
  while (clipper.Step())
    for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; i++)
      ImGui::TextColored(ImVec4(0.78f, 0.72f, 0.62f, 1.0f), "%s", shown_text(A.log[i]).c_str());
  if (ImGui::GetScrollY() >= ImGui::GetScrollMaxY() - 30) ImGui::SetScrollHereY(1.0f);
  ImGui::EndChild();
  a11y_log(A.log);
  ImGui::PopStyleColor(1);
  ImGui::PopFont();
}

// The steps with a check, a pulsing dot or a ring each, drawn straight on the draw list;
// a title too long for the column ends in "...". Rows start at `o`; only those between
// `from` and `to` are drawn.
static void step_rows(ImVec2 o, float width, int from, int to, float U, float t) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  push_font(F_BODY);
  const ImU32 green = ImGui::ColorConvertFloat4ToU32(ImVec4(0.55f, 0.78f, 0.40f, 1.0f));
  const ImU32 amber = ImGui::ColorConvertFloat4ToU32(ImVec4(1.0f, 0.82f, 0.40f, 1.0f));
  const ImU32 brown = ImGui::ColorConvertFloat4ToU32(ImVec4(0.50f, 0.42f, 0.32f, 1.0f));
  const float k = 0.75f * U;
  for (int i = std::max(from, 0); i < std::min(to, (int)A.steps.size()); i++) {
    const StepRow& row = A.steps[i];
    float y = o.y + row_pitch(U) * (float)i;
    float c = y + 0.5f * ImGui::GetFontSize();
    ImVec4 title;
    // The marks start the row: on the right in a right-to-left window.
    if (row.state == 2) {
      const float x = mirrored_x(o.x, 20 * k, o.x, width);
      ImVec2 tick[3] = {ImVec2(x, c - 8 * U + 9 * k), ImVec2(x + 7 * k, c - 8 * U + 16 * k),
                        ImVec2(x + 20 * k, c - 8 * U)};
      dl->AddPolyline(tick, 3, green, 0, 3.5f * k);
      title = ImVec4(0.72f, 0.66f, 0.56f, 1.0f);
    } else if (row.state == 1) {
      dl->AddCircleFilled(ImVec2(mirrored_point(o.x + 8 * U, o.x, width), c),
                          (5.5f + 1.5f * std::sin(5 * t)) * U, amber, 16);
      title = TEXT;
    } else {
      dl->AddCircle(ImVec2(mirrored_point(o.x + 8 * U, o.x, width), c), 4.5f * U, brown, 16, 1.5f * U);
      title = ImVec4(0.46f, 0.40f, 0.33f, 1.0f);
    }
    std::string shown = fit_from_right(row.title, width - 34 * U);
    const ImVec2 size = ImGui::CalcTextSize(shown.c_str());
    const float x = mirrored_x(o.x + 34 * U, size.x, o.x, width);
    dl->AddText(ImVec2(x, y), ImGui::GetColorU32(title), shown.c_str(), shown.c_str() + shown.size());
    note_text("step", shown.c_str(), ImVec2(x, y), ImVec2(x + size.x, y + size.y), o,
              ImVec2(o.x + width, 1e9f));
  }
  ImGui::PopFont();
}

// The steps as a list for screen readers, each with its state.
static void step_tree() {
  a11y_list("", (int)A.steps.size());
  for (size_t i = 0; i < A.steps.size(); i++) {
    int state = A.steps[i].state;
    a11y_list_row((int)i, A.steps[i].id, A.steps[i].title.c_str(), false,
                  state == 2   ? tr("finished")
                  : state == 1 ? tr("running")
                               : tr("waiting"));
  }
  a11y_list_end();
}

// Where the list scrolls to show row `row` in the middle of a box `h` high.
float follow_scroll(int row, size_t n, float h, float U) {
  float most = std::max(0.0f, row_pitch(U) * (float)n - h);
  return std::clamp(row_pitch(U) * ((float)row + 0.5f) - h / 2, 0.0f, most);
}

// All rows when they fit in `h`; else a box `h` high that scrolls to each newly running
// step and can be scrolled away from it in between.
static void step_list(float cw, float h, float U, float t) {
  const float full = row_pitch(U) * (float)A.steps.size();
  if (full <= h) {
    step_rows(ImGui::GetCursorScreenPos(), cw, 0, (int)A.steps.size(), U, t);
    ImGui::Dummy(ImVec2(cw, h));
    step_tree();
    return;
  }
  static int followed = -2;
  const float width = begin_scroll_box("##steps", ImVec2(cw, h), U);
  if (A.current != followed && A.current >= 0)
    ImGui::SetScrollY(follow_scroll(A.current, A.steps.size(), h, U));
  followed = A.current;
  float top = ImGui::GetScrollY();
  step_rows(ImGui::GetCursorScreenPos(), width, (int)(top / row_pitch(U)),
            (int)((top + h) / row_pitch(U)) + 1, U, t);
  ImGui::Dummy(ImVec2(width, full));
  step_tree();
  ImGui::EndChild();
}

static const char* resume_note() {
  return tr("This only needs to be done once. A stopped build goes on from its last finished step.");
}

// The list or log area: its own height, or less when the buttons under it would not fit,
// but never less than five rows.
static float area_height(float cw, float U) {
  push_font(F_SMALL);
  float note = paragraph_size(resume_note(), cw).y;
  ImGui::PopFont();
  float below = 9 * U + (12 + 9) * U + (52 + 9) * U + (2 + 9) * U + note;
  float room = room_below(below, U);
  return std::min(list_height(A.steps.size(), U), std::max(room, 5 * row_pitch(U)));
}

void view_progress(float cw, float U, float t) {
  title_text(F_SMALL, GOLD, progress_title(A), cw);
  a11y_text(A11yRole::HEADING, progress_title(A), 1);
  text_block(F_HEAD, TEXT, progress_headline(A), cw);

  title_text(F_TITLE, GOLD, percent_text(A.shown_total).c_str(), cw);
  a11y_progress(A.shown_total, progress_headline(A));
  text_block(F_BODY, DIM, step_line(A, SDL_GetTicks()), cw);
  gap(14 * U);

  const float h = area_height(cw, U);
  if (A.show_log)
    log_box(cw, h, U);
  else
    step_list(cw, h, U, t);
  gap(12 * U);

  // "###details" keeps one identity for both labels, so keyboard focus stays on the button.
  const std::string details =
      std::string(A.show_log ? tr("Show the steps") : tr("Show details")) + "###details";
  if (half_button(false, details.c_str(), cw, U)) A.show_log = !A.show_log;
  default_focus();
  same_line_gap(U);
  ImGui::BeginDisabled(A.cancelling);
  bool cancel = half_button(false, tr("Cancel"), cw, U);
  ImGui::EndDisabled();
  if (cancel) cancel_build();
  gap(2 * U);
  text_block(F_SMALL, DIM, resume_note(), cw);
}
