#include "screens/languages.h"

#include "access/a11y.h"
#include "look/language_choice.h"
#include "look/theme.h"
#include "screens/patterns.h"
#include "state/app.h"
#include "text/language.h"
#include "text/language_table.h"
#include "widgets/layout_report.h"
#include "look/mirror.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <imgui.h>

#include <string>
#include <vector>

bool g_languages_open = false;
static bool g_focus_current = false;  // the window's language takes the focus on the next frame
static bool g_closed = false;         // the item that opened the list takes the focus back
static std::vector<const LanguageRow*> g_rows;

// The languages whose catalog is in (English always).
static std::vector<const LanguageRow*> shipped() {
  std::vector<const LanguageRow*> rows;
  for (const LanguageRow& row : language_table()) {
    SDL_PathInfo info;
    std::string po = A.root + "/locale/" + row.code + ".po";
    if (row.code == "en" || SDL_GetPathInfo(po.c_str(), &info)) rows.push_back(&row);
  }
  return rows;
}

void open_languages() {
  g_rows = shipped();
  g_languages_open = true;
  g_focus_current = true;
}

static void close_languages() {
  g_languages_open = false;
  g_closed = true;
}

bool languages_closed_now() {
  bool closed = g_closed;
  g_closed = false;
  return closed;
}

void view_languages(float cw, float U) {
  const ImGuiKey back =
      ImGui::GetIO().ConfigNavSwapGamepadButtons ? ImGuiKey_GamepadFaceDown : ImGuiKey_GamepadFaceRight;
  if (ImGui::IsKeyPressed(ImGuiKey_Escape, false) || ImGui::IsKeyPressed(back, false)) {
    close_languages();
    return;
  }
  title_text(F_TITLE, TEXT, tr("Language"), cw);
  a11y_text(A11yRole::HEADING, tr("Language"), 1);
  gap(8 * U);

  push_font(F_ROW);
  ImGui::PushStyleColor(ImGuiCol_Header, ImVec4(GOLD.x, GOLD.y, GOLD.z, 0.16f));
  ImGui::PushStyleColor(ImGuiCol_HeaderHovered, ImVec4(GOLD.x, GOLD.y, GOLD.z, 0.24f));
  ImGui::PushStyleColor(ImGuiCol_HeaderActive, ImVec4(GOLD.x, GOLD.y, GOLD.z, 0.32f));
  a11y_list(tr("Language"), (int)g_rows.size());
  const float height = ImGui::GetFontSize() + 16 * U;
  for (int i = 0; i < (int)g_rows.size(); i++) {
    const LanguageRow& row = *g_rows[i];
    const bool current = row.code == g_lang.code;
    want_glyphs(row.name, F_ROW.face);  // each name in its own script
    ImGui::PushID(i);
    ImVec2 at = ImGui::GetCursorScreenPos();
    bool chosen = ImGui::Selectable("##language", current, 0, ImVec2(cw, height));
    if (current && g_focus_current) {
      take_focus();
      ImGui::SetScrollHereY(0.5f);
      g_focus_current = false;
    }
    a11y_list_row(i, row.code, row.name.c_str(), current);
    const std::string& name = shown_text(row.name);
    ImVec2 size = ImGui::CalcTextSize(name.c_str());
    ImVec2 text(mirrored_x(at.x + 14 * U, size.x, at.x, cw), at.y + (height - size.y) / 2);
    ImGui::GetWindowDrawList()->AddText(text, ImGui::GetColorU32(current ? GOLD : TEXT), name.c_str());
    note_text("language", row.name.c_str(), text, ImVec2(text.x + size.x, text.y + size.y), at,
              ImVec2(at.x + cw, at.y + height));
    ImGui::PopID();
    if (chosen) {
      ask_language(row.code);
      save_language(row.code);
      close_languages();
    }
  }
  a11y_list_end();
  ImGui::PopStyleColor(3);
  ImGui::PopFont();
}
