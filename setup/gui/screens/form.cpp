#include "screens/form.h"

#include "access/a11y.h"
#include "backend/launch.h"
#include "backend/protocol.h"
#include "look/theme.h"
#include "platform/hand.h"
#include "screens/browser.h"
#include "screens/languages.h"
#include "screens/patterns.h"
#include "text/language.h"
#include "widgets/disk_jobs.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"
#include "widgets/pickers.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

std::string shown_name(const std::string& game) {
  size_t slash = game.find_last_of("/\\");
  return slash == std::string::npos ? game : game.substr(slash + 1);
}

const char* game_link_text(const std::string& game) {
  // The disk is asked once for each path chosen, not in every frame, and never on the frame
  // thread: a copy remembered on a hung mount must not hold the window's first frame.
  static std::string looked_at;
  static uint64_t ticket = 0;
  static bool folder = false;
  if (game != looked_at) {
    if (ticket) disk_drop(ticket);
    looked_at = game;
    folder = false;
    ticket = game.empty() ? 0 : disk_ask(game, [game](DiskAnswer& a) { a.games.push_back(is_folder(game)); });
  }
  DiskAnswer answer;
  if (ticket && disk_take(ticket, answer)) {
    ticket = 0;
    folder = !answer.games.empty() && answer.games[0];
  }
  return folder ? tr("A folder is chosen: choose another")
                : tr("Or choose the folder that holds exefs and romfs");
}

bool form_ready(const App& app) { return !app.game.empty() && !app.dest.empty() && app.info_ready; }

const char* form_status(const App& app) {
  if (!app.info_ready)
    return app.info_failed ? tr("Setup could not check this PC: its backend ended without an answer.")
                           : tr("Checking this PC...");
  if (!app.missing.empty())
    return tr("This PC needs a few build tools first: \"Build the game\" shows them.");
  if (app.game.empty()) return tr("Choose your copy of the game to begin.");
  if (app.dest.empty()) return tr("Choose where to install.");
  if (app.installed) return tr("Installed. Build again after an update of Tarnwell.");
  return tr("This is done once and can take an hour on a slower PC.");
}

std::string installed_launcher(const std::string& dest) {
#ifdef _WIN32
  return dest + "\\tarnwell.bat";
#else
  return dest + "/tarnwell.sh";
#endif
}

int designated_item(const App& app) {
  if (app.game.empty()) return ITEM_GAME;
  if (app.dest.empty()) return ITEM_DEST;
  return form_ready(app) ? ITEM_MAIN : ITEM_GAME;  // a disabled button cannot take the focus
}

bool picks_in_window(Hand last) {
  // Read once: the session does not change under a running program.
  static const bool session = gamepad_first_session([](const char* name) { return getenv(name); });
  return session || last == Hand::GAMEPAD;
}

// A picker activated: the platform's dialog, or, from a gamepad (which cannot drive it)
// and in a session made for one, the browser in the window.
static void open_picker(int item) {
  focus_opened_by(item);
  if (picks_in_window(g_last_hand)) {
    open_browser(item == ITEM_DEST ? Pick::DEST : Pick::GAME, "");
  } else if (item == ITEM_GAME) {
    open_game_file();
  } else if (item == ITEM_GAME_LINK) {
    open_game_folder();
  } else {
    open_dest_folder();
  }
}

// A dialog that could not open at all: the browser opens instead, saying why.
static void instead_of_dialogs() {
  if (!A.game_dialog_error.empty())
    open_browser(Pick::GAME, A.game_dialog_error);
  else if (!A.dest_dialog_error.empty())
    open_browser(Pick::DEST, A.dest_dialog_error);
  A.game_dialog_error.clear();
  A.dest_dialog_error.clear();
}

