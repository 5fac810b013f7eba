// The tree of what a frame shows, built by the widgets' registration calls while the frame
// is drawn, then compared with the last one so that the platform side can raise its events.
#include "access/a11y.h"

#include <SDL3/SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <atomic>
#include <cmath>

bool g_a11y_on = false;

static A11yTree g_building, g_shown;
static uint32_t g_list = 0;       // the list whose rows are being registered
static uint32_t g_list_item = 0;  // the GUI's last item when the list or its last row was registered
static uint32_t g_view = 0;       // the view's container, while its items are registered
static size_t g_view_at = 0;      // its place in g_building.nodes
static uint32_t g_default = 0;    // the item that takes the focus in the view
static uint32_t g_counted[16];    // items without an id of their own, per role, in this frame
static std::string g_heading;     // the last section heading: the name of the field below it
static bool g_building_open = false;
static std::vector<std::string> g_log_seen;  // lines the tree's text was last made of
static std::string g_log_text;

static SDL_Mutex* g_actions_lock = nullptr;
struct Request {
  uint32_t id;
  bool focus;  // give it the focus rather than press it
};
static std::vector<Request> g_actions;      // from any thread
static uint32_t g_focus_wanted = 0;         // the item to take the focus when it is drawn
static std::atomic<bool> g_waiting{false};  // an action or a first tree waits for a frame

std::string a11y_visible_label(const char* label) {
  const char* end = ImGui::FindRenderedTextEnd(label);
  return std::string(label, end);
}

static A11yRect item_rect() {
  const ImRect& r = GImGui->LastItemData.Rect;
  return {r.Min.x, r.Min.y, r.GetWidth(), r.GetHeight()};
}

// The window being drawn, read without touching it: ImGui::GetCurrentWindow() marks the
// window as written to, and outside any Begin/End that is the implicit "Debug" window,
// which then shows. Drawing must not change because a screen reader listens.
static ImGuiWindow* current_window() { return GImGui->CurrentWindow; }

// An id for an item that has none: its role and its place among the items of that role in
// its view (or, outside the views, in the current window), so that a label keeps its id
// while its text changes, and no view's item takes over another view's identity.
static uint32_t made_id(A11yRole role) {
  ImGuiWindow* window = current_window();
  uint32_t key[2] = {(uint32_t)role, ++g_counted[(int)role]};
  return ImHashData(key, sizeof key, g_view ? g_view : window ? window->ID : 0);
}

// The item just registered takes the focus, with its frame showing, when a screen reader
// asked for it.
static void take_focus_if_wanted(uint32_t id) {
  if (!g_focus_wanted || id != g_focus_wanted) return;
  ImGui::SetFocusID(id, GImGui->CurrentWindow);
  ImGui::SetNavCursorVisible(true);
  g_focus_wanted = 0;
}

static A11yNode& add(A11yRole role, uint32_t id, const char* name) {
  A11yNode node;
  node.id = id;
  node.role = role;
  node.name = name ? name : "";
  node.parent = g_view;
  node.rect = item_rect();
  g_building.nodes.push_back(std::move(node));
  return g_building.nodes.back();
}

void a11y_add_item(A11yRole role, const char* name, uint32_t states, const char* description) {
  if (!g_building_open) return;
  const ImGuiLastItemData& last = GImGui->LastItemData;
  A11yNode& node = add(role, last.ID ? last.ID : made_id(role), a11y_visible_label(name).c_str());
  node.states = states | A11Y_FOCUSABLE;
  if (last.ItemFlags & ImGuiItemFlags_Disabled) node.states = (node.states | A11Y_DISABLED) & ~A11Y_FOCUSABLE;
  if (description) node.description = description;
  if (node.states & A11Y_FOCUSABLE) take_focus_if_wanted(node.id);
}

void a11y_add_text(A11yRole role, const char* text, int level) {
  if (!g_building_open) return;
  A11yNode& node = add(role, made_id(role), text);
  node.level = level;
  if (role == A11yRole::HEADING) {
    g_heading = node.name;
    if (level == 1 && g_building.title.empty()) g_building.title = node.name;
  }
}

void a11y_add_field(const std::string& value, const char* placeholder) {
  if (!g_building_open) return;
  std::string description = value.empty() ? std::string(placeholder) : value;
  a11y_add_item(A11yRole::BUTTON, g_heading.c_str(), 0, description.c_str());
}

void a11y_add_progress(float fraction, const std::string& step) {
  if (!g_building_open) return;
  A11yNode& node = add(A11yRole::PROGRESS, made_id(A11yRole::PROGRESS), g_building.title.c_str());
  node.value = std::floor(std::fmin(std::fmax(fraction, 0.0f), 1.0f) * 100 + 0.5f);
  node.description = step;
}

void a11y_add_log(const std::vector<std::string>& lines) {
  if (!g_building_open) return;
  // Joined again only when lines came or went, not in every frame.
  if (lines.size() != g_log_seen.size() || (!lines.empty() && lines.back() != g_log_seen.back())) {
    g_log_seen = lines;
    g_log_text.clear();
    for (const std::string& line : lines) g_log_text.append(line).append("\n");
  }
  A11yNode& node =
      add(A11yRole::TEXT, GImGui->LastItemData.ID ? GImGui->LastItemData.ID : made_id(A11yRole::TEXT), "");
  node.states = A11Y_FOCUSABLE;
  g_building.text = g_log_text;
}

