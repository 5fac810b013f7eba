// The in-window browser's listing rules against real folders, and the browser driven as a
// person would: keys, and SDL's virtual gamepad read by the GUI's SDL backend.
#include "app/events.h"
#include "backend/app.h"
#include "screens/browser.h"
#include "screens/column.h"
#include "widgets/listing.h"
#include "widgets/pickers.h"

#include "child_scripts.h"
#include "gui_frame.h"

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
  EXPECT_EQ(size_text(36000000000ull), "36.0 GB");
  EXPECT_EQ(size_text(850000000ull), "850 MB");
}

// The whole column drawn frame by frame as the program draws it, fed by SDL's virtual
// gamepad through the GUI's SDL backend and the program's own event handling.
class GamepadBrowser : public ::testing::Test {
 protected:
  SDL_Window* win = nullptr;
  SDL_JoystickID id = 0;
  SDL_Joystick* pad = nullptr;
  Scratch tree;
  App saved = A;

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
    SDL_VirtualJoystickDesc desc;
    SDL_INIT_INTERFACE(&desc);
    desc.type = SDL_JOYSTICK_TYPE_GAMEPAD;
    desc.naxes = SDL_GAMEPAD_AXIS_COUNT;
    desc.nbuttons = SDL_GAMEPAD_BUTTON_COUNT;
    desc.vendor_id = vendor;
    desc.product_id = product;
    id = SDL_AttachVirtualJoystick(&desc);
    ASSERT_NE(id, 0u) << SDL_GetError();
    pad = SDL_OpenJoystick(id);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
  }

  void frame() {
    for (SDL_Event e; SDL_PollEvent(&e);) {
      ImGui_ImplSDL3_ProcessEvent(&e);
      handle_event(e);
    }
    ImGui_ImplSDL3_NewFrame();
    ImGui::GetIO().DisplaySize = ImVec2(1620, 1080);
    ImGui::NewFrame();
    take_picked_paths();
    column(1620, 1080, 1.0f, 0.0f);
    ImGui::Render();
  }

  void press(SDL_GamepadButton button) {
    SDL_SetJoystickVirtualButton(pad, button, true);
    for (int i = 0; i < 3; i++) frame();
    SDL_SetJoystickVirtualButton(pad, button, false);
    for (int i = 0; i < 3; i++) frame();
  }

  std::string selected() const { return g_browser.rows.at(g_browser.selected).name; }
};

TEST_F(GamepadBrowser, ChoosesTheGameCopyWithTheDpadAButtonsAndShoulders) {
  GuiContext gui(1.0f);
  ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
  ASSERT_TRUE(ImGui_ImplSDL3_InitForOther(win));
  attach(0, 0);
  for (int i = 0; i < 3; i++) frame();  // the game field takes the first focus
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  ASSERT_TRUE(g_browser.open) << "A on the game field opens the browser, not a dialog";
  EXPECT_EQ(g_browser.folder, tree.path("games")) << "where the chosen copy is";
  EXPECT_EQ(selected(), "old.nup");
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  EXPECT_EQ(selected(), "sub");
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  EXPECT_EQ(g_browser.folder, tree.path("games/sub"));
  EXPECT_EQ(selected(), "f01.nup");
  press(SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER);
  EXPECT_EQ(g_browser.selected, 1 + g_browser.page) << "a page down";
  EXPECT_GE(g_browser.page, 8);
  press(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER);
  EXPECT_EQ(selected(), "f01.nup");
  press(SDL_GAMEPAD_BUTTON_EAST);  // B: up one level, back on the folder it came from
  EXPECT_EQ(g_browser.folder, tree.path("games"));
  EXPECT_EQ(selected(), "sub");
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // f02.nup
  EXPECT_FALSE(g_browser.open);
  EXPECT_EQ(A.game, tree.path("games/sub/f02.nup"));
  EXPECT_EQ(A.refocus, ITEM_NONE) << "the focus went back to the game field";
  ImGui_ImplSDL3_Shutdown();
}

