#include "screens/browser.h"

#include "app/language.h"
#include "app/os_reason.h"
#include "app/window.h"
#include "backend/app.h"
#include "widgets/disk_jobs.h"

#include <SDL3/SDL.h>
#include <imgui.h>

#include <cstdlib>

Browser g_browser;

static const char* const NEW_FOLDER_NAME = "Tarnwell";

// Tests hold every listing this many milliseconds, as a slow network folder would.
static Uint32 listing_delay_ms() {
  const char* ms = getenv("TARNWELL_TEST_LISTING_DELAY_MS");
  return ms ? (Uint32)atoi(ms) : 0;
}

static BrowserRow row_of(BrowserRow::Kind kind, std::string name, std::string path, std::string detail = "") {
  BrowserRow row;
  row.kind = kind;
  row.name = std::move(name);
  row.path = std::move(path);
  row.detail = std::move(detail);
  return row;
}

// The "Use this folder" row: free space, and a warning below what a build needs. Whether
// the folder takes files is tried only when it is taken.
static BrowserRow use_row(const std::string& folder, const DiskAnswer& answer) {
  BrowserRow row = row_of(BrowserRow::USE, tr("Use this folder"), folder);
  if (!answer.free_known) return row;
  row.detail = free_text(answer.free);
  if (answer.free < BUILD_BYTES) {
    row.warn = true;
    row.detail =
        fill(tr("Only {size} free: a build needs about 36 GB"), {{"size", size_in_language(answer.free)}});
  }
  return row;
}

static void ask(Browser::Asked what, DiskWork work) {
  g_browser.asked = what;
  g_browser.ticket = disk_ask(std::move(work));
}

// Lists the first of `candidates` that is a folder, or the last of them when none is; a
// single one is listed as it is (its error shown when it is no folder).
static void ask_listing(std::vector<std::string> candidates) {
  const Pick pick = g_browser.pick;
  const bool all_files = g_browser.all_files;
  const Uint32 delay = listing_delay_ms();
  ask(Browser::LIST, [candidates, pick, all_files, delay](DiskAnswer& a) {
    if (delay) SDL_Delay(delay);
    a.folder = candidates.back();
    for (size_t i = 0; candidates.size() > 1 && i + 1 < candidates.size(); i++)
      if (is_folder(candidates[i])) {
        a.folder = candidates[i];
        break;
      }
    if (a.folder.empty()) {
      a.places = places();
      return;
    }
    a.listing = list_folder(a.folder, pick, all_files);
    if (pick == Pick::DEST) a.free_known = free_bytes(a.folder, a.free);
  });
}

void browse_to(std::string folder, std::string select) {
  Browser& b = g_browser;
  b.folder = folder;
  b.rows.clear();
  b.problem.clear();
  b.select = std::move(select);
  ask_listing({std::move(folder)});
}

// The rows of a folder (or of the places) as the disk has given them.
static void show_listing(DiskAnswer& a) {
  Browser& b = g_browser;
  b.folder = a.folder;
  b.rows.clear();
  if (b.folder.empty()) {
    for (Place& p : a.places)
      b.rows.push_back(row_of(BrowserRow::PLACE, std::move(p.name), std::move(p.path), std::move(p.detail)));
  } else {
    if (!a.listing.error.empty())
      b.problem = fill(tr("This folder cannot be read: {reason}"), {{"reason", a.listing.error}});
    if (b.pick == Pick::DEST) b.rows.push_back(use_row(b.folder, a));
    b.rows.push_back(row_of(BrowserRow::UP, "..", parent_folder(b.folder)));
    bool has_new = false;
    for (const Entry& e : a.listing.entries) has_new |= e.folder && e.name == NEW_FOLDER_NAME;
    // Offered wherever a folder may be made; whether it can is known once it is tried.
    if (b.pick == Pick::DEST && !has_new && a.listing.error.empty())
      b.rows.push_back(row_of(BrowserRow::NEW_FOLDER,
                              fill(tr("New folder \"{name}\" here"), {{"name", NEW_FOLDER_NAME}}),
                              join_path(b.folder, NEW_FOLDER_NAME)));
    for (Entry& e : a.listing.entries)
      b.rows.push_back(
          row_of(e.folder ? BrowserRow::FOLDER : BrowserRow::FILE, std::move(e.name), std::move(e.path)));
    if (a.listing.more) {
      BrowserRow more = row_of(
          BrowserRow::MORE,
          fill(trn("{count} more entry is not shown", "{count} more entries are not shown", a.listing.more),
               {{"count", grouped_text(a.listing.more)}}),
          "");
      more.enabled = false;
      b.rows.push_back(more);
    }
  }
  // The row asked for, else the first entry (in the install folder browser "Use this
  // folder" first).
  b.selected = 0;
  bool found = false;
  for (size_t i = 0; i < b.rows.size() && !b.select.empty() && !found; i++)
    if (!special_row(b.rows[i]) && (b.rows[i].path == b.select || b.rows[i].name == b.select))
      b.selected = (int)i, found = true;
  if (!found && b.pick != Pick::DEST)
    while (b.selected + 1 < (int)b.rows.size() && special_row(b.rows[b.selected])) b.selected++;
  b.select.clear();
  b.follow = true;
}

