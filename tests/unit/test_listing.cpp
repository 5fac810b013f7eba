// The in-window browser's listing rules against real folders, and the browser driven as a
// person would: keys, and SDL's virtual gamepad read by the GUI's SDL backend.
#include "app/events.h"
#include "app/pacing.h"
#include "look/effects.h"
#include "screens/browser.h"
#include "screens/column.h"
#include "screens/focus.h"
#include "state/app.h"
#include "widgets/disk_jobs.h"
#include "widgets/listing.h"
#include "widgets/pickers.h"

#include "child_scripts.h"
#include "gui_frame.h"
#include "virtual_gamepad.h"

#include <gtest/gtest.h>
#include <imgui_impl_sdl3.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

Names names(const Listing& l) {
  Names out;
  for (const Entry& e : l.entries) out.push_back(e.name + (e.folder ? "/" : ""));
  return out;
}

struct Tree : Scratch {
  Tree() {
    for (const char* d : {"zeta", "Alpha", "disc 10", "disc 9", "disc 2", ".config", "Lantern/exefs",
                          "Lantern/romfs", "half/exefs"})
      fs::create_directories(path(d));
    for (const char* f : {"b.nup", "A.NUP", "notes.txt", ".hidden.nup", "Game 10.Nup", "Game 9.nup"})
      write(f, "x");
    fs::create_symlink(path("zeta"), path("link to zeta"));
    fs::create_symlink(path("nowhere"), path("broken.nup"));
    fs::create_symlink(dir, path("zeta/loop"));  // a link back up: entered, it is just one more level
  }
};

TEST(Listing, FoldersFirstInNaturalOrderThenTheGamesFilesHiddenOnesLeftOut) {
  Tree t;
  EXPECT_EQ(names(list_folder(t.dir, Pick::GAME, false)),
            Names({"Alpha/", "disc 2/", "disc 9/", "disc 10/", "half/", "Lantern/", "link to zeta/", "zeta/",
                   "A.NUP", "b.nup", "Game 9.nup", "Game 10.Nup"}));
  Names all = names(list_folder(t.dir, Pick::GAME, true));
  EXPECT_NE(std::find(all.begin(), all.end(), "notes.txt"), all.end()) << "all files on request";
  EXPECT_EQ(
      names(list_folder(t.dir, Pick::DEST, true)),
      Names({"Alpha/", "disc 2/", "disc 9/", "disc 10/", "half/", "Lantern/", "link to zeta/", "zeta/"}))
      << "the install folder browser lists folders only";
  Listing looped = list_folder(t.path("zeta/loop/zeta/loop"), Pick::GAME, false);
  EXPECT_TRUE(looped.error.empty());
  EXPECT_EQ(looped.entries.size(), 12u);
}

TEST(Listing, AGameCopyHoldsBothExefsAndRomfs) {
  Tree t;
  EXPECT_TRUE(is_game_copy(t.path("Lantern")));
  EXPECT_FALSE(is_game_copy(t.path("half")));
  EXPECT_FALSE(is_game_copy(t.path("b.nup")));
}