// A Nintendo layout prints B on its south button and A on its east one: confirm and back
// follow the print.
TEST_F(GamepadBrowser, ConfirmAndBackFollowWhatIsPrintedOnTheButtons) {
  GuiContext gui(1.0f);
  ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
  ASSERT_TRUE(ImGui_ImplSDL3_InitForOther(win));
  attach(0x057e, 0x2009);  // Nintendo's Switch Pro Controller
  ASSERT_EQ(SDL_GetGamepadButtonLabelForType(SDL_GetGamepadTypeForID(id), SDL_GAMEPAD_BUTTON_SOUTH),
            SDL_GAMEPAD_BUTTON_LABEL_B);
  for (int i = 0; i < 3; i++) frame();
  press(SDL_GAMEPAD_BUTTON_EAST);  // labelled A
  EXPECT_TRUE(ImGui::GetIO().ConfigNavSwapGamepadButtons);
  ASSERT_TRUE(g_browser.open);
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  press(SDL_GAMEPAD_BUTTON_EAST);  // A: into "sub"
  EXPECT_EQ(g_browser.folder, tree.path("games/sub"));
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // B: up
  EXPECT_EQ(g_browser.folder, tree.path("games"));
  press(SDL_GAMEPAD_BUTTON_SOUTH);  // B again: the folder above
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  EXPECT_NE(g_browser.folder, tree.path("games"));
  close_browser();
  ImGui_ImplSDL3_Shutdown();
}

TEST(Browser, AnInstallFolderThatTakesNoFilesCannotBeChosen) {
  GuiContext gui(1.0f);
  App saved = A;
  open_browser(Pick::DEST, ITEM_DEST, "");
  browse_to("/proc");
  ASSERT_FALSE(g_browser.rows.empty());
  EXPECT_EQ(g_browser.rows[0].name, "Use this folder");
  EXPECT_FALSE(g_browser.rows[0].enabled);
  EXPECT_EQ(g_browser.rows[0].detail.rfind("Setup cannot write here: ", 0), 0u) << g_browser.rows[0].detail;
  for (const BrowserRow& row : g_browser.rows) EXPECT_NE(row.kind, BrowserRow::NEW_FOLDER);
  activate_row(0);
  EXPECT_TRUE(g_browser.open) << "nothing was chosen";
  // A folder made where it can be: "New folder" makes "Tarnwell", enters it, and it is taken.
  Scratch s;
  browse_to(s.dir);
  EXPECT_TRUE(g_browser.rows[0].enabled);
  EXPECT_EQ(g_browser.rows[2].name, "New folder \"Tarnwell\" here");
  activate_row(2);
  EXPECT_EQ(g_browser.folder, s.path("Tarnwell"));
  EXPECT_TRUE(fs::is_directory(s.path("Tarnwell")));
  activate_row(0);
  EXPECT_FALSE(g_browser.open);
  take_picked_paths();
  EXPECT_EQ(A.dest, s.path("Tarnwell"));
  A = saved;
}

// The first letters of a name, dashes and dots too, move to the row that begins with them.
TEST(Browser, TypingTheStartOfANameSelectsIt) {
  GuiContext gui(1.0f);
  App saved = A;
  Scratch s;
  for (const char* d : {"wine-a", "winebuild", "wine-build-7", "wine.b"}) fs::create_directories(s.path(d));
  open_browser(Pick::DEST, ITEM_DEST, "");
  browse_to(s.dir);
  ImGuiIO& io = ImGui::GetIO();
  auto frame = [] {
    ImGui::NewFrame();
    ImGui::Begin("##test");
    view_browser(540, 1.0f);
    ImGui::End();
    ImGui::Render();
  };
  for (ImGuiKey key : {ImGuiKey_W, ImGuiKey_I, ImGuiKey_N, ImGuiKey_E, ImGuiKey_Minus, ImGuiKey_B}) {
    io.AddKeyEvent(key, true);
    frame();
    io.AddKeyEvent(key, false);
    frame();
  }
  EXPECT_EQ(g_browser.rows[g_browser.selected].name, "wine-build-7");
  close_browser();
  A = saved;
}

}  // namespace
