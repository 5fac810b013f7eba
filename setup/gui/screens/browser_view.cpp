// The browser drawn in the column: a heading, the folder, a box of rows that the GUI's own
// navigation moves through, the hints and the buttons.
#include "access/a11y.h"
#include "look/draw.h"
#include "look/theme.h"
#include "platform/hand.h"
#include "screens/browser.h"
#include "screens/patterns.h"
#include "text/language.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>

static const ImVec4 WARNING(0.96f, 0.56f, 0.30f, 1.0f);

// Every file, or only the game's, listed again with the same row selected.
static void toggle_all_files() {
  Browser& b = g_browser;
  b.all_files = !b.all_files;
  browse_to(b.folder, b.selected < (int)b.rows.size() ? b.rows[b.selected].path : "");
}

// This frame's keys and gamepad buttons beyond the GUI's own moves: close, up, all files.
// Back follows what is printed on the gamepad, as the GUI's confirm does.
static void browser_keys() {
  Browser& b = g_browser;
  const ImGuiKey back =
      ImGui::GetIO().ConfigNavSwapGamepadButtons ? ImGuiKey_GamepadFaceDown : ImGuiKey_GamepadFaceRight;
  if (ImGui::IsKeyPressed(ImGuiKey_Escape, false)) {
    close_browser();
    return;
  }
  if (ImGui::IsKeyPressed(ImGuiKey_Backspace, true) && !b.folder.empty()) {
    browse_up();
    return;
  }
  if (ImGui::IsKeyPressed(back, false)) {
    browse_up();
    return;
  }
  if (b.pick == Pick::GAME && west_button_pressed()) toggle_all_files();
}

static const char* row_name(void* data, int i) {
  const BrowserRow& row = (*(std::vector<BrowserRow>*)data)[i];
  return special_row(row) ? "" : row.name.c_str();
}

// Letters typed, in any layout and script, move to the next row whose name begins with them.
static void type_ahead() {
  Browser& b = g_browser;
  ImGuiTypingSelectRequest* req = ImGui::GetTypingSelectRequest(ImGuiTypingSelectFlags_AllowSingleCharMode);
  if (!req) return;
  int found = ImGui::TypingSelectFindMatch(req, (int)b.rows.size(), row_name, &b.rows, b.selected);
  if (found >= 0) {
    b.selected = found;
    b.follow = true;
  }
}

// Page Up and Page Down move by the rows the box shows whole, Home and End to the ends.
// The box is part of the column's navigation, which the GUI would page instead: the keys
// are the browser's own while it is open.
static const ImGuiKey PAGE_KEYS[] = {ImGuiKey_PageUp, ImGuiKey_PageDown, ImGuiKey_Home, ImGuiKey_End};

static ImGuiID page_owner() { return ImHashStr("##browser pages"); }

static bool page_key(ImGuiKey key, bool repeat) {
  return ImGui::IsKeyPressed(key, repeat ? ImGuiInputFlags_Repeat : ImGuiInputFlags_None, page_owner());
}

static void page_keys(float box, float pitch, float gap) {
  Browser& b = g_browser;
  for (ImGuiKey key : PAGE_KEYS) ImGui::SetKeyOwner(key, page_owner());
  if (b.rows.empty()) return;
  const int page = std::max(1, (int)((box + gap) / pitch));
  int to = b.selected;
  if (page_key(ImGuiKey_PageDown, true)) to += page;
  if (page_key(ImGuiKey_PageUp, true)) to -= page;
  if (page_key(ImGuiKey_Home, false)) to = 0;
  if (page_key(ImGuiKey_End, false)) to = (int)b.rows.size() - 1;
  to = std::clamp(to, 0, (int)b.rows.size() - 1);
  if (to != b.selected) b.selected = to, b.follow = true;
}