TEST(Listing, NaturalOrderAndNamesThatAreNotUtf8) {
  EXPECT_TRUE(natural_less("disc 9", "disc 10"));
  EXPECT_TRUE(natural_less("Alpha", "beta"));
  EXPECT_TRUE(natural_less("a2", "A10"));
  EXPECT_TRUE(natural_less("x01", "x1") != natural_less("x1", "x01")) << "a strict order all the same";
  EXPECT_EQ(readable_name("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(readable_name("bad\xFF\xC3(end"), "bad\xEF\xBF\xBD\xEF\xBF\xBD(end");
  EXPECT_EQ(readable_name("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "an overlong slash";
  Scratch s;
  std::string odd = s.write("Sp\xE4ter.nup", "x");  // Latin-1, as an old copy may be named
  Listing l = list_folder(s.dir, Pick::GAME, false);
  ASSERT_EQ(l.entries.size(), 1u);
  EXPECT_EQ(l.entries[0].name, "Sp\xEF\xBF\xBDter.nup");
  EXPECT_EQ(l.entries[0].path, odd) << "chosen by its real bytes";
}

TEST(Listing, PathsUpAndDown) {
  EXPECT_EQ(parent_folder("/home/ann/Games"), "/home/ann");
  EXPECT_EQ(parent_folder("/home/ann/Games/"), "/home/ann");
  EXPECT_EQ(parent_folder("/home"), "/");
  EXPECT_EQ(parent_folder("/"), "") << "above the root: the places";
  EXPECT_EQ(join_path("/", "home"), "/home");
  EXPECT_EQ(join_path("/home", "ann"), "/home/ann");
  EXPECT_EQ(last_part("/home/ann/"), "ann");
  EXPECT_EQ(last_part("/"), "/");
  // What a hung question stands for: a folder and what lies in it; the root only itself.
  EXPECT_TRUE(path_within("/mnt/nas/a", "/mnt/nas"));
  EXPECT_TRUE(path_within("/mnt/nas/", "/mnt/nas"));
  EXPECT_FALSE(path_within("/mnt/nasty", "/mnt/nas"));
  EXPECT_FALSE(path_within("/mnt", "/mnt/nas"));
  EXPECT_TRUE(path_within("/", "/"));
  EXPECT_FALSE(path_within("/home", "/"));
  EXPECT_EQ(hang_key("/home/ann/slow/"), "/home/ann/slow") << "not on a medium: the path itself";
}

TEST(Listing, AFolderOfMoreThanTheLimitIsListedInPartAndSaysHowManyMore) {
  Scratch s;
  for (size_t i = 0; i < LISTING_MAX + 3; i++) {
    FILE* f = fopen(s.path(std::to_string(i) + ".nup").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
  }
  Listing l = list_folder(s.dir, Pick::GAME, false);
  EXPECT_EQ(l.entries.size(), LISTING_MAX);
  EXPECT_EQ(l.more, 3u);
}

TEST(Listing, AnUnreadableOrUnwritableFolderSaysWhy) {
  Scratch s;
  EXPECT_EQ(try_writing(s.dir), "");
  EXPECT_TRUE(fs::is_empty(s.dir)) << "the test file is gone again";
  EXPECT_NE(try_writing("/proc"), "") << "no one writes there, root neither";
  EXPECT_NE(list_folder(s.path("gone"), Pick::GAME, false).error, "");
  if (geteuid() != 0) {  // root reads and writes everywhere else
    fs::create_directories(s.path("shut"));
    chmod(s.path("shut").c_str(), 0500);
    EXPECT_NE(try_writing(s.path("shut")), "");
    chmod(s.path("shut").c_str(), 0000);
    EXPECT_NE(list_folder(s.path("shut"), Pick::GAME, false).error, "");
    chmod(s.path("shut").c_str(), 0700);
  }
}

TEST(Listing, PlacesBeginAtTheRootAndHoldHome) {
  std::vector<Place> p = places();
  ASSERT_FALSE(p.empty());
  EXPECT_EQ(p[0].path, "/");
  bool home = false;
  for (const Place& place : p) home |= place.name == "Home" && place.path == home_folder();
  EXPECT_TRUE(home);
  EXPECT_TRUE(p[0].volume);
  EXPECT_EQ(p[0].detail, "") << "a volume is asked for its details on its own";
  EXPECT_NE(place_detail("/").find(" free"), std::string::npos);
  EXPECT_EQ(free_text(36000000000ull), "36.0 GB free");
}

// The whole column drawn frame by frame as the program draws it, fed by keys and by SDL's
// virtual gamepad through the GUI's SDL backend and the program's own event handling.
class GamepadBrowser : public ::testing::Test {
 protected:
  SDL_Window* win = nullptr;
  SDL_JoystickID id = 0;
  SDL_Joystick* pad = nullptr;
  Scratch tree;
  App saved = A;
  int W = 1620, H = 1080;

  void SetUp() override {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    SDL_SetHint("SDL_JOYSTICK_DISABLE_UDEV", "1");
    if (!SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMEPAD))
      GTEST_SKIP() << "no display: " << SDL_GetError();
    win = SDL_CreateWindow("browser", 1620, 1080, SDL_WINDOW_HIDDEN);
    ASSERT_NE(win, nullptr) << SDL_GetError();
    if (!g_pick_lock) g_pick_lock = SDL_CreateMutex();
    fs::create_directories(tree.path("games/sub"));
    fs::create_directories(tree.path("games/Lantern/exefs"));
    fs::create_directories(tree.path("games/Lantern/romfs"));
    tree.write("games/old.nup", "x");
    for (int i = 1; i <= 30; i++)
      tree.write("games/sub/f" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".nup", "x");
    A = App();
    A.game = tree.path("games/old.nup");
    A.dest = tree.dir;
  }
  void TearDown() override {
    close_browser();
    if (pad) SDL_CloseJoystick(pad);
    if (id) SDL_DetachVirtualJoystick(id);
    if (win) SDL_DestroyWindow(win);
    // Video stays up: quitting it unloads libraries whose caches the leak checker reports.
    SDL_QuitSubSystem(SDL_INIT_GAMEPAD);
    A = saved;
    g_last_hand = Hand::NONE;
  }

  void attach(Uint16 vendor, Uint16 product) {
    pad = open_virtual_gamepad(&id, vendor, product);
    ASSERT_NE(id, 0u) << SDL_GetError();
    ASSERT_NE(pad, nullptr) << SDL_GetError();
  }

  void start(Uint16 vendor = 0, Uint16 product = 0) {
    ASSERT_TRUE(ImGui_ImplSDL3_InitForOther(win));
    set_up_navigation();
    attach(vendor, product);
    for (int i = 0; i < 3; i++) frame();  // the game field takes the first focus
  }

  // One turn of the frame loop; true when it drew a frame. `spare`: only when one is due,
  // as a window with less motion draws.
  bool frame(Pace* spare = nullptr) {
    Turn turn;
    turn.now = SDL_GetTicks();
    drain_events(turn);
    turn.changed = disk_tend();
    turn.changed |= browser_take_answers();
    if (spare) {
      Effects still;
      still.motion = false;
      still.spare = true;
      if (!frame_due(*spare, still, turn)) return false;
    }
    ImGui_ImplSDL3_NewFrame();
    ImGui::GetIO().DisplaySize = ImVec2((float)W, (float)H);
    ImGui::NewFrame();
    bool closed = false;
    take_picked_paths(&closed);
    column((float)W, (float)H, ui_scale(W, H), 0.0f);
    ImGui::Render();
    if (spare) frame_drawn(*spare, SDL_GetTicks());
    return true;
  }

  // Frames until the browser has what it asked of the disk.
  void settle() {
    for (int i = 0; i < 500 && g_browser.asked != Browser::NOTHING; i++) {
      frame();
      SDL_Delay(2);
    }
    for (int i = 0; i < 3; i++) frame();
  }

  void press(SDL_GamepadButton button) {
    SDL_SetJoystickVirtualButton(pad, button, true);
    for (int i = 0; i < 3; i++) frame();
    SDL_SetJoystickVirtualButton(pad, button, false);
    for (int i = 0; i < 3; i++) frame();
    settle();
  }

  void key(ImGuiKey k) {
    ImGui::GetIO().AddKeyEvent(k, true);
    frame();
    ImGui::GetIO().AddKeyEvent(k, false);
    frame();
    settle();
  }

  std::string selected() const { return g_browser.rows.at(g_browser.selected).name; }

  // What a person sees of the selected row: wholly inside the box.
  void expect_selected_in_sight(const std::string& after) {
    const Browser& b = g_browser;
    EXPECT_GE(b.row_top, b.box_top - 0.5f) << after;
    EXPECT_LE(b.row_bottom, b.box_bottom + 0.5f) << after;
    EXPECT_TRUE(ImGui::IsAnyItemFocused()) << after;
  }

  // The focus frame shows on the item named `id` in the column.
  void expect_focus_on(const char* id) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ImGuiWindow* column = ImGui::FindWindowByName("##column");
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(g.NavId, column->GetID(id)) << "the focus is not on " << id;
    EXPECT_TRUE(g.NavCursorVisible);
  }
};

TEST_F(GamepadBrowser, ChoosesTheGameCopyWithTheDpadAButtonsAndShoulders) {
  GuiContext gui(1.0f);
  start();
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  ASSERT_TRUE(g_browser.open) << "A on the game field opens the browser, not a dialog";
  EXPECT_EQ(g_browser.folder, tree.path("games")) << "where the chosen copy is";
  EXPECT_EQ(selected(), "old.nup");
  for (int i = 0; i < 2; i++) key(ImGuiKey_Tab);  // past Cancel, the keyboard reaches "All files"
  expect_focus_on("###all");
  key(ImGuiKey_Enter);
  EXPECT_TRUE(g_browser.all_files);
  press(SDL_GAMEPAD_BUTTON_WEST);
  EXPECT_FALSE(g_browser.all_files) << "the west button shows the game's files again";
  ASSERT_EQ(selected(), "old.nup");
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  EXPECT_EQ(selected(), "sub");
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  EXPECT_EQ(g_browser.folder, tree.path("games/sub"));
  EXPECT_EQ(selected(), "f01.nup");
  press(SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER);
  EXPECT_GE(g_browser.selected, 8) << "a page down";
  expect_selected_in_sight("R1");
  press(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER);
  press(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER);
  EXPECT_EQ(selected(), "..");
  press(SDL_GAMEPAD_BUTTON_EAST);  // B: up one level, back on the folder it came from
  EXPECT_EQ(g_browser.folder, tree.path("games"));
  EXPECT_EQ(selected(), "sub");
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // f02.nup
  EXPECT_FALSE(g_browser.open);
  EXPECT_EQ(A.game, tree.path("games/sub/f02.nup"));
  expect_focus_on("##game");
  ImGui_ImplSDL3_Shutdown();
}

// The link's label changes once a folder is chosen; the focus given back still finds it.
TEST_F(GamepadBrowser, TheFolderLinkKeepsTheFocusAfterItsChoice) {
  GuiContext gui(1.0f);
  start();
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);
  expect_focus_on("###game_link");
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  ASSERT_TRUE(g_browser.open);
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  ASSERT_EQ(selected(), "Lantern");
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // a game copy: chosen, not entered
  EXPECT_FALSE(g_browser.open);
  EXPECT_EQ(A.game, tree.path("games/Lantern"));
  expect_focus_on("###game_link");
  ImGui_ImplSDL3_Shutdown();
}

// A Nintendo layout prints B on its south button and A on its east one: confirm and back
// follow the print, and so do the hints.
TEST_F(GamepadBrowser, ConfirmAndBackFollowWhatIsPrintedOnTheButtons) {
  GuiContext gui(1.0f);
  attach(0, 0);  // a first gamepad that lies idle: the second drives the window all the same
  SDL_Joystick* first = pad;
  SDL_JoystickID first_id = id;
  start(0x057e, 0x2009);  // Nintendo's Switch Pro Controller
  ASSERT_EQ(SDL_GetGamepadButtonLabelForType(SDL_GetGamepadTypeForID(id), SDL_GAMEPAD_BUTTON_SOUTH),
            SDL_GAMEPAD_BUTTON_LABEL_B);
  press(SDL_GAMEPAD_BUTTON_EAST);  // labelled A
  EXPECT_TRUE(ImGui::GetIO().ConfigNavSwapGamepadButtons);
  ASSERT_TRUE(g_browser.open);
  EXPECT_EQ(pad_button_name(SDL_GAMEPAD_BUTTON_WEST), "Y") << "Nintendo's west button";
  EXPECT_EQ(pad_button_name(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER), "L");
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  press(SDL_GAMEPAD_BUTTON_EAST);  // A: into "sub"
  EXPECT_EQ(g_browser.folder, tree.path("games/sub"));
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // B: up
  EXPECT_EQ(g_browser.folder, tree.path("games"));
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // B again: the folder above
  EXPECT_NE(g_browser.folder, tree.path("games"));
  close_browser();
  ImGui_ImplSDL3_Shutdown();
  SDL_CloseJoystick(first);
  SDL_DetachVirtualJoystick(first_id);
}

// A stick that drifts inside its dead zone is no input, so a window drawing sparingly
// rests; its push and its way back to rest are.
TEST(Events, OnlyAStickPushedPastItsDeadZoneIsInput) {
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_EVENT_GAMEPAD_AXIS_MOTION;
  e.gaxis.which = 7;
  e.gaxis.axis = SDL_GAMEPAD_AXIS_LEFTX;
  std::vector<bool> seen;
  for (Sint16 v : {300, -2500, 30000, 29000, 200, -600, 1000}) e.gaxis.value = v, seen.push_back(is_input(e));
  EXPECT_EQ(seen, std::vector<bool>({false, false, true, true, true, false, false}));
}

// Where the window draws only what changes, a held d-pad goes on moving by the GUI's repeat.
TEST_F(GamepadBrowser, AHeldDpadMovesOnWhereTheWindowDrawsSparingly) {
  GuiContext gui(1.0f);
  start();
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  ASSERT_EQ(g_browser.folder, tree.path("games/sub"));
  const int from = g_browser.selected;
  Pace pace;
  SDL_SetJoystickVirtualButton(pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, true);
  for (Uint64 end = SDL_GetTicks() + 1500; SDL_GetTicks() < end;)
    if (!frame(&pace)) SDL_Delay(REST_MS);
  SDL_SetJoystickVirtualButton(pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, false);
  frame();
  EXPECT_GT(g_browser.selected, from + 3) << "the held d-pad moved one row only";
  ImGui_ImplSDL3_Shutdown();
}

// A folder taller than the box, walked by Down and Page Down: the selected row is always in
// sight, and a page moves by exactly what the box shows.
TEST_F(GamepadBrowser, TheSelectedRowStaysInSightInATallFolder) {
  for (int i = 0; i < 150; i++) fs::create_directories(tree.path("tall/d" + std::to_string(100 + i)));
  A.dest = tree.path("tall");
  for (auto size : {std::pair<int, int>{1620, 1080}, {960, 540}, {2560, 1440}}) {
    W = size.first, H = size.second;
    GuiContext gui(ui_scale(W, H), TARNWELL_SOURCE_DIR, (float)W, (float)H);
    start();
    focus_opened_by(ITEM_DEST);
    open_browser(Pick::DEST, "");
    settle();
    ASSERT_EQ(g_browser.folder, tree.path("tall"));
    int before = g_browser.selected;
    for (int i = 0; i < 20; i++) {
      key(ImGuiKey_DownArrow);
      expect_selected_in_sight("Down " + std::to_string(i + 1) + " at " + std::to_string(W));
    }
    EXPECT_EQ(g_browser.selected, before + 20);
    const Browser& b = g_browser;
    const int shown = (int)((b.box_bottom - b.box_top + b.pitch - (b.row_bottom - b.row_top)) / b.pitch);
    for (int i = 0; i < 3; i++) {
      before = g_browser.selected;
      key(ImGuiKey_PageDown);
      expect_selected_in_sight("Page Down " + std::to_string(i + 1) + " at " + std::to_string(W));
      EXPECT_EQ(g_browser.selected - before, shown) << "a page is what the box shows, at " << W;
    }
    close_browser();
    ImGui_ImplSDL3_Shutdown();
    if (pad) SDL_CloseJoystick(pad), pad = nullptr;
    if (id) SDL_DetachVirtualJoystick(id), id = 0;
  }
}

// A folder that takes long to list holds nothing: the window goes on drawing, shows that it
// reads, and Escape closes the browser at once.
TEST_F(GamepadBrowser, ASlowFolderHoldsNeitherTheFramesNorEscape) {
  GuiContext gui(1.0f);
  start();
  setenv("TARNWELL_TEST_LISTING_DELAY_MS", "10000", 1);
  focus_opened_by(ITEM_DEST);
  open_browser(Pick::DEST, "");
  unsetenv("TARNWELL_TEST_LISTING_DELAY_MS");
  Uint64 begun = SDL_GetTicks();
  for (int i = 0; i < 20; i++) frame();
  EXPECT_LT(SDL_GetTicks() - begun, 2000u) << "frames waited on the listing";
  EXPECT_TRUE(browser_reading());
  ImGui::GetIO().AddKeyEvent(ImGuiKey_Escape, true);
  frame();
  ImGui::GetIO().AddKeyEvent(ImGuiKey_Escape, false);
  frame();
  EXPECT_FALSE(g_browser.open) << "Escape waited on the listing";
  EXPECT_LT(SDL_GetTicks() - begun, 2000u);
  expect_focus_on("##dest");
  ImGui_ImplSDL3_Shutdown();
}

// Threads of this process now.
static size_t threads() {
  size_t n = 0;
  for (auto& entry : fs::directory_iterator("/proc/self/task")) n += entry.exists();
  return n;
}

// A volume that does not answer (every question about a path held far longer than the
// test): visiting the places again and again leaves at most DISK_LEFT_MAX threads stuck on
// it, the places show at once after the first visits, and the volume is said not to respond
// without being asked again.
TEST_F(GamepadBrowser, AHungVolumeLeavesAtMostTheCappedThreadsAfterManyVisits) {
  GuiContext gui(1.0f);
  start();
  const size_t before = threads();
  setenv("TARNWELL_TEST_LISTING_DELAY_MS", "120000", 1);
  focus_opened_by(ITEM_DEST);
  open_browser(Pick::DEST, "");
  int shown = 0;
  for (int visit = 0; visit < 50; visit++) {
    browse_to("");
    for (Uint64 until = SDL_GetTicks() + 2000; browser_reading() && SDL_GetTicks() < until; SDL_Delay(2))
      frame();
    shown += !browser_reading();
  }
  unsetenv("TARNWELL_TEST_LISTING_DELAY_MS");
  EXPECT_EQ(shown, 50) << "a visit waited on the volume";
  EXPECT_LE(threads(), before + DISK_LEFT_MAX);
  ASSERT_FALSE(g_browser.rows.empty());
  EXPECT_EQ(g_browser.rows[0].path, "/");
  frame();
  EXPECT_EQ(g_browser.rows[0].detail, "not responding");
  close_browser();
  ImGui_ImplSDL3_Shutdown();
}

// The first letters of a name, typed as text in any layout or script, move to it.
TEST_F(GamepadBrowser, TypingTheStartOfANameSelectsIt) {
  for (const char* d : {"wine-a", "winebuild", "wine-build-7", "wine.b", "Игры", "Игла"})
    fs::create_directories(tree.path("typed/") + d);
  A.dest = tree.path("typed");
  GuiContext gui(1.0f);
  start();
  focus_opened_by(ITEM_DEST);
  open_browser(Pick::DEST, "");
  settle();
  auto type = [this](const char* text) {
    ImGui::GetIO().AddInputCharactersUTF8(text);
    frame();
    settle();
  };
  type("wine-b");
  EXPECT_EQ(selected(), "wine-build-7");
  SDL_Delay(1900);  // the typed letters are forgotten
  frame();
  type("\xD0\x98\xD0\xB3\xD1\x80");  // "Игр"
  EXPECT_EQ(selected(), "Игры");
  ImGui_ImplSDL3_Shutdown();
}

// An install folder is tried for writing only when it is taken; one that takes no files
// cannot be chosen, and a folder that cannot be made says why.
TEST_F(GamepadBrowser, AnInstallFolderThatTakesNoFilesCannotBeChosen) {
  GuiContext gui(1.0f);
  start();
  A.dest = "/proc";
  open_browser(Pick::DEST, "");
  settle();
  ASSERT_FALSE(g_browser.rows.empty());
  EXPECT_EQ(g_browser.rows[0].name, "Use this folder");
  EXPECT_TRUE(g_browser.rows[0].enabled) << "not tried before it is taken";
  activate_row(0);
  settle();
  EXPECT_TRUE(g_browser.open) << "nothing was chosen";
  EXPECT_FALSE(g_browser.rows[0].enabled);
  EXPECT_EQ(g_browser.problem.rfind("Setup cannot write here: ", 0), 0u) << g_browser.problem;
  ASSERT_EQ(g_browser.rows[2].kind, BrowserRow::NEW_FOLDER) << "offered wherever a folder may be made";
  activate_row(2);
  settle();
  EXPECT_EQ(g_browser.problem.rfind("The folder could not be made: ", 0), 0u) << g_browser.problem;
  // A folder made where it can be: "New folder" makes "Tarnwell", enters it, and it is taken.
  Scratch s;
  browse_to(s.dir);
  settle();
  EXPECT_TRUE(fs::is_empty(s.dir)) << "entering a folder writes nothing into it";
  EXPECT_EQ(g_browser.rows[2].name, "New folder \"Tarnwell\" here");
  activate_row(2);
  settle();
  EXPECT_EQ(g_browser.folder, s.path("Tarnwell"));
  EXPECT_TRUE(fs::is_directory(s.path("Tarnwell")));
  activate_row(0);
  settle();
  EXPECT_FALSE(g_browser.open);
  EXPECT_EQ(A.dest, s.path("Tarnwell"));
  ImGui_ImplSDL3_Shutdown();
}

}  // namespace
