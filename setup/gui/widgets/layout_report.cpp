#include "widgets/layout_report.h"

#include "widgets/shown_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
struct Note {
  std::string kind, text;
  ImVec2 min, max, room_min, room_max;
};
}  // namespace

static const char* g_layout_path = getenv("TARNWELL_LAYOUT");
static std::vector<Note> g_notes;
static ImVec2 g_column_min, g_column_max;

bool layout_noting() { return g_layout_path && *g_layout_path; }

void layout_frame(float x0, float x1, float top, float bottom) {
  g_notes.clear();
  g_column_min = ImVec2(x0, top);
  g_column_max = ImVec2(x1, bottom);
}

void note_text(const char* kind, const char* text, ImVec2 min, ImVec2 max, ImVec2 room_min, ImVec2 room_max,
               bool in_column) {
  if (!layout_noting()) return;
  if (in_column) {
    room_min = ImVec2(std::max(room_min.x, g_column_min.x), std::max(room_min.y, g_column_min.y));
    room_max = ImVec2(std::min(room_max.x, g_column_max.x), std::min(room_max.y, g_column_max.y));
  }
  std::string shown = text;
  size_t hidden = shown.find("##");
  if (hidden != std::string::npos) shown.resize(hidden);
  if (shown.empty()) return;
  for (char& c : shown)
    if (c == '\n' || c == '\t') c = ' ';  // one line per note
  g_notes.push_back({kind, shown, min, max, room_min, room_max});
}

void note_item_text(const char* kind, const char* text) {
  if (!layout_noting()) return;
  note_text(kind, text, ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), g_column_min, g_column_max);
}

void note_label(const char* kind, const char* label, float left_room) {
  if (!layout_noting()) return;
  ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  std::string drawn = shown_label(label);
  ImVec2 size = ImGui::CalcTextSize(drawn.c_str(), nullptr, true);
  float pad = ImGui::GetStyle().FramePadding.x;
  // A negative room stands at the item's right end: a mirrored check box's.
  float x = left_room > 0   ? min.x + left_room
            : left_room < 0 ? max.x + left_room - size.x
                            : min.x + (max.x - min.x - size.x) * 0.5f;
  float y = min.y + (max.y - min.y - size.y) * 0.5f;
  // The label keeps the frame's padding clear on both sides; the item itself the column.
  ImVec2 room_min(min.x + (left_room != 0 ? 0 : pad), min.y);
  ImVec2 room_max(max.x - (left_room != 0 ? 0 : pad), max.y);
  note_text(kind, label, ImVec2(x, y), ImVec2(x + size.x, y + size.y), room_min, room_max);
}

void write_layout() {
  if (!layout_noting()) return;
  FILE* f = fopen(g_layout_path, "w");
  if (!f) return;
  for (const Note& n : g_notes)
    fprintf(f, "%s\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%s\n", n.kind.c_str(), n.min.x, n.min.y,
            n.max.x, n.max.y, n.room_min.x, n.room_min.y, n.room_max.x, n.room_max.y, n.text.c_str());
  fclose(f);
}
