#include "screens/browser.h"

#include "app/events.h"
#include "app/theme.h"
#include "backend/app.h"
#include "screens/patterns.h"
#include "widgets/draw.h"
#include "widgets/pickers.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>

#include <algorithm>

Browser g_browser;

static const ImVec4 WARNING(0.96f, 0.56f, 0.30f, 1.0f);
static const ImVec4 FOCUS_FRAME(0.93f, 0.76f, 0.33f, 0.90f);  // the theme's navigation frame
static const char* const NEW_FOLDER_NAME = "Tarnwell";
static const unsigned long long TYPE_AHEAD_MS = 1000;

static bool special(const BrowserRow& row) {
  return row.kind == BrowserRow::USE || row.kind == BrowserRow::UP || row.kind == BrowserRow::NEW_FOLDER;
}

static BrowserRow row_of(BrowserRow::Kind kind, std::string name, std::string path, std::string detail = "") {
  BrowserRow row;
  row.kind = kind;
  row.name = std::move(name);
  row.path = std::move(path);
  row.detail = std::move(detail);
  return row;
}

// The "Use this folder" row: free space, a warning below what a build needs, and whether
// the folder takes files at all.
static BrowserRow use_row(const std::string& folder) {
  BrowserRow row;
  row.kind = BrowserRow::USE;
  row.name = "Use this folder";
  row.path = folder;
  std::string why = try_writing(folder);
  uint64_t free = 0;
  if (!why.empty()) {
    row.enabled = false;
    row.warn = true;
    row.detail = "Setup cannot write here: " + why;
  } else if (free_bytes(folder, free)) {
    row.detail = size_text(free) + " free";
    if (free < BUILD_BYTES) {
      row.warn = true;
      row.detail = "Only " + row.detail + ": a build needs about 36 GB";
    }
  }
  return row;
}

void browse_to(std::string folder, std::string select) {
  Browser& b = g_browser;
  b.folder = folder;
  b.rows.clear();
  b.problem.clear();
  b.typed.clear();
  if (folder.empty()) {
    for (const Place& p : places()) b.rows.push_back(row_of(BrowserRow::PLACE, p.name, p.path, p.detail));
  } else {
    Listing listing = list_folder(folder, b.pick, b.all_files);
    if (!listing.error.empty()) b.problem = "This folder cannot be read: " + listing.error;
    if (b.pick == Pick::DEST) b.rows.push_back(use_row(folder));
    b.rows.push_back(row_of(BrowserRow::UP, "..", parent_folder(folder)));
    bool has_new = false;
    for (const Entry& e : listing.entries) has_new |= e.folder && e.name == NEW_FOLDER_NAME;
    if (b.pick == Pick::DEST && !has_new && b.rows[0].enabled)
      b.rows.push_back(row_of(BrowserRow::NEW_FOLDER,
                              std::string("New folder \"") + NEW_FOLDER_NAME + "\" here",
                              join_path(folder, NEW_FOLDER_NAME)));
    for (Entry& e : listing.entries)
      b.rows.push_back(
          row_of(e.folder ? BrowserRow::FOLDER : BrowserRow::FILE, std::move(e.name), std::move(e.path)));
  }
  // The row asked for, else the first entry (in the install folder browser "Use this
  // folder" first, where it can be taken).
  b.selected = 0;
  bool found = false;
  for (size_t i = 0; i < b.rows.size() && !select.empty() && !found; i++)
    if (!special(b.rows[i]) && (b.rows[i].path == select || b.rows[i].name == select))
      b.selected = (int)i, found = true;
  if (!found && !(b.pick == Pick::DEST && !b.rows.empty() && b.rows[0].enabled))
    while (b.selected + 1 < (int)b.rows.size() && special(b.rows[b.selected])) b.selected++;
  b.follow = true;
}

void open_browser(Pick pick, int opener, const std::string& reason) {
  Browser& b = g_browser;
  if (!b.open) {
    // The browser reads the keys and gamepad buttons itself while it is open.
    ImGuiIO& io = ImGui::GetIO();
    b.nav_flags = io.ConfigFlags & (ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad);
    io.ConfigFlags &= ~(ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad);
  }
  b.open = true;
  b.pick = pick;
  b.opener = opener;
  b.reason = reason;
  b.all_files = false;
  // Where the field's value is: the folder itself for the install folder, the folder that
  // holds the chosen copy for the game.
  const std::string& value = pick == Pick::GAME ? A.game : A.dest;
  std::string start = pick == Pick::DEST && is_folder(value) ? value : parent_folder(value);
  if (value.empty() || !is_folder(start)) start = home_folder();
  browse_to(start, pick == Pick::GAME ? value : "");
}

