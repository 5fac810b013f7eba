#include "widgets/paragraph.h"

#include "text/language.h"

#include "widgets/layout_report.h"
#include "widgets/shown_text.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

// A paragraph's lines at one width in one face and size, and the width of each as shown.
struct Laid {
  std::vector<TextLine> lines;
  std::vector<float> widths;
};

}  // namespace

// Paragraphs laid out before, by text, face, size and width: a still frame breaks no line
// and measures each line once, to draw it. A width found changed when drawing (a face
// merged in since) lets its entry go.
static std::unordered_map<std::string, Laid> g_laid;

static float shown_width(const std::string& piece) {
  return ImGui::CalcTextSize(shown_text(piece).c_str()).x;
}

static std::string line_text(const std::string& text, const TextLine& line) {
  return text.substr(line.begin, line.end - line.begin);
}

static std::string laid_key(const std::string& text, float width) {
  const ImFont* font = ImGui::GetFont();
  const float size = ImGui::GetFontSize();
  std::string key(sizeof font + 2 * sizeof(float), '\0');
  memcpy(&key[0], &font, sizeof font);
  memcpy(&key[sizeof font], &size, sizeof size);
  memcpy(&key[sizeof font + sizeof size], &width, sizeof width);
  return key + text;
}

// Lines laid out in another language (whose rules may break elsewhere) or with other
// faces (a fallback merged in) are let go.
static void forget_stale() {
  static const ImFontAtlas* seen_atlas = nullptr;
  static int seen_sources = -1;
  static std::string seen_language;
  const ImFontAtlas* atlas = ImGui::GetIO().Fonts;
  if (atlas == seen_atlas && atlas->Sources.Size == seen_sources && g_lang.code == seen_language) return;
  g_laid.clear();
  seen_atlas = atlas;
  seen_sources = atlas->Sources.Size;
  seen_language = g_lang.code;
}

static const Laid& laid_out(const std::string& text, float width) {
  forget_stale();
  std::string key = laid_key(text, width);
  auto found = g_laid.find(key);
  if (found != g_laid.end()) return found->second;
  if (g_laid.size() > 256) g_laid.clear();
  Laid laid;
  laid.lines = wrap_lines(text, width, shown_width);
  for (const TextLine& line : laid.lines) laid.widths.push_back(shown_width(line_text(text, line)));
  return g_laid.emplace(std::move(key), std::move(laid)).first->second;
}

std::vector<TextLine> paragraph_lines(const std::string& text, float width) {
  return laid_out(text, width).lines;
}

ImVec2 paragraph_size(const std::string& text, float width) {
  const Laid& laid = laid_out(text, width);
  float widest = 0;
  for (float w : laid.widths) widest = std::max(widest, w);
  return ImVec2(widest, laid.lines.size() * ImGui::GetFontSize());
}

// Where a line `line_width` wide stands in a paragraph `width` wide from `left`: the one
// place that decides it for every wrapped text.
static float line_x(float left, float width, float line_width) {
  return ui_rtl() ? left + width - line_width : left;
}

// Draws the lines from `pos` and returns the size they take.
static ImVec2 draw_lines(ImDrawList* dl, ImVec2 pos, const std::string& text, float width, ImU32 colour,
                         const char* note) {
  const Laid laid = laid_out(text, width);  // a copy: a changed width lets the entry go
  const float h = ImGui::GetFontSize();
  float y = pos.y, widest = 0;
  bool changed = false;
  for (size_t i = 0; i < laid.lines.size(); i++) {
    const std::string logical = line_text(text, laid.lines[i]);
    const std::string& shown = shown_text(logical);
    const float w = ImGui::CalcTextSize(shown.c_str()).x, x = line_x(pos.x, width, w);
    changed |= w != laid.widths[i];
    if (!shown.empty()) dl->AddText(ImGui::GetFont(), h, ImVec2(x, y), colour, shown.c_str());
    if (note)
      note_text(note, logical.c_str(), ImVec2(x, y), ImVec2(x + w, y + h), ImVec2(-1e9f, -1e9f),
                ImVec2(1e9f, 1e9f));
    widest = std::max(widest, w);
    y += h;
  }
  if (changed) g_laid.erase(laid_key(text, width));
  return ImVec2(widest, y - pos.y);
}

void draw_paragraph(ImDrawList* dl, ImVec2 pos, const std::string& text, float width, ImU32 colour,
                    const char* note) {
  draw_lines(dl, pos, text, width, colour, note);
}

void paragraph(const std::string& text, float width, const ImVec4& colour) {
  ImGuiWindow* window = ImGui::GetCurrentWindow();
  if (window->SkipItems) return;
  // Where Dear ImGui's own text stands, and an item of the size its wrapped text takes.
  const ImVec2 pos(window->DC.CursorPos.x, window->DC.CursorPos.y + window->DC.CurrLineTextBaseOffset);
  const ImVec2 size = draw_lines(window->DrawList, pos, text, width, ImGui::GetColorU32(colour), "text");
  ImGui::ItemSize(size, 0.0f);
  const float x = line_x(pos.x, width, size.x);
  ImGui::ItemAdd(ImRect(ImVec2(x, pos.y), ImVec2(x + size.x, pos.y + size.y)), 0);
}