void a11y_add_list(const char* name, int count) {
  if (!g_building_open) return;
  ImGuiWindow* window = current_window();
  A11yNode& node = add(A11yRole::LIST, made_id(A11yRole::LIST), name);
  node.count = count;
  // Registered inside the child window that scrolls the rows: the list is that window.
  if (window->Flags & ImGuiWindowFlags_ChildWindow)
    node.rect = {window->Pos.x, window->Pos.y, window->Size.x, window->Size.y};
  g_list = node.id;
  g_list_item = GImGui->LastItemData.ID;
}

void a11y_add_list_row(int index, const std::string& key, const char* name, const char* description,
                       bool selected) {
  if (!g_building_open || !g_list) return;
  const ImGuiLastItemData& last = GImGui->LastItemData;
  // The row's own item when one was drawn for it (its GUI id made from the same key), so
  // that the focus names it; else known by its key, with nothing to press or focus.
  const bool focusable = last.ID != 0 && last.ID != g_list_item;
  g_list_item = last.ID;
  uint32_t id = focusable ? last.ID : ImHashStr(key.c_str(), key.size(), g_list);
  A11yNode& node = add(A11yRole::LIST_ITEM, id, name);
  node.parent = g_list;
  node.index = index;
  if (focusable) {
    node.states |= A11Y_FOCUSABLE;
    take_focus_if_wanted(id);
  }
  if (selected) node.states |= A11Y_SELECTED;
  if (description) node.description = description;
}

void a11y_list_end() { g_list = 0; }

void a11y_add_view(int view) {
  if (!g_building_open) return;
  ImGuiWindow* window = current_window();
  uint32_t id = ImHashData(&view, sizeof view, ImHashStr("view"));
  A11yNode& node = add(A11yRole::PANEL, id, "");
  if (window) node.rect = {window->Pos.x, window->Pos.y, window->Size.x, window->Size.y};
  g_view_at = g_building.nodes.size() - 1;
  g_view = g_building.view = id;
  g_default = 0;
}

void a11y_add_view_end(const std::string& message, bool outcome) {
  if (!g_building_open || !g_view) return;
  A11yNode& view = g_building.nodes[g_view_at];
  view.name = g_building.title;
  view.description = message;
  if (outcome && g_default)
    for (A11yNode& node : g_building.nodes)
      if (node.id == g_default && node.description.empty()) node.description = message;
  g_view = 0;
}

void a11y_add_default_item() {
  if (g_building_open && g_view) g_default = GImGui->LastItemData.ID;
}

void a11y_add_label_at(const char* text, float x, float y, float w, float h) {
  if (!g_building_open) return;
  A11yNode& node = add(A11yRole::LABEL, made_id(A11yRole::LABEL), text);
  node.rect = {x, y, w, h};
}

void a11y_announce(const std::string& text, bool assertive) {
  if (g_a11y_on && !text.empty()) a11y_platform_announce(text, assertive);
}

const A11yTree& a11y_tree() { return g_shown; }

const std::string& a11y_frame_title() { return g_building.title; }

void a11y_switch(bool on) {
  if (on == g_a11y_on) return;
  g_a11y_on = on;
  g_shown = A11yTree();
  g_building = A11yTree();
  g_log_seen.clear();
  g_log_text.clear();
  if (on) g_waiting = true;  // the first tree is drawn at once
}

void a11y_queue_action(uint32_t id, bool focus) {
  SDL_LockMutex(g_actions_lock);
  g_actions.push_back({id, focus});
  SDL_UnlockMutex(g_actions_lock);
  g_waiting = true;
  // Wakes a loop that rests in SDL_WaitEventTimeout.
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_EVENT_USER;
  SDL_PushEvent(&e);
}

void a11y_start(SDL_Window* window) {
  g_actions_lock = SDL_CreateMutex();
  a11y_platform_start(window);
}

// A screen reader reads a view as a burst of small questions, each one waiting for the
// answer before the next: while one talks, the loop rests only briefly between turns.
static uint64_t g_talk_until = 0;

void a11y_poll() {
  if (a11y_platform_poll()) g_talk_until = SDL_GetTicks() + 300;
}

uint64_t a11y_rest_ms() { return SDL_GetTicks() < g_talk_until ? 2 : 50; }

bool a11y_pending() { return g_waiting; }

void a11y_before_frame() {
  g_waiting = false;
  g_building_open = g_a11y_on;
  if (!g_a11y_on) return;
  g_building = A11yTree();
  for (uint32_t& n : g_counted) n = 0;
  g_list = g_view = g_default = 0;
  g_heading.clear();
  // One press per frame: the GUI acts on it when the item is drawn in this frame.
  SDL_LockMutex(g_actions_lock);
  g_focus_wanted = 0;
  if (!g_actions.empty()) {
    if (g_actions.front().focus)
      g_focus_wanted = g_actions.front().id;
    else
      ImGui::ActivateItemByID(g_actions.front().id);
    g_actions.erase(g_actions.begin());
    if (!g_actions.empty()) g_waiting = true;
  }
  SDL_UnlockMutex(g_actions_lock);
}

void a11y_end_frame() {
  if (!g_building_open) return;
  g_building_open = false;
  if (!g_a11y_on) return;
  // The focus is where the focus frame shows; after a click the GUI hides it.
  ImGuiContext& g = *GImGui;
  uint32_t focus = g.NavWindow && g.NavCursorVisible ? g.NavId : 0;
  g_building.focus = 0;
  for (A11yNode& node : g_building.nodes)
    if (focus && node.id == focus) {
      node.states |= A11Y_FOCUSED;
      g_building.focus = focus;
    }
  a11y_platform_changed(g_shown, g_building);
  std::swap(g_shown, g_building);
}

void a11y_window_focus(bool gained) { a11y_platform_focus(gained); }

void a11y_stop() {
  a11y_platform_stop();
  g_a11y_on = false;
}