// The check box of a right-to-left window: ImGui's own box and label, invisible, stand where
// they do left to right, reflected, for the pointer, the keys and screen readers, and the
// box is drawn at the item's right end with the label to its left.
static void mirrored_checkbox(const char* logical_label, bool* value) {
  const std::string shown = shown_label(logical_label);
  const char* label = shown.c_str();
  const ImGuiStyle& style = ImGui::GetStyle();
  const float box = ImGui::GetFrameHeight();
  const float label_w = ImGui::CalcTextSize(label, nullptr, true).x;
  const float w = box + style.ItemInnerSpacing.x + label_w;
  const ImVec4 none(0, 0, 0, 0);
  const ImVec4 frame = style.Colors[ImGuiCol_FrameBg], frame_hovered = style.Colors[ImGuiCol_FrameBgHovered],
               frame_active = style.Colors[ImGuiCol_FrameBgActive], border = style.Colors[ImGuiCol_Border],
               mark = style.Colors[ImGuiCol_CheckMark], text = style.Colors[ImGuiCol_Text];
  for (ImGuiCol c : {ImGuiCol_FrameBg, ImGuiCol_FrameBgHovered, ImGuiCol_FrameBgActive, ImGuiCol_Border,
                     ImGuiCol_CheckMark, ImGuiCol_Text})
    ImGui::PushStyleColor(c, none);
  const float ltr_x = mirror_next_item(w);
  ImGui::Checkbox(label, value);
  after_mirrored_item(ltr_x, w);
  ImGui::PopStyleColor(6);
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  const ImVec2 box_min(max.x - box, min.y), box_max(max.x, min.y + box);
  const ImVec4& fill = ImGui::IsItemActive() ? frame_active : ImGui::IsItemHovered() ? frame_hovered : frame;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(box_min, box_max, ImGui::GetColorU32(fill), style.FrameRounding);
  if (style.FrameBorderSize > 0)
    dl->AddRect(box_min, box_max, ImGui::GetColorU32(border), style.FrameRounding, 0, style.FrameBorderSize);
  if (*value) {
    const float pad = std::max(1.0f, std::floor(box / 6));
    ImGui::RenderCheckMark(dl, ImVec2(box_min.x + pad, box_min.y + pad), ImGui::GetColorU32(mark),
                           box - 2 * pad);
  }
  dl->AddText(ImVec2(box_min.x - style.ItemInnerSpacing.x - label_w, min.y + style.FramePadding.y),
              ImGui::GetColorU32(text), label, ImGui::FindRenderedTextEnd(label));
}

// The shortcut box, styled like the fields around it.
static void desktop_checkbox(float U) {
  push_font(F_SMALL);
  ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 5 * U);
  ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1.5f * U);
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(3 * U, 3 * U));
  ImGui::PushStyleVar(ImGuiStyleVar_ItemInnerSpacing, ImVec2(10 * U, 0));
  ImGui::PushStyleColor(ImGuiCol_FrameBg, ImVec4(1.0f, 0.9f, 0.75f, 0.06f));
  ImGui::PushStyleColor(ImGuiCol_FrameBgHovered, ImVec4(1.0f, 0.9f, 0.75f, 0.14f));
  ImGui::PushStyleColor(ImGuiCol_FrameBgActive, ImVec4(1.0f, 0.9f, 0.75f, 0.20f));
  ImGui::PushStyleColor(ImGuiCol_Border, ImVec4(0.96f, 0.74f, 0.28f, 0.40f));
  ImGui::PushStyleColor(ImGuiCol_CheckMark, GOLD);
  ImGui::PushStyleColor(ImGuiCol_Text, A.desktop ? TEXT : DIM);
  if (ui_rtl())
    mirrored_checkbox(tr("Also put a shortcut on the desktop"), &A.desktop);
  else
    ImGui::Checkbox(shown_label(tr("Also put a shortcut on the desktop")).c_str(), &A.desktop);
  // The label's room starts after the box; mirrored, it ends before it.
  const float label_room = ImGui::GetFrameHeight() + ImGui::GetStyle().ItemInnerSpacing.x;
  note_label("checkbox", tr("Also put a shortcut on the desktop"), ui_rtl() ? -label_room : label_room);
  a11y_item(A11yRole::CHECK_BOX, tr("Also put a shortcut on the desktop"), A.desktop ? A11Y_CHECKED : 0);
  ImGui::PopStyleColor(6);
  ImGui::PopStyleVar(4);
  ImGui::PopFont();
}

// One button per level, the chosen one primary, then its description and how it compares
// with the suggestion for this PC. The buttons run on one line and wrap where the next one
// would pass the column's edge; a name wider than the column is cut with "...".
static void quality_choice(float cw, float U) {
  push_font(F_BODY);
  const float pad = 22 * U, spacing = 10 * U;
  float x = 0;
  for (size_t i = 0; i < A.levels.size(); i++) {
    std::string label = fit_from_right(A.levels[i].name, cw - 2 * pad);
    float width = ImGui::CalcTextSize(label.c_str()).x + 2 * pad;
    if (i > 0 && x + spacing + width <= cw) {
      ImGui::SameLine(0, spacing);
      x += spacing + width;
    } else {
      x = width;
    }
    push_button((int)i == A.quality, 23 * U, U);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(pad, 0));
    ImGui::PushID((int)i);  // two levels may carry the same name
    const float ltr_x = mirror_next_item(width);
    bool clicked = ImGui::Button((label + "###level" + std::to_string(i)).c_str(), ImVec2(width, 46 * U));
    after_mirrored_item(ltr_x, width);
    note_label("button", label.c_str());
    a11y_item(A11yRole::RADIO, A.levels[i].name.c_str(), (int)i == A.quality ? A11Y_CHECKED : 0);
    ImGui::PopID();
    ImGui::PopStyleVar(1);
    ImGui::PopStyleColor(5);
    ImGui::PopStyleVar(2);
    if (clicked) A.quality = (int)i;
  }
  ImGui::PopFont();
  gap(2 * U);
  // An info reply may shrink the list; never read past it.
  if (A.quality < 0 || A.quality >= (int)A.levels.size()) return;
  const Level& chosen = A.levels[A.quality];
  text_block(F_SMALL, DIM, chosen.about, cw);
  if (A.suggested.empty()) return;
  if (chosen.id == A.suggested)
    text_block(F_SMALL, ImVec4(0.62f, 0.80f, 0.45f, 1.0f),
               fill(tr("Suggested for this PC: {reason}"), {{"reason", A.suggested_why}}), cw);
  else
    text_block(F_SMALL, ImVec4(0.90f, 0.72f, 0.36f, 1.0f),
               fill(tr("The suggestion for this PC is {level}: {reason}"),
                    {{"level", A.suggested_name}, {"reason", A.suggested_why}}),
               cw);
}

