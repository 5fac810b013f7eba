// What the window shows, told to screen readers: a tree of the items drawn in each frame,
// kept only while an assistive technology listens (on Linux the desktop's accessibility
// switched on, on Windows a UI Automation client that asked for the window). Widgets
// register what they draw right after drawing it; every call costs one bool test while
// nobody listens. Main thread only, between ImGui::NewFrame and ImGui::Render, except where
// said otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

enum class A11yRole : uint8_t {
  WINDOW,
  HEADING,
  LABEL,
  BUTTON,
  LINK,
  CHECK_BOX,
  RADIO,
  PROGRESS,
  LIST,
  LIST_ITEM,
  TEXT,   // read-only text of many lines
  PANEL,  // a view: named by its title, its main message as its description
};

constexpr uint32_t A11Y_FOCUSED = 1;
constexpr uint32_t A11Y_CHECKED = 2;   // a ticked check box, the chosen radio button
constexpr uint32_t A11Y_SELECTED = 4;  // the selected row of a list
constexpr uint32_t A11Y_DISABLED = 8;
constexpr uint32_t A11Y_FOCUSABLE = 16;

struct A11yRect {
  float x = 0, y = 0, w = 0, h = 0;  // in window coordinates
};

struct A11yNode {
  uint32_t id = 0;      // stable from frame to frame: the GUI's item id, or one made from the order
  uint32_t parent = 0;  // 0: the window
  A11yRole role = A11yRole::LABEL;
  std::string name, description;
  uint32_t states = 0;
  float value = -1;  // a progress bar's percentage
  int index = -1;    // a list row's place in its list
  int count = 0;     // a list's real number of rows, of which only some are in the tree
  int level = 0;     // a heading's level
  A11yRect rect;
};

struct A11yTree {
  std::vector<A11yNode> nodes;  // in drawing order; a list's rows follow it
  uint32_t focus = 0;           // id of the node with the focus frame, 0 for none
  std::string title;            // the view's title: the first heading of level 1
  std::string text;             // the text of the TEXT node (one per view at most)
  uint32_t view = 0;            // id of the PANEL node that holds the view's items
};

// True while an assistive technology listens: only then is anything registered.
extern bool g_a11y_on;

// Lifecycle, called by the frame loop.
void a11y_start(SDL_Window* window);  // once the window is up; asks whether anybody listens
void a11y_poll();                     // every turn, drawn or not: answers requests, watches the desktop
bool a11y_pending();                  // an action waits for the next frame
uint64_t a11y_rest_ms();              // how long the loop may rest before it answers again
void a11y_before_frame();             // before ImGui::NewFrame: hands the GUI a waiting action
void a11y_end_frame();                // after the column is drawn: the focus, events, the new tree
void a11y_stop();

// Registration of the item drawn last (its id, rectangle and whether it is disabled).
void a11y_add_item(A11yRole role, const char* name, uint32_t states, const char* description);
void a11y_add_text(A11yRole role, const char* text, int level);
void a11y_add_field(const std::string& value, const char* placeholder);
void a11y_add_progress(float fraction, const std::string& step);
void a11y_add_log(const std::vector<std::string>& lines);
void a11y_add_list(const char* name, int count);
void a11y_add_list_row(int index, const std::string& key, const char* name, const char* description,
                       bool selected);
void a11y_add_label_at(const char* text, float x, float y, float w, float h);
void a11y_add_view(int view);
void a11y_add_view_end(const std::string& message, bool outcome);
void a11y_add_default_item();

inline void a11y_item(A11yRole role, const char* name, uint32_t states = 0,
                      const char* description = nullptr) {
  if (g_a11y_on) a11y_add_item(role, name, states, description);
}
// A text without an id of its own (a title, a label, a section heading).
inline void a11y_text(A11yRole role, const char* text, int level = 0) {
  if (g_a11y_on) a11y_add_text(role, text, level);
}
inline void a11y_text(A11yRole role, const std::string& text, int level = 0) {
  if (g_a11y_on) a11y_add_text(role, text.c_str(), level);
}
// A picker field: a button named by the section heading above it, the chosen value as its
// description.
inline void a11y_field(const std::string& value, const char* placeholder) {
  if (g_a11y_on) a11y_add_field(value, placeholder);
}
inline void a11y_progress(float fraction, const std::string& step) {
  if (g_a11y_on) a11y_add_progress(fraction, step);
}
// The last drawn child window holds these lines as read-only text.
inline void a11y_log(const std::vector<std::string>& lines) {
  if (g_a11y_on) a11y_add_log(lines);
}
// A list of `count` rows; right after it, its rows in sight and its selected one, each
// right after the item that draws it (or with the rectangle of the list when drawn without
// one). a11y_list_end() closes it.
inline void a11y_list(const char* name, int count) {
  if (g_a11y_on) a11y_add_list(name, count);
}
// A row keeps its identity by `key` (a path, a step's id) while rows come and go around it.
inline void a11y_list_row(int index, const std::string& key, const char* name, bool selected,
                          const char* description = nullptr) {
  if (g_a11y_on) a11y_add_list_row(index, key, name, description, selected);
}
void a11y_list_end();
// A text drawn straight on a draw list, at a rectangle in window coordinates.
inline void a11y_label_at(const char* text, float x, float y, float w, float h) {
  if (g_a11y_on) a11y_add_label_at(text, x, y, w, h);
}

// The view's items are registered between these two; the view's container is named by
// its title and described by `message`. In an outcome view the item that takes the
// focus there (marked by a11y_default_item, right after it is drawn) carries the message
// too, so that it is heard with the focus.
inline void a11y_view_begin(int view) {
  if (g_a11y_on) a11y_add_view(view);
}
inline void a11y_view_end(const std::string& message, bool outcome) {
  if (g_a11y_on) a11y_add_view_end(message, outcome);
}
inline void a11y_default_item() {
  if (g_a11y_on) a11y_add_default_item();
}

// The window got or lost the keyboard focus of the desktop.
void a11y_window_focus(bool gained);

// Says `text` through the screen reader: politely after what it is saying, or at once.
void a11y_announce(const std::string& text, bool assertive);

// The title of the frame being drawn, so far.
const std::string& a11y_frame_title();

// The tree of the last drawn frame.
const A11yTree& a11y_tree();

// What a node says of its name for `label`, a label of the GUI's widgets: the text before
// a "##" suffix. Texts that are no such label (a file's name) are said whole.
std::string a11y_visible_label(const char* label);

// Platform side (a11y_atk.cpp, a11y_uia.cpp): bring up, poll, tell of changes.
bool a11y_platform_start(SDL_Window* window);
bool a11y_platform_poll();  // true when it answered something
void a11y_platform_changed(const A11yTree& before, const A11yTree& now);
void a11y_platform_announce(const std::string& text, bool assertive);
void a11y_platform_focus(bool gained);
void a11y_platform_stop();
// Platform side to the tree: an assistive technology came or went; an action on a node.
void a11y_switch(bool on);
// An action on a node: pressed (or toggled, chosen) or, with `focus`, given the focus, by
// the GUI in the next frame. Only for a node that can hold the focus: the others have no
// item of their own to act on.
void a11y_queue_action(uint32_t id, bool focus = false);