void close_browser() {
  Browser& b = g_browser;
  if (!b.open) return;
  b.open = false;
  if (ImGui::GetCurrentContext()) ImGui::GetIO().ConfigFlags |= b.nav_flags;
  A.refocus = b.opener;
}

// Hands the choice over as a dialog's pick is handed over.
static void choose(const std::string& path) {
  hand_over_pick(g_browser.pick, path);
  close_browser();
}

void browse_up() {
  Browser& b = g_browser;
  if (b.folder.empty()) {
    close_browser();
    return;
  }
  std::string from = b.folder;
  browse_to(parent_folder(from), from);
}

static bool game_copy(BrowserRow& row) {
  if (row.game < 0) row.game = g_browser.pick == Pick::GAME && is_game_copy(row.path);
  return row.game == 1;
}

void activate_row(int index) {
  Browser& b = g_browser;
  if (index < 0 || index >= (int)b.rows.size()) return;
  BrowserRow& row = b.rows[index];
  switch (row.kind) {
    case BrowserRow::USE: {
      // Looked at again as it is taken: the folder may have changed since.
      BrowserRow now = use_row(row.path);
      if (now.enabled) {
        choose(row.path);
      } else {
        row = now;
        b.problem = now.detail;
      }
      return;
    }
    case BrowserRow::UP: browse_up(); return;
    case BrowserRow::NEW_FOLDER: {
      std::string made = row.path;
      if (SDL_CreateDirectory(made.c_str()))
        browse_to(made);
      else
        b.problem = std::string("The folder could not be made: ") + SDL_GetError();
      return;
    }
    case BrowserRow::PLACE: browse_to(row.path); return;
    case BrowserRow::FOLDER:
      if (game_copy(row))
        choose(row.path);
      else
        browse_to(row.path);
      return;
    case BrowserRow::FILE: choose(row.path); return;
  }
}

static void select_row(int index) {
  Browser& b = g_browser;
  if (b.rows.empty()) return;
  b.selected = std::clamp(index, 0, (int)b.rows.size() - 1);
  b.follow = true;
}

// The next row after the selected one (or the selected one itself while more letters come)
// whose name begins with what was typed, case not counting.
static void type_ahead(char c) {
  Browser& b = g_browser;
  uint64_t now = SDL_GetTicks();
  if (now - b.typed_at > TYPE_AHEAD_MS) b.typed.clear();
  b.typed_at = now;
  b.typed += (char)tolower((unsigned char)c);
  int n = (int)b.rows.size();
  for (int k = b.typed.size() > 1 ? 0 : 1; k <= n; k++) {
    int i = (b.selected + k) % std::max(n, 1);
    const BrowserRow& row = b.rows[i];
    if (special(row) || row.name.size() < b.typed.size()) continue;
    bool same = true;
    for (size_t j = 0; j < b.typed.size() && same; j++)
      same = tolower((unsigned char)row.name[j]) == b.typed[j];
    if (same) {
      select_row(i);
      return;
    }
  }
}

static bool pressed(ImGuiKey key) { return ImGui::IsKeyPressed(key, true); }

