// What the setup form derives from the state record: the game field's text, the link
// under it, whether a build may start, and the status line.
#include "screens/focus.h"
#include "screens/form.h"
#include "widgets/pickers.h"

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(ShownName, IsThePartAfterTheLastSlashOfEitherKind) {
  EXPECT_EQ(shown_name("C:\\Games\\copy.nup"), "copy.nup");
  EXPECT_EQ(shown_name("D:/dumps/lantern"), "lantern");
  EXPECT_EQ(shown_name("/home/ann/dumps\\odd/lantern.nup"), "lantern.nup");
  EXPECT_EQ(shown_name("C:/mixed\\last"), "last");
  EXPECT_EQ(shown_name("copy.nup"), "copy.nup");
  EXPECT_EQ(shown_name("C:\\Games\\"), "");
  EXPECT_EQ(shown_name("/"), "");
  EXPECT_EQ(shown_name(""), "");
}

TEST(ShownName, KeepsMultiByteNamesWhole) {
  EXPECT_EQ(shown_name("/srv/Sp\xC3\xA4ter/K\xC3\xB6nig.nup"), "K\xC3\xB6nig.nup");
}

class GameLink : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("form-link-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           std::to_string(getpid()));
    fs::create_directories(dir / "lantern");
    std::ofstream(dir / "copy.nup") << "x";
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

// The link's text once the disk has answered about `game` (asked off the frame thread).
std::string settled_link(const std::string& game) {
  std::string text = game_link_text(game);
  for (Uint64 until = SDL_GetTicks() + 300; SDL_GetTicks() < until; SDL_Delay(5)) text = game_link_text(game);
  return text;
}

// A game copy remembered on a mount that does not answer holds no frame: the link is drawn
// at once, neutral, and names the folder once the disk has answered.
TEST_F(GameLink, ASlowGamePathHoldsNoFrame) {
  setenv("TARNWELL_TEST_LISTING_DELAY_MS", "3000", 1);
  const std::string lantern = (dir / "lantern").string();
  Uint64 begun = SDL_GetTicks();
  EXPECT_STREQ(game_link_text(lantern), "Or choose the folder that holds exefs and romfs");
  unsetenv("TARNWELL_TEST_LISTING_DELAY_MS");
  EXPECT_LT(SDL_GetTicks() - begun, 1500u) << "the frame waited on the disk";
  for (Uint64 until = SDL_GetTicks() + 10000; SDL_GetTicks() < until && game_link_text(lantern)[0] == 'O';)
    SDL_Delay(10);
  EXPECT_STREQ(game_link_text(lantern), "A folder is chosen: choose another");
}

TEST_F(GameLink, NamesAChosenFolderOnlyWhenThePathIsAnExistingFolder) {
  const char* other = "Or choose the folder that holds exefs and romfs";
  EXPECT_EQ(settled_link((dir / "lantern").string()), "A folder is chosen: choose another");
  EXPECT_TRUE(is_folder((dir / "lantern").string()));
  EXPECT_EQ(settled_link((dir / "copy.nup").string()), other);
  EXPECT_EQ(settled_link((dir / "gone").string()), other);
  EXPECT_EQ(settled_link(""), other);
  // The shown name of a chosen folder is the folder's own name.
  EXPECT_EQ(shown_name((dir / "lantern").string()), "lantern");
}

App ready_app() {
  App a;
  a.info_ready = true;
  a.game = "/g/copy.nup";
  a.dest = "/opt/tarnwell";
  return a;
}

TEST(FormStatus, FirstMatchingRowWins) {
  App a = ready_app();
  EXPECT_STREQ(form_status(a), "This is done once and can take an hour on a slower PC.");
  a.installed = true;
  EXPECT_STREQ(form_status(a), "Installed. Build again after an update of Tarnwell.");
  a.dest.clear();
  EXPECT_STREQ(form_status(a), "Choose where to install.");
  a.game.clear();
  EXPECT_STREQ(form_status(a), "Choose your copy of the game to begin.");
  a.missing = {"cmake", "ninja"};
  EXPECT_STREQ(form_status(a), "This PC needs a few build tools first: \"Build the game\" shows them.");
  a.info_ready = false;
  EXPECT_STREQ(form_status(a), "Checking this PC...");
}

TEST(FormStatus, MissingToolsStillAllowTheBuildThatListsThem) {
  App a = ready_app();
  a.missing = {"cmake", "ninja"};
  EXPECT_TRUE(form_ready(a));
  EXPECT_STREQ(form_status(a), "This PC needs a few build tools first: \"Build the game\" shows them.");
}

TEST(FormReady, NeedsBothPathsAndTheCheckOfThisPc) {
  App a = ready_app();
  EXPECT_TRUE(form_ready(a));
  a.info_ready = false;
  EXPECT_FALSE(form_ready(a));
  EXPECT_STREQ(form_status(a), "Checking this PC...");
  a = ready_app();
  a.game.clear();
  EXPECT_FALSE(form_ready(a));
  a = ready_app();
  a.dest.clear();
  EXPECT_FALSE(form_ready(a));
}

TEST(FormFocus, AShownFormOffersTheNextThingToDo) {
  App a = ready_app();
  EXPECT_EQ(designated_item(a), ITEM_MAIN);
  a.info_ready = false;
  EXPECT_EQ(designated_item(a), ITEM_GAME) << "the build button cannot be pressed yet";
  a = ready_app();
  a.dest.clear();
  EXPECT_EQ(designated_item(a), ITEM_DEST);
  a.game.clear();
  EXPECT_EQ(designated_item(a), ITEM_GAME);
}

TEST(PickerChoice, AGamepadOrASessionMadeForOneOpensTheBrowser) {
  EXPECT_TRUE(picks_in_window(Hand::GAMEPAD));
  // The test's own environment is no such session.
  EXPECT_FALSE(picks_in_window(Hand::KEYBOARD));
  EXPECT_FALSE(picks_in_window(Hand::MOUSE));
  auto session = [](std::vector<std::pair<const char*, const char*>> vars) {
    return gamepad_first_session([&](const char* name) -> const char* {
      for (auto& v : vars)
        if (!strcmp(v.first, name)) return v.second;
      return nullptr;
    });
  };
  EXPECT_TRUE(session({{"SteamDeck", "1"}}));
  EXPECT_FALSE(session({{"SteamDeck", "0"}}));
  EXPECT_TRUE(session({{"GAMESCOPE_WAYLAND_DISPLAY", "gamescope-0"}}));
  EXPECT_TRUE(session({{"XDG_CURRENT_DESKTOP", "KDE:Gamescope"}}));
  EXPECT_TRUE(session({{"SteamTenfoot", "1"}}));
  EXPECT_TRUE(session({{"SteamGamepadUI", "1"}}));
  EXPECT_FALSE(session({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"SteamAppId", "1"}}));
}

TEST(InstalledLauncher, IsTheScriptInTheInstallFolder) {
#ifdef _WIN32
  EXPECT_EQ(installed_launcher("D:\\Games"), "D:\\Games\\tarnwell.bat");
#else
  EXPECT_EQ(installed_launcher("/opt/games"), "/opt/games/tarnwell.sh");
#endif
}

}  // namespace
