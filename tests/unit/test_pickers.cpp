// The hand-over from the dialog callbacks, which may run on another thread, to the state
// record on the main thread.
#include "widgets/pickers.h"

#include "state/app.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class Pickers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_pick_lock) g_pick_lock = SDL_CreateMutex();
    ASSERT_NE(g_pick_lock, nullptr);
    g_picked_game.clear();
    g_picked_dest.clear();
    A.game = "/before/copy.nup";
    A.dest = "/before/install";
  }
  void TearDown() override {
    A.game.clear();
    A.dest.clear();
  }
};

TEST_F(Pickers, CancelOrFailureKeepsTheValueAndOnlyAFailureSaysWhy) {
  const char* cancelled[] = {nullptr};
  picked_game(nullptr, cancelled, 0);
  picked_dest(nullptr, cancelled, -1);
  take_picked_paths();
  EXPECT_EQ(A.game_dialog_error, "");
  EXPECT_EQ(A.dest_dialog_error, "");
  SDL_SetError("No dialog driver");
  picked_game(nullptr, nullptr, -1);  // no dialog could be shown
  SDL_ClearError();
  picked_dest(nullptr, nullptr, -1);
  take_picked_paths();
  EXPECT_EQ(A.game, "/before/copy.nup");
  EXPECT_EQ(A.dest, "/before/install");
  EXPECT_EQ(A.game_dialog_error, "No dialog driver");
  EXPECT_EQ(A.dest_dialog_error, "no reason was given");
  // A later cancel leaves the message; opening the dialog again takes it away.
  picked_game(nullptr, cancelled, 0);
  take_picked_paths();
  EXPECT_EQ(A.game_dialog_error, "No dialog driver");
  SDL_SetHint(SDL_HINT_FILE_DIALOG_DRIVER, "none");
  open_game_folder();
  EXPECT_EQ(A.game_dialog_error, "");
  take_picked_paths();  // the opener's own failure, reported through the callback
  EXPECT_NE(A.game_dialog_error.find("driver"), std::string::npos) << A.game_dialog_error;
  SDL_ResetHint(SDL_HINT_FILE_DIALOG_DRIVER);
  A.game_dialog_error.clear();
  A.dest_dialog_error.clear();
}

TEST_F(Pickers, APickArrivesOnTheNextHandOverAndOnlyOnce) {
  const char* file[] = {"/media/dumps/lantern.nup", nullptr};
  picked_game(nullptr, file, 0);
  EXPECT_EQ(A.game, "/before/copy.nup");  // nothing reaches the record before the hand-over
  take_picked_paths();
  EXPECT_EQ(A.game, "/media/dumps/lantern.nup");
  EXPECT_TRUE(g_picked_game.empty());
  A.game = "/typed/later";
  take_picked_paths();
  EXPECT_EQ(A.game, "/typed/later");
}

TEST_F(Pickers, ALaterPickReplacesAnEarlierOne) {
  const char* file[] = {"/media/dumps/lantern.nup", nullptr};
  const char* folder[] = {"/media/dumps/unpacked", nullptr};
  picked_game(nullptr, file, 0);
  picked_game(nullptr, folder, -1);
  take_picked_paths();
  EXPECT_EQ(A.game, "/media/dumps/unpacked");
  // Also across frames: file first, folder through the link afterwards.
  picked_game(nullptr, file, 1);
  take_picked_paths();
  picked_game(nullptr, folder, -1);
  take_picked_paths();
  EXPECT_EQ(A.game, "/media/dumps/unpacked");
}

TEST_F(Pickers, OnlyTheFirstEntryIsTakenAndTheFilterDoesNotMatter) {
  const char* two[] = {"/a/first.bin", "/a/second.bin", nullptr};
  picked_game(nullptr, two, 1);  // "All files": any file, taken unchanged
  take_picked_paths();
  EXPECT_EQ(A.game, "/a/first.bin");
}

TEST_F(Pickers, BothPathsFromOtherThreadsArrivingBeforeOneFrameAreBothTaken) {
  std::string game_path = "/home/ann/Sp\xC3\xA4ter/lantern.nup";
  std::string dest_path = "/home/ann/Games/Tarnwell";
  std::thread a([&] {
    std::string copy = game_path;  // SDL's list lives only during the callback
    const char* list[] = {copy.c_str(), nullptr};
    picked_game(nullptr, list, 0);
    copy.assign(copy.size(), 'X');
  });
  std::thread b([&] {
    const char* list[] = {dest_path.c_str(), nullptr};
    picked_dest(nullptr, list, -1);
  });
  a.join();
  b.join();
  take_picked_paths();
  EXPECT_EQ(A.game, game_path);
  EXPECT_EQ(A.dest, dest_path);
  EXPECT_TRUE(g_picked_game.empty());
  EXPECT_TRUE(g_picked_dest.empty());
}

TEST_F(Pickers, AnEmptyPathIsNeverTakenOver) {
  const char* empty[] = {"", nullptr};
  picked_dest(nullptr, empty, -1);
  take_picked_paths();
  EXPECT_EQ(A.dest, "/before/install");
}

TEST_F(Pickers, ManyCallbacksRacingTheHandOverLeaveTheLastPick) {
  // Callbacks and hand-overs interleave freely; once both sides stop, the record holds
  // the last path chosen and no pick is left waiting.
  std::thread picker([] {
    for (int i = 0; i < 2000; i++) {
      std::string path = "/pick/" + std::to_string(i);
      const char* list[] = {path.c_str(), nullptr};
      picked_dest(nullptr, list, -1);
    }
  });
  for (int i = 0; i < 2000; i++) take_picked_paths();
  picker.join();
  take_picked_paths();
  EXPECT_EQ(A.dest, "/pick/1999");
  EXPECT_TRUE(g_picked_dest.empty());
}

}  // namespace