// This frame's keys and gamepad buttons. A and B follow what is printed on the gamepad.
static void browser_keys() {
  Browser& b = g_browser;
  const bool swap = ImGui::GetIO().ConfigNavSwapGamepadButtons;
  const ImGuiKey confirm = swap ? ImGuiKey_GamepadFaceRight : ImGuiKey_GamepadFaceDown;
  const ImGuiKey back = swap ? ImGuiKey_GamepadFaceDown : ImGuiKey_GamepadFaceRight;
  if (ImGui::IsKeyPressed(ImGuiKey_Escape, false)) {
    close_browser();
    return;
  }
  if (pressed(ImGuiKey_UpArrow) || pressed(ImGuiKey_GamepadDpadUp) || pressed(ImGuiKey_GamepadLStickUp))
    select_row(b.selected - 1);
  if (pressed(ImGuiKey_DownArrow) || pressed(ImGuiKey_GamepadDpadDown) || pressed(ImGuiKey_GamepadLStickDown))
    select_row(b.selected + 1);
  if (pressed(ImGuiKey_PageUp) || pressed(ImGuiKey_GamepadL1)) select_row(b.selected - b.page);
  if (pressed(ImGuiKey_PageDown) || pressed(ImGuiKey_GamepadR1)) select_row(b.selected + b.page);
  if (ImGui::IsKeyPressed(ImGuiKey_Home, false)) select_row(0);
  if (ImGui::IsKeyPressed(ImGuiKey_End, false)) select_row((int)b.rows.size() - 1);
  if (b.pick == Pick::GAME && ImGui::IsKeyPressed(ImGuiKey_GamepadFaceLeft, false)) {
    b.all_files = !b.all_files;
    browse_to(b.folder, b.selected < (int)b.rows.size() ? b.rows[b.selected].path : "");
  }
  if (ImGui::IsKeyPressed(ImGuiKey_Backspace, true)) {
    if (!b.folder.empty()) browse_up();
    return;
  }
  if (ImGui::IsKeyPressed(back, false)) {
    browse_up();
    return;
  }
  if (ImGui::IsKeyPressed(ImGuiKey_Enter, false) || ImGui::IsKeyPressed(ImGuiKey_KeypadEnter, false) ||
      ImGui::IsKeyPressed(confirm, false)) {
    activate_row(b.selected);
    return;
  }
  for (int k = ImGuiKey_A; k <= ImGuiKey_Z; k++)
    if (ImGui::IsKeyPressed((ImGuiKey)k, false)) type_ahead((char)('a' + (k - ImGuiKey_A)));
  for (int k = ImGuiKey_0; k <= ImGuiKey_9; k++)
    if (ImGui::IsKeyPressed((ImGuiKey)k, false)) type_ahead((char)('0' + (k - ImGuiKey_0)));
  // The marks that names hold besides letters and digits, as an ordinary keyboard types them.
  const bool shift = ImGui::GetIO().KeyShift;
  const struct {
    ImGuiKey key;
    char plain, shifted;
  } marks[] = {{ImGuiKey_Space, ' ', ' '}, {ImGuiKey_Minus, '-', '_'},       {ImGuiKey_Period, '.', '>'},
               {ImGuiKey_Comma, ',', '<'}, {ImGuiKey_Apostrophe, '\'', '"'}, {ImGuiKey_Equal, '=', '+'}};
  for (const auto& m : marks)
    if (ImGui::IsKeyPressed(m.key, false)) type_ahead(shift ? m.shifted : m.plain);
}