// A small mark before each row's name: a folder, a page, the game's disc, an arrow up.
static void row_mark(ImDrawList* dl, const BrowserRow& row, ImVec2 c, float U) {
  const ImU32 gold = ImGui::GetColorU32(GOLD), dim = ImGui::GetColorU32(DIM);
  const float s = 9 * U;
  switch (row.kind) {
    case BrowserRow::USE: {
      ImVec2 tick[3] = {ImVec2(c.x - s, c.y), ImVec2(c.x - 0.3f * s, c.y + 0.7f * s),
                        ImVec2(c.x + s, c.y - 0.7f * s)};
      dl->AddPolyline(tick, 3, row.enabled ? rgba(0.55f, 0.78f, 0.40f, 1) : dim, 0, 2.5f * U);
      break;
    }
    case BrowserRow::UP:
      dl->AddTriangleFilled(ImVec2(c.x, c.y - s), ImVec2(c.x - s, c.y + 0.4f * s),
                            ImVec2(c.x + s, c.y + 0.4f * s), dim);
      break;
    case BrowserRow::NEW_FOLDER:
      dl->AddLine(ImVec2(c.x - s, c.y), ImVec2(c.x + s, c.y), gold, 2.5f * U);
      dl->AddLine(ImVec2(c.x, c.y - s), ImVec2(c.x, c.y + s), gold, 2.5f * U);
      break;
    case BrowserRow::FILE:
      dl->AddRect(ImVec2(c.x - 0.7f * s, c.y - s), ImVec2(c.x + 0.7f * s, c.y + s), dim, 2 * U, 0, 1.5f * U);
      break;
    case BrowserRow::MORE: break;
    case BrowserRow::PLACE:
    case BrowserRow::FOLDER:
      if (row.game == 1) {
        dl->AddCircleFilled(c, s, gold, 20);
        dl->AddCircleFilled(c, 0.35f * s, rgba(0.16f, 0.09f, 0.03f, 1), 12);
      } else {
        dl->AddRectFilled(ImVec2(c.x - s, c.y - 0.8f * s), ImVec2(c.x - 0.1f * s, c.y - 0.4f * s), gold,
                          2 * U);
        dl->AddRectFilled(ImVec2(c.x - s, c.y - 0.5f * s), ImVec2(c.x + s, c.y + 0.8f * s), gold, 2 * U);
      }
      break;
  }
}

static const float ROW_H = 40, ROW_GAP = 4;  // a row and the space under it, at scale 1

// Whole pixels, so that where the list clipper puts a row out of sight is where it is drawn
// once it is scrolled into sight.
static float row_height(float U) { return std::floor(ROW_H * U); }
static float row_gap(float U) { return std::max(1.0f, std::floor(ROW_GAP * U)); }

// One row's look over the item the GUI placed at `p`, `width` wide.
static void draw_row(const BrowserRow& row, ImVec2 p, float width, bool selected, float U) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const float h = row_height(U);
  ImVec2 end(p.x + width, p.y + h);
  if (selected || ImGui::IsItemHovered())
    dl->AddRectFilled(p, end, rgba(1.0f, 0.9f, 0.75f, selected ? 0.12f : 0.06f), 8 * U);
  // Mark, name, detail from the row's start: mirrored, the mark on the right.
  row_mark(dl, row, ImVec2(mirrored_point(p.x + 22 * U, p.x, width), p.y + h / 2), U);
  const bool game = row.game == 1;
  std::string detail = game ? tr("Your copy of the game") : row.detail;
  push_font(F_SMALL);
  float dw = detail.empty() ? 0 : std::min(ImGui::CalcTextSize(shown_text(detail).c_str()).x, width * 0.55f);
  std::string shown_detail = fit_from_right(detail, dw);
  const ImVec2 at_detail(mirrored_x(end.x - 14 * U - dw, dw, p.x, width),
                         p.y + (h - ImGui::GetFontSize()) / 2);
  dl->AddText(at_detail, ImGui::GetColorU32(row.warn ? WARNING : game ? GOLD : DIM), shown_detail.c_str());
  if (!shown_detail.empty())
    note_text(
        "row", shown_detail.c_str(), at_detail,
        ImVec2(at_detail.x + ImGui::CalcTextSize(shown_detail.c_str()).x, at_detail.y + ImGui::GetFontSize()),
        ImVec2(mirrored_x(p.x + 46 * U, width - 46 * U, p.x, width), p.y),
        ImVec2(mirrored_x(p.x + 46 * U, width - 46 * U, p.x, width) + width - 46 * U, end.y));
  ImGui::PopFont();
  push_font(F_BODY);
  std::string name = fit_from_right(row.name, width - 60 * U - dw - 20 * U);
  const float name_w = ImGui::CalcTextSize(name.c_str()).x, room_w = width - 14 * U - dw;
  const ImVec2 at_name(mirrored_x(p.x + 46 * U, name_w, p.x, width), p.y + (h - ImGui::GetFontSize()) / 2);
  dl->AddText(at_name, ImGui::GetColorU32(row.enabled ? TEXT : DIM), name.c_str());
  const float room_x = mirrored_x(p.x, room_w, p.x, width);
  note_text("row", name.c_str(), at_name, ImVec2(at_name.x + name_w, at_name.y + ImGui::GetFontSize()),
            ImVec2(room_x, p.y), ImVec2(room_x + room_w, end.y));
  ImGui::PopFont();
}