// "Build the game", or "Play" and "Build again" when the game is installed already. The
// first of them takes the focus when `focus`. Building is held back while the last run
// still holds its processes (after a Cancel, until they have ended).
static void main_buttons(float cw, float U, bool ready, bool focus) {
  if (A.installed) {
    bool play_now = large_button(true, tr("Play"), 0.56f * cw, U);
    if (focus) take_focus();
    focus = false;
    if (play_now) {
      A.launcher = installed_launcher(A.dest);
      play();
    }
    same_line_gap(U);
  }
  ImGui::BeginDisabled(!ready || job_held());
  bool build = A.installed ? large_button(false, tr("Build again"), 0.44f * cw - 14 * U, U)
                           : large_button(true, tr("Build the game"), cw, U);
  if (focus) take_focus();
  ImGui::EndDisabled();
  if (build) start_build();
}

void view_form(float cw, float U) {
  instead_of_dialogs();
  // The browser's choice is the form's before the form is drawn again.
  if (g_browser.open) view_browser(cw, U);
  std::string chosen = take_browser_choice();
  if (!chosen.empty()) (g_browser.pick == Pick::GAME ? A.game : A.dest) = chosen;
  if (g_browser.open) return;
  if (g_languages_open) {
    view_languages(cw, U);
    if (g_languages_open) return;
  }
  if (take_browser_closed()) focus_back();
  // The main button, held while the last run stops, takes the focus it was meant to have
  // once that run is released.
  static bool main_focus_waits = false;
  const bool held = job_held();
  int focus = form_focus(A);
  if (held && focus == ITEM_MAIN) {
    focus = ITEM_NONE;  // a disabled button cannot take the focus
    main_focus_waits = true;
  } else if (!held && main_focus_waits) {
    main_focus_waits = false;
    if (focus == ITEM_NONE) focus = designated_item(A);
  }
  const bool game_set = !A.game.empty();
  const bool dest_set = !A.dest.empty();
  const bool ready = form_ready(A);
  const std::string name = shown_name(A.game);

  push_font(F_TITLE);
  const float title_x = mirror_next_item(ui_rtl() ? ImGui::CalcTextSize("Tarnwell").x : 0);
  ImGui::TextColored(TEXT, "Tarnwell");
  after_mirrored_item(title_x, 0);
  note_item_text("title", "Tarnwell");
  a11y_text(A11yRole::HEADING, "Tarnwell", 1);
  ImGui::PopFont();
  text_block(F_BODY, DIM, tr("Hollow Lantern, built on this PC from your own copy of the game."), cw);
  gap(26 * U);

  const char* link_text = game_link_text(A.game);
  heading(1, tr("YOUR COPY OF THE GAME"), game_set, U);
  bool open = field("##game", name, tr("Your .nup file, update 1.1.1 included"), cw, U);
  if (focus == ITEM_GAME) take_focus();
  if (open) open_picker(ITEM_GAME);
  // One identity whatever the link says, so that the focus given back finds it.
  open = link((std::string(link_text) + "###game_link").c_str(), U);
  if (focus == ITEM_GAME_LINK) take_focus();
  if (open) open_picker(ITEM_GAME_LINK);
  gap(14 * U);

  heading(2, tr("WHERE TO INSTALL (ABOUT 36 GB)"), dest_set, U);
  open = field("##dest", A.dest, tr("Choose a folder"), cw, U);
  if (focus == ITEM_DEST) take_focus();
  if (open) open_picker(ITEM_DEST);
  desktop_checkbox(U);
  gap(8 * U);

  heading(3, tr("QUALITY"), !A.levels.empty(), U);
  if (!A.levels.empty()) quality_choice(cw, U);
  gap(22 * U);

  main_buttons(cw, U, ready, focus == ITEM_MAIN);
  gap(4 * U);
  text_block(F_SMALL, DIM, held ? tr("The last build is still stopping...") : form_status(A), cw);
}
