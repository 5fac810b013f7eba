#include "screens/browser.h"

#include "platform/display.h"
#include "platform/os_reason.h"
#include "state/app.h"
#include "text/language.h"
#include "widgets/disk_jobs.h"

#include <SDL3/SDL.h>
#include <imgui.h>

#include <cstdlib>

Browser g_browser;

static const char* const NEW_FOLDER_NAME = "Tarnwell";

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

// The questions asked for what is shown no longer matter once another is asked.
static void drop_questions() {
  Browser& b = g_browser;
  if (b.asked != Browser::NOTHING) disk_drop(b.ticket);
  b.asked = Browser::NOTHING;
  for (uint64_t ticket : b.checks) disk_drop(ticket);
  b.checks.clear();
}

static void ask(Browser::Asked what, const std::string& about, DiskWork work) {
  drop_questions();
  g_browser.asked = what;
  g_browser.ticket = disk_ask(about, std::move(work));
}

// Lists the first of `candidates` that is a folder, or the last of them when none is; a
// single one is listed as it is (its error shown when it is no folder).
static void ask_listing(std::vector<std::string> candidates) {
  const Pick pick = g_browser.pick;
  const bool all_files = g_browser.all_files;
  ask(Browser::LIST, candidates[0], [candidates, pick, all_files](DiskAnswer& a) {
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
  if (a.hung) a.listing.error = a.why;
  if (b.folder.empty()) {
    // Each volume is asked for its label and free space in a question of its own, so that
    // one that does not respond holds back no other.
    for (Place& p : a.places) {
      if (p.volume) {
        std::string volume = p.path;
        b.checks.push_back(disk_ask(volume, [volume](DiskAnswer& d) {
          d.folder = volume;
          d.detail = place_detail(volume);
        }));
      }
      b.rows.push_back(row_of(BrowserRow::PLACE, std::move(p.name), std::move(p.path), std::move(p.detail)));
    }
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
  drop_questions();  // a folder still being read is left to itself
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
      ask(Browser::USE, folder, [folder](DiskAnswer& a) {
        a.folder = folder;
        a.why = try_writing(folder);
      });
      return;
    }
    case BrowserRow::UP: browse_up(); return;
    case BrowserRow::NEW_FOLDER: {
      std::string made = row.path;
      ask(Browser::MAKE, made, [made](DiskAnswer& a) {
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
        ask(Browser::ENTER, folder, [folder](DiskAnswer& a) {
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
  ask(Browser::GAMES, b.folder, [paths](DiskAnswer& a) {
    a.paths = paths;
    for (const std::string& p : paths) a.games.push_back(is_game_copy(p) ? 1 : 0);
  });
}

// The volumes' details that have come in.
static bool take_checks() {
  Browser& b = g_browser;
  bool changed = false;
  for (size_t i = 0; i < b.checks.size();) {
    DiskAnswer a;
    if (!disk_take(b.checks[i], a)) {
      i++;
      continue;
    }
    b.checks.erase(b.checks.begin() + i);
    for (BrowserRow& row : b.rows)
      if (row.kind == BrowserRow::PLACE && row.path == a.folder) row.detail = a.hung ? a.why : a.detail;
    changed = true;
  }
  return changed;
}

bool browser_take_answers() {
  Browser& b = g_browser;
  if (!b.open) return false;
  const bool checked = take_checks();
  DiskAnswer a;
  if (b.asked == Browser::NOTHING || !disk_take(b.ticket, a)) return checked;
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
      // A folder that does not respond is no game copy to choose: it is entered, and says so.
      if (a.hung)
        for (BrowserRow& row : b.rows)
          if (row.game < 0 && row.kind == BrowserRow::FOLDER) row.game = 0;
      for (BrowserRow& row : b.rows)
        for (size_t i = 0; i < a.paths.size(); i++)
          if (row.game < 0 && row.path == a.paths[i]) row.game = a.games[i];
      break;
    case Browser::NOTHING: break;
  }
  return true;
}