// The rows, in a box `size` big that scrolls; only the rows in sight are drawn, each an
// item of the GUI's navigation. Its moves, pages, Home and End are the GUI's own; the
// row that holds the focus is the selected one.
static void row_list(const std::string& name, ImVec2 size, float U) {
  Browser& b = g_browser;
  // Flattened into the column's navigation, so that Tab goes on from the rows to the
  // buttons under them.
  float width = begin_scroll_box("##browser", size, U, ImGuiChildFlags_NavFlattened);
  b.box_top = b.row_top = b.row_bottom = ImGui::GetWindowPos().y;
  b.box_bottom = b.box_top + ImGui::GetWindowHeight();
  b.pitch = row_height(U) + row_gap(U);
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, row_gap(U)));
  ImGui::PushStyleColor(ImGuiCol_Header, ImVec4(0, 0, 0, 0));
  ImGui::PushStyleColor(ImGuiCol_HeaderHovered, ImVec4(0, 0, 0, 0));
  ImGui::PushStyleColor(ImGuiCol_HeaderActive, ImVec4(1.0f, 0.9f, 0.75f, 0.10f));
  a11y_list(name.c_str(), b.asked == Browser::LIST ? 0 : (int)b.rows.size());
  if (b.asked == Browser::LIST) {
    ImGui::Dummy(ImVec2(width, 0));
    push_font(F_BODY);
    const std::string& reading = shown_text(tr("Reading…"));
    const float reading_w = ImGui::CalcTextSize(reading.c_str()).x;
    ImGui::SetCursorPos(
        ImVec2(mirrored_x(46 * U, reading_w, 0, width), (row_height(U) - ImGui::GetFontSize()) / 2));
    ImGui::TextColored(DIM, "%s", reading.c_str());
    a11y_text(A11yRole::LABEL, tr("Reading…"));
    ImGui::PopFont();
  } else {
    type_ahead();
    page_keys(b.box_bottom - b.box_top, row_gap(U) + row_height(U), row_gap(U));
    int clicked = -1;
    std::vector<int> unknown_games;
    ImGuiListClipper clipper;
    clipper.Begin((int)b.rows.size());
    if (b.follow && b.selected < (int)b.rows.size()) clipper.IncludeItemByIndex(b.selected);
    while (clipper.Step()) {
      for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; i++) {
        BrowserRow& row = b.rows[i];
        // Known by what it stands for, not by its place: a row of another folder is
        // another item, for the focus and for screen readers.
        ImGui::PushID((int)row.kind);
        ImGui::PushID(row.path.c_str());
        ImVec2 p = ImGui::GetCursorScreenPos();
        const ImGuiSelectableFlags flags =
            ImGuiSelectableFlags_NoPadWithHalfSpacing | (row.enabled ? 0 : ImGuiSelectableFlags_Disabled);
        if (ImGui::Selectable("##row", i == b.selected, flags, ImVec2(width, row_height(U)))) clicked = i;
        a11y_list_row(i, row.path, row.name.c_str(), i == b.selected,
                      row.game == 1 ? tr("Your copy of the game") : row.detail.c_str());
        // The row to follow takes the focus; else the row the GUI's navigation focused is
        // the selected one, and is kept wholly in sight.
        if (b.follow && i == b.selected) {
          // At once, and whatever holds the focus now, inside the box or out of it.
          ImGui::SetFocusID(ImGui::GetItemID(), ImGui::GetCurrentWindow());
          ImGui::SetNavCursorVisible(true);
          ImGui::ScrollToItem(ImGuiScrollFlags_KeepVisibleEdgeY);
          b.follow = false;
        } else if (!b.follow && ImGui::IsItemFocused() && b.selected != i) {
          b.selected = i;
          ImGui::ScrollToItem(ImGuiScrollFlags_KeepVisibleEdgeY);
        }
        if (i == b.selected) b.row_top = p.y, b.row_bottom = p.y + row_height(U);
        draw_row(row, p, width, i == b.selected, U);
        if (row.kind == BrowserRow::FOLDER && row.game < 0) unknown_games.push_back(i);
        ImGui::PopID();
        ImGui::PopID();
      }
    }
    if (clicked >= 0) {
      b.selected = clicked;
      activate_row(clicked);
    } else {
      ask_game_looks(unknown_games);
    }
  }
  ImGui::PopStyleColor(3);
  ImGui::PopStyleVar();
  a11y_list_end();
  ImGui::EndChild();
}

