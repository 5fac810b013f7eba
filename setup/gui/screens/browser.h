// The in-window browser: chooses the game copy or the install folder in the program's own
// theme, by gamepad, keyboard, mouse or touch, where the platform's dialog cannot be driven
// or cannot open. It stands in the column in place of the form while it is open. Its rows
// are items of the GUI's own navigation; everything it asks of the disk is answered off the
// frame thread (widgets/disk_jobs.h), with a "Reading…" row meanwhile.
#pragma once

#include "widgets/listing.h"

#include <cstdint>
#include <string>
#include <vector>

// The "Use this folder" row warns below this much free space: what a build needs.
constexpr unsigned long long BUILD_BYTES = 36000000000ull;

struct BrowserRow {
  enum Kind { USE, UP, NEW_FOLDER, PLACE, FOLDER, FILE, MORE };
  Kind kind = FOLDER;
  std::string name;    // as shown
  std::string path;    // entered or chosen, byte for byte
  std::string detail;  // shown on the right, or under "Use this folder"
  bool enabled = true;
  bool warn = false;  // the detail is a warning
  int game = -1;      // a folder of the game browser: -1 not looked at yet, 0 no, 1 a game copy
};

// The rows that are no entry of the folder: "Use this folder", "..", "New folder" and the
// count of entries left out. Type-ahead and the first selection pass over them.
inline bool special_row(const BrowserRow& row) {
  return row.kind != BrowserRow::FOLDER && row.kind != BrowserRow::FILE && row.kind != BrowserRow::PLACE;
}

struct Browser {
  bool open = false;
  Pick pick = Pick::GAME;
  std::string folder;  // the folder shown; empty for the places above the folders
  std::vector<BrowserRow> rows;
  int selected = 0;        // the row that holds the focus
  bool follow = false;     // the selected row takes the focus on the next frame
  bool all_files = false;  // the game browser shows every file, not only ".nup" ones
  std::string reason;      // why no platform dialog could open, or empty
  std::string problem;     // what went wrong in this folder, or empty
  std::string chosen;      // the path chosen, until the form takes it
  bool closed = false;     // closed since the form last looked
  // The question to the disk that is waited for, and what its answer is for.
  enum Asked { NOTHING, LIST, USE, MAKE, ENTER, GAMES };
  Asked asked = NOTHING;
  uint64_t ticket = 0;
  std::vector<uint64_t> checks;  // the places' volumes asked for their details
  std::string select;            // the row to select once the listing is in
  // Where the box of rows and the selected row were last drawn, in screen pixels; the
  // row's are the box's top when it was not drawn.
  float box_top = 0, box_bottom = 0, row_top = 0, row_bottom = 0;
  float pitch = 0;  // from one row's top to the next one's
};

extern Browser g_browser;

// Opens the browser for `pick` in the folder of the field's current value when that
// exists, else in the home folder. `reason`, when not empty, says in one line why no
// platform dialog could open.
void open_browser(Pick pick, const std::string& reason);

// Closes it, changing nothing.
void close_browser();

// Shows `folder` (empty: the places) with the row named `select` selected, once read.
void browse_to(std::string folder, std::string select = "");

// Acts on a row: opens a folder, goes up, makes "Tarnwell", or chooses.
void activate_row(int index);

// One level up; from the places it closes.
void browse_up();

// True while the browser waits for the disk.
bool browser_reading();

// Takes in what the disk has answered since the last frame; true when anything changed.
bool browser_take_answers();

// The path chosen since the last call, or empty; the caller applies it to its field.
std::string take_browser_choice();

// True once after the browser closed, chosen or not.
bool take_browser_closed();

// Draws the browser in the column, `cw` wide, after acting on this frame's keys and
// gamepad buttons. What it chooses waits in take_browser_choice().
void view_browser(float cw, float U);

// Rows shown now whose game-copy look is still to be made: asked of the disk together.
void ask_game_looks(const std::vector<int>& rows);
