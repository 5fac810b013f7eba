// The in-window browser: chooses the game copy or the install folder in the program's own
// theme, by gamepad, keyboard, mouse or touch, where the platform's dialog cannot be driven
// or cannot open. It stands in the column in place of the form while it is open, and hands
// its choice over exactly as a dialog does.
#pragma once

#include "widgets/listing.h"

#include <string>
#include <vector>

// The "Use this folder" row warns below this much free space: what a build needs.
constexpr unsigned long long BUILD_BYTES = 36000000000ull;

struct BrowserRow {
  enum Kind { USE, UP, NEW_FOLDER, PLACE, FOLDER, FILE };
  Kind kind = FOLDER;
  std::string name;    // as shown
  std::string path;    // entered or chosen, byte for byte
  std::string detail;  // shown on the right, or under "Use this folder"
  bool enabled = true;
  bool warn = false;  // the detail is a warning
  int game = -1;      // a folder of the game browser: -1 not looked at yet, 0 no, 1 a game copy
};

struct Browser {
  bool open = false;
  Pick pick = Pick::GAME;
  int opener = 0;      // the form's picker that opened it (FormItem)
  std::string folder;  // the folder shown; empty for the places above the folders
  std::vector<BrowserRow> rows;
  int selected = 0;
  bool all_files = false;  // the game browser shows every file, not only ".nup" ones
  std::string reason;      // why no platform dialog could open, or empty
  std::string problem;     // what went wrong in this folder, or empty
  std::string typed;       // the first letters typed so far
  unsigned long long typed_at = 0;
  bool follow = false;  // scroll the selected row into sight on the next frame
  int page = 8;         // rows in sight, for Page Up and Page Down
  int nav_flags = 0;    // the GUI's keyboard and gamepad navigation, off while it is open
};

extern Browser g_browser;

// Opens the browser for `pick` in the folder of the field's current value when that
// exists, else in the home folder. `reason`, when not empty, says in one line why no
// platform dialog could open. `opener` takes the focus back when it closes.
void open_browser(Pick pick, int opener, const std::string& reason);

// Closes it, changing nothing; the focus goes back to its opener.
void close_browser();

// Shows `folder` (empty: the places) with the row named `select` selected, if any.
void browse_to(std::string folder, std::string select = "");

// Acts on the selected row: opens a folder, goes up, makes "Tarnwell", or chooses.
void activate_row(int index);

// One level up; from the places it closes.
void browse_up();

// Draws the browser in the column, `cw` wide, after acting on this frame's keys and
// gamepad buttons.
void view_browser(float cw, float U);