// One line above the rows: drawn, noted for the layout check, and read by screen readers.
// `text` is drawn (fitted to the column); screen readers get `whole`.
static void heading_line(const ImVec4& colour, const std::string& text, const std::string& whole,
                         A11yRole role, int level = 0) {
  const std::string& shown = shown_text(text);
  const float ltr_x = mirror_next_item(ui_rtl() ? ImGui::CalcTextSize(shown.c_str()).x : 0);
  ImGui::TextColored(colour, "%s", shown.c_str());
  after_mirrored_item(ltr_x, 0);
  note_item_text("text", text.c_str());
  a11y_text(role, whole, level);
}

// The keys of the hand used last, with what the gamepad in hand has printed on its buttons.
static std::string hint_text() {
  if (g_last_hand != Hand::GAMEPAD) return tr("Enter: open or choose    Backspace: up    Esc: close");
  const bool swap = ImGui::GetIO().ConfigNavSwapGamepadButtons;
  const std::string confirm = pad_button_name(swap ? SDL_GAMEPAD_BUTTON_EAST : SDL_GAMEPAD_BUTTON_SOUTH);
  const std::string back = pad_button_name(swap ? SDL_GAMEPAD_BUTTON_SOUTH : SDL_GAMEPAD_BUTTON_EAST);
  std::string hint = fill(tr("{confirm}: open or choose    {back}: back    {left} / {right}: a page"),
                          {{"confirm", confirm},
                           {"back", back},
                           {"left", pad_button_name(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER)},
                           {"right", pad_button_name(SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER)}});
  if (g_browser.pick == Pick::GAME)
    hint +=
        "    " + fill(g_browser.all_files ? tr("{button}: only the game's files") : tr("{button}: all files"),
                      {{"button", pad_button_name(SDL_GAMEPAD_BUTTON_WEST)}});
  return hint;
}

void view_browser(float cw, float U) {
  Browser& b = g_browser;
  browser_take_answers();
  browser_keys();
  if (!b.open) return;

  push_font(F_SMALL);
  const std::string title =
      b.pick == Pick::GAME ? tr("CHOOSE YOUR COPY OF THE GAME") : tr("CHOOSE WHERE TO INSTALL");
  heading_line(GOLD, title, title, A11yRole::HEADING, 1);
  ImGui::PopFont();
  push_font(F_HEAD);
  const std::string name = b.folder.empty() ? tr("Places") : readable_name(last_part(b.folder));
  heading_line(TEXT, fit_from_right(name, cw), name, A11yRole::HEADING, 2);
  ImGui::PopFont();
  push_font(F_SMALL);
  const std::string where = b.folder.empty() ? tr("Drives, media and your folders") : readable_name(b.folder);
  heading_line(DIM, fit_from_left(where, cw), where, A11yRole::LABEL);
  // One short line each: why no dialog opened, and what went wrong here.
  for (const std::string* line : {&b.reason, &b.problem})
    if (!line->empty()) {
      std::string text =
          line == &b.reason ? fill(tr("No dialog could open: {reason}"), {{"reason", *line}}) : *line;
      heading_line(WARNING, fit_from_right(text, cw), text, A11yRole::LABEL);
    }
  ImGui::PopFont();
  gap(4 * U);

  push_font(F_SMALL);
  float hint_h = ImGui::GetFontSize();
  ImGui::PopFont();
  float below = (9 + 4 + 9) * U + hint_h + (52 + 9) * U;
  row_list(name, ImVec2(cw, std::max(room_below(below, U), 3 * (row_height(U) + row_gap(U)))), U);
  if (!b.open) return;
  gap(4 * U);
  text_block(F_SMALL, DIM, hint_text(), cw);
  if (half_button(false, tr("Cancel"), cw, U)) {
    close_browser();
    return;
  }
  if (b.pick == Pick::GAME) {
    same_line_gap(U);
    if (half_button(
            false,
            (std::string(b.all_files ? tr("Only the game's files") : tr("All files")) + "###all").c_str(), cw,
            U))
      toggle_all_files();
  }
  return;
}
