#include "screens/outcome.h"

#include "access/a11y.h"
#include "backend/launch.h"
#include "backend/proc.h"
#include "backend/protocol.h"
#include "look/theme.h"
#include "screens/patterns.h"
#include "text/language.h"
#include "widgets/layout_report.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>

static const ImVec4 STOPPED_TITLE(0.96f, 0.56f, 0.30f, 1.0f);
static const ImVec4 DETAIL(0.80f, 0.74f, 0.64f, 1.0f);
static const ImVec4 WARNING(0.95f, 0.72f, 0.42f, 1.0f);
static const ImVec4 COMMAND_BOX(0.0f, 0.0f, 0.0f, 0.55f);
static const ImVec4 COMMAND_TEXT(0.86f, 0.90f, 0.70f, 1.0f);

std::string done_sentence(uint64_t took, bool desktop) {
  // Whole sentences, so that each language orders its own words.
  if (took < UP_TO_DATE_MS)
    return desktop ? tr("Everything was up to date. Tarnwell is in your Start menu and on your desktop, with "
                        "the icon from your game.")
                   : tr("Everything was up to date. Tarnwell is in your Start menu, with the icon from your "
                        "game.");
  const char* built =
      desktop ? tr("Built in {time}. Tarnwell is in your Start menu and on your desktop, with the "
                   "icon from your game.")
              : tr("Built in {time}. Tarnwell is in your Start menu, with the icon from your game.");
  return fill(built, {{"time", duration(took)}});
}

const char* copy_label(const App& app, uint64_t now) {
  bool fresh = app.copied == app.error_command && now - app.copied_at < COPIED_MS;
  return fresh ? tr("Copied") : tr("Copy the command");
}

std::vector<std::string> install_args(const std::vector<std::string>& backend) {
  std::vector<std::string> args = backend;
  args.push_back("--install-packages");
  args.push_back("--json");
  return args;
}

void view_done(float cw, float U) {
  title_text(F_SMALL, GOLD, tr("DONE"), cw);
  a11y_text(A11yRole::HEADING, tr("DONE"), 2);
  title_text(F_TITLE, TEXT, tr("Ready to play"), cw);
  a11y_text(A11yRole::HEADING, tr("Ready to play"), 1);
  text_block(F_BODY, DIM, done_sentence(A.finished_at - A.started_at, A.desktop), cw);
  // Many warnings scroll in a box of their own, so that "Play" and the title stay in view.
  push_font(F_SMALL);
  float natural = 0;
  for (const std::string& warning : A.warnings)
    natural += ImGui::CalcTextSize(warning.c_str(), nullptr, false, cw).y + 9 * U;
  ImGui::PopFont();
  const float below = 9 * U + (26 + 9) * U + (72 + 9) * U + (4 + 9) * U + 52 * U;
  if (!A.warnings.empty())
    fitted_area("##warnings", natural - 9 * U, below, 3 * 33 * U, cw, U, [](float width) {
      for (const std::string& warning : A.warnings) text_block(F_SMALL, WARNING, warning, width);
    });
  gap(26 * U);

  if (large_button(true, tr("Play"), cw, U)) play();
  default_focus();
  gap(4 * U);
  if (half_button(false, tr("Open the folder"), cw, U)) open_path(A.dest);
  same_line_gap(U);
  if (half_button(false, tr("Back to setup"), cw, U)) {
    A.view = 0;
    A.focused = false;
  }
}

// The install command in a dark box with 14 pixels (scaled) of room around it.
static void command_box(float cw, float U) {
  push_font(F_MONO);
  ImVec2 p = ImGui::GetCursorScreenPos();
  ImVec2 m = ImGui::CalcTextSize(shown_text(A.error_command).c_str(), nullptr, false, cw - 28 * U);
  ImGui::GetWindowDrawList()->AddRectFilled(p, ImVec2(p.x + cw, p.y + m.y + 28 * U),
                                            ImGui::ColorConvertFloat4ToU32(COMMAND_BOX), 8 * U, 0);
  ImGui::SetCursorScreenPos(ImVec2(p.x + 14 * U, p.y + 14 * U));
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + cw - 28 * U);
  ImGui::TextColored(COMMAND_TEXT, "%s", shown_text(A.error_command).c_str());
  note_item_text("command", A.error_command.c_str());
  a11y_text(A11yRole::LABEL, A.error_command);
  ImGui::PopTextWrapPos();
  ImGui::SetCursorScreenPos(ImVec2(p.x, p.y + m.y + 42 * U));
  ImGui::PopFont();
}

// Height of what the missing-tools view draws under the detail text.
static float missing_tools_height(float cw, float U) {
  push_font(F_MONO);
  float command = ImGui::CalcTextSize(shown_text(A.error_command).c_str(), nullptr, false, cw - 28 * U).y;
  ImGui::PopFont();
  float install = A.can_install && !g_build.proc ? (52 + 9 + 2 + 9) * U : 0;
  return command + 42 * U + install + (52 + 9 + 2 + 9 + 52) * U;
}

// The buttons under the command: install through the backend, copy, check again, back.
static void missing_tools_actions(float cw, float U) {
  command_box(cw, U);
  const char* label = copy_label(A, SDL_GetTicks());
  const bool can_run = A.can_install && !g_build.proc;
  if (can_run) {
    bool install = capsule_button(F_BODY, true, 26 * U, tr("Install them now"), ImVec2(cw, 52 * U), U);
    default_focus();
    if (install) start_run(install_args(A.backend));
    gap(2 * U);
  }
  // "###copy" keeps one identity while the label changes, so focus stays on the button.
  std::string copy = std::string(label) + "###copy";
  if (half_button(!A.can_install, copy.c_str(), cw, U)) {
    SDL_SetClipboardText(A.error_command.c_str());
    A.copied = A.error_command;
    A.copied_at = SDL_GetTicks();
  }
  if (!can_run) default_focus();
  same_line_gap(U);
  if (half_button(false, tr("Check again"), cw, U)) {
    A.view = 0;
    A.focused = false;
    ask_info();
  }
  gap(2 * U);
  if (half_button(false, tr("Back"), cw, U)) {
    A.view = 0;
    A.focused = false;
  }
}

void view_stopped(float cw, float U) {
  const bool missing_tools = !A.error_command.empty();
  const char* title = missing_tools ? tr("ONE THING FIRST") : tr("SETUP STOPPED");
  title_text(F_SMALL, STOPPED_TITLE, title, cw);
  a11y_text(A11yRole::HEADING, title, 1);
  text_block(F_HEAD, TEXT, A.error, cw);
  gap(8 * U);
  // A long detail (a traceback, say) scrolls in a box of its own, so that the error and
  // the buttons stay in view.
  push_font(F_BODY);
  float natural = ImGui::CalcTextSize(A.error_detail.c_str(), nullptr, false, cw).y;
  ImGui::PopFont();
  float below = (9 + 8 + 9) * U + (missing_tools ? missing_tools_height(cw, U) : 52 * U);
  fitted_area("##detail", natural, below, 4 * 33 * U, cw, U,
              [](float width) { text_block(F_BODY, DETAIL, A.error_detail, width); });
  gap(8 * U);

  if (missing_tools) {
    missing_tools_actions(cw, U);
    return;
  }
  if (!A.log_path.empty()) {
    if (half_button(false, tr("Open the log"), cw, U)) open_path(A.log_path);
    same_line_gap(U);
  }
  bool back = half_button(false, tr("Back"), cw, U);
  default_focus();
  if (back) {
    A.view = 0;
    A.focused = false;
  }
}