void open_browser(Pick pick, const std::string& reason) {
  Browser& b = g_browser;
  // Type-ahead takes the text that the keyboard's own layout and input method make.
  if (g_win && !b.open) SDL_StartTextInput(g_win);
  b.open = true;
  b.closed = false;
  b.pick = pick;
  b.reason = reason;
  b.all_files = false;
  b.chosen.clear();
  b.problem.clear();
  b.rows.clear();
  // Where the field's value is: the folder itself for the install folder, the folder that
  // holds the chosen copy for the game; else home. Which of them exists, the disk tells.
  const std::string& value = pick == Pick::GAME ? A.game : A.dest;
  std::vector<std::string> candidates;
  if (pick == Pick::DEST && !value.empty()) candidates.push_back(value);
  if (!value.empty() && !parent_folder(value).empty()) candidates.push_back(parent_folder(value));
  candidates.push_back(home_folder());
  candidates.push_back(candidates.back());  // so that home, too, is listed only when it is a folder
  b.folder = candidates[0];
  b.select = pick == Pick::GAME ? value : "";
  ask_listing(candidates);
}

void close_browser() {
  Browser& b = g_browser;
  if (!b.open) return;
  if (g_win) SDL_StopTextInput(g_win);
  b.open = false;
  b.closed = true;
  b.asked = Browser::NOTHING;
  disk_forget();  // a folder still being read is left to itself
}

static void choose(const std::string& path) {
  g_browser.chosen = path;
  close_browser();
}

std::string take_browser_choice() {
  std::string chosen = std::move(g_browser.chosen);
  g_browser.chosen.clear();
  return chosen;
}

bool take_browser_closed() {
  bool closed = g_browser.closed;
  g_browser.closed = false;
  return closed;
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

bool browser_reading() { return g_browser.open && g_browser.asked == Browser::LIST; }

void activate_row(int index) {
  Browser& b = g_browser;
  if (index < 0 || index >= (int)b.rows.size() || !b.rows[index].enabled) return;
  BrowserRow& row = b.rows[index];
  switch (row.kind) {
    case BrowserRow::USE: {
      // Tried only now: a test file changes the folder's time, and in a protected folder
      // may raise the system's notice.
      std::string folder = row.path;
      ask(Browser::USE, [folder](DiskAnswer& a) {
        a.folder = folder;
        a.why = try_writing(folder);
      });
      return;
    }
    case BrowserRow::UP: browse_up(); return;
    case BrowserRow::NEW_FOLDER: {
      std::string made = row.path;
      ask(Browser::MAKE, [made](DiskAnswer& a) {
        a.folder = made;
        if (!SDL_CreateDirectory(made.c_str())) a.why = os_reason(SDL_GetError());
      });
      return;
    }
    case BrowserRow::PLACE: browse_to(row.path); return;
    case BrowserRow::FOLDER: {
      if (row.game == 1) {
        choose(row.path);
      } else if (row.game == 0 || b.pick != Pick::GAME) {
        browse_to(row.path);
      } else {
        // Not looked at yet: a game copy is chosen, any other folder entered.
        std::string folder = row.path;
        ask(Browser::ENTER, [folder](DiskAnswer& a) {
          a.folder = folder;
          a.games.push_back(is_game_copy(folder) ? 1 : 0);
        });
      }
      return;
    }
    case BrowserRow::FILE: choose(row.path); return;
    case BrowserRow::MORE: return;
  }
}

void ask_game_looks(const std::vector<int>& rows) {
  Browser& b = g_browser;
  if (b.pick != Pick::GAME || b.asked != Browser::NOTHING || rows.empty()) return;
  std::vector<std::string> paths;
  for (int i : rows) paths.push_back(b.rows[i].path);
  ask(Browser::GAMES, [paths](DiskAnswer& a) {
    a.paths = paths;
    for (const std::string& p : paths) a.games.push_back(is_game_copy(p) ? 1 : 0);
  });
}

bool browser_take_answers() {
  Browser& b = g_browser;
  DiskAnswer a;
  if (!b.open || b.asked == Browser::NOTHING || !disk_take(b.ticket, a)) return false;
  const Browser::Asked asked = b.asked;
  b.asked = Browser::NOTHING;
  switch (asked) {
    case Browser::LIST: show_listing(a); break;
    case Browser::USE:
      if (a.why.empty()) {
        choose(a.folder);
      } else {
        b.problem = fill(tr("Setup cannot write here: {reason}"), {{"reason", a.why}});
        for (BrowserRow& row : b.rows)
          if (row.kind == BrowserRow::USE) row.enabled = false, row.warn = true, row.detail = b.problem;
      }
      break;
    case Browser::MAKE:
      if (a.why.empty())
        browse_to(a.folder);
      else
        b.problem = fill(tr("The folder could not be made: {reason}"), {{"reason", a.why}});
      break;
    case Browser::ENTER:
      if (!a.games.empty() && a.games[0])
        choose(a.folder);
      else
        browse_to(a.folder);
      break;
    case Browser::GAMES:
      for (BrowserRow& row : b.rows)
        for (size_t i = 0; i < a.paths.size(); i++)
          if (row.game < 0 && row.path == a.paths[i]) row.game = a.games[i];
      break;
    case Browser::NOTHING: break;
  }
  return true;
}