// A small mark before each row's name: a folder, a page, the game's disc, an arrow up.
static void row_mark(ImDrawList* dl, const BrowserRow& row, ImVec2 c, float U, bool game) {
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
    case BrowserRow::PLACE:
    case BrowserRow::FOLDER:
      if (game) {
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

static float row_height(float U) { return 44 * U; }

// The rows, in a box `size` big that scrolls; only the rows in sight are drawn.
static void row_list(ImVec2 size, float U) {
  Browser& b = g_browser;
  const float h = row_height(U);
  float width = begin_scroll_box("##browser", size, U);
  b.page = std::max(1, (int)(size.y / h) - 1);
  if (b.follow) {
    float top = h * (float)b.selected, scroll = ImGui::GetScrollY();
    if (top < scroll) ImGui::SetScrollY(top);
    if (top + h > scroll + size.y) ImGui::SetScrollY(top + h - size.y);
    b.follow = false;
  }
  ImDrawList* dl = ImGui::GetWindowDrawList();
  int clicked = -1;
  ImGuiListClipper clipper;
  clipper.Begin((int)b.rows.size(), h);
  while (clipper.Step()) {
    for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; i++) {
      BrowserRow& row = b.rows[i];
      ImVec2 p = ImGui::GetCursorScreenPos();
      ImGui::PushID(i);
      if (ImGui::InvisibleButton("##row", ImVec2(width, h)) && row.enabled) clicked = i;
      bool hovered = ImGui::IsItemHovered();
      ImGui::PopID();
      ImVec2 end(p.x + width, p.y + h - 4 * U);
      bool selected = i == b.selected;
      if (selected || hovered)
        dl->AddRectFilled(p, end, rgba(1.0f, 0.9f, 0.75f, selected ? 0.12f : 0.06f), 8 * U);
      if (selected) dl->AddRect(p, end, ImGui::ColorConvertFloat4ToU32(FOCUS_FRAME), 8 * U, 0, 2 * U);
      bool game = row.kind == BrowserRow::FOLDER && game_copy(row);
      row_mark(dl, row, ImVec2(p.x + 22 * U, p.y + (h - 4 * U) / 2), U, game);
      std::string detail = game ? "Your copy of the game" : row.detail;
      push_font(F_SMALL);
      float dw = detail.empty() ? 0 : std::min(ImGui::CalcTextSize(detail.c_str()).x, width * 0.55f);
      std::string shown_detail = fit_from_right(detail, dw);
      float y_small = p.y + (h - 4 * U - ImGui::GetFontSize()) / 2;
      dl->AddText(ImVec2(end.x - 14 * U - dw, y_small),
                  ImGui::GetColorU32(row.warn ? WARNING
                                     : game   ? GOLD
                                              : DIM),
                  shown_detail.c_str());
      ImGui::PopFont();
      push_font(F_BODY);
      std::string name = fit_from_right(row.name, width - 60 * U - dw - 20 * U);
      float y = p.y + (h - 4 * U - ImGui::GetFontSize()) / 2;
      dl->AddText(ImVec2(p.x + 46 * U, y), ImGui::GetColorU32(row.enabled ? TEXT : DIM), name.c_str());
      ImGui::PopFont();
    }
  }
  ImGui::EndChild();
  if (clicked >= 0) {
    b.selected = clicked;
    activate_row(clicked);
  }
}

static std::string hint_text() {
  const bool gamepad = g_last_hand == Hand::GAMEPAD;
  std::string hint = gamepad ? "A: open or choose    B: back    L1 / R1: a page"
                             : "Enter: open or choose    Backspace: up    Esc: close";
  if (gamepad && g_browser.pick == Pick::GAME)
    hint += g_browser.all_files ? "    X: only the game's files" : "    X: all files";
  return hint;
}

void view_browser(float cw, float U) {
  Browser& b = g_browser;
  browser_keys();
  if (!b.open) return;

  push_font(F_SMALL);
  ImGui::TextColored(GOLD, "%s",
                     b.pick == Pick::GAME ? "CHOOSE YOUR COPY OF THE GAME" : "CHOOSE WHERE TO INSTALL");
  ImGui::PopFont();
  push_font(F_HEAD);
  std::string title = fit_from_right(b.folder.empty() ? "Places" : readable_name(last_part(b.folder)), cw);
  ImGui::TextColored(TEXT, "%s", title.c_str());
  ImGui::PopFont();
  push_font(F_SMALL);
  std::string where =
      fit_from_left(b.folder.empty() ? "Drives, media and your folders" : readable_name(b.folder), cw);
  ImGui::TextColored(DIM, "%s", where.c_str());
  // One short line each: why no dialog opened, and what went wrong here.
  for (const std::string* line : {&b.reason, &b.problem})
    if (!line->empty()) {
      std::string text = line == &b.reason ? "No dialog could open: " + *line : *line;
      ImGui::TextColored(WARNING, "%s", fit_from_right(text, cw).c_str());
    }
  ImGui::PopFont();
  gap(4 * U);

  push_font(F_SMALL);
  float hint_h = ImGui::GetFontSize();
  ImGui::PopFont();
  float below = (9 + 4 + 9) * U + hint_h + (52 + 9) * U;
  row_list(ImVec2(cw, std::max(room_below(below, U), 3 * row_height(U))), U);
  if (!b.open) return;
  gap(4 * U);
  text_block(F_SMALL, DIM, hint_text(), cw);
  if (half_button(false, "Cancel", cw, U)) {
    close_browser();
    return;
  }
  if (b.pick == Pick::GAME) {
    same_line_gap(U);
    if (half_button(false, b.all_files ? "Only the game's files" : "All files", cw, U)) {
      b.all_files = !b.all_files;
      browse_to(b.folder);
    }
  }
}
