// The outcome views' texts: the done sentence, the copy button's label over time, and
// the command line of the tool installation.
#include "screens/outcome.h"

#include <gtest/gtest.h>

namespace {

TEST(DoneSentence, AJobUnderThreeSecondsFoundEverythingUpToDate) {
  EXPECT_EQ(done_sentence(2999, false),
            "Everything was up to date. Tarnwell is in your Start menu, with the icon from your game.");
  EXPECT_EQ(done_sentence(0, false),
            "Everything was up to date. Tarnwell is in your Start menu, with the icon from your game.");
  EXPECT_EQ(done_sentence(3000, false),
            "Built in 3 s. Tarnwell is in your Start menu, with the icon from your game.");
  EXPECT_EQ(done_sentence(3725000, false),
            "Built in 1 h 02 min. Tarnwell is in your Start menu, with the icon from your game.");
}

TEST(DoneSentence, NamesTheDesktopWhenAShortcutWasWanted) {
  EXPECT_EQ(done_sentence(61000, true),
            "Built in 1 min 01 s. Tarnwell is in your Start menu and on your desktop, with the icon from "
            "your game.");
  EXPECT_EQ(done_sentence(10, true),
            "Everything was up to date. Tarnwell is in your Start menu and on your desktop, with the icon "
            "from your "
            "game.");
}

TEST(CopyLabel, ReadsCopiedFor1600MsAfterCopyingTheCurrentCommand) {
  App a;
  a.error_command = "sudo apt-get install cmake";
  EXPECT_STREQ(copy_label(a, 5000), "Copy the command");  // nothing copied yet
  a.copied = a.error_command;
  a.copied_at = 5000;
  EXPECT_STREQ(copy_label(a, 5000), "Copied");
  EXPECT_STREQ(copy_label(a, 6599), "Copied");
  EXPECT_STREQ(copy_label(a, 6600), "Copy the command");
  EXPECT_STREQ(copy_label(a, 99999), "Copy the command");
}

TEST(CopyLabel, GoesBackAtOnceWhenTheCommandChanges) {
  App a;
  a.error_command = "sudo apt-get install cmake";
  a.copied = a.error_command;
  a.copied_at = 5000;
  a.error_command = "sudo dnf install cmake";
  EXPECT_STREQ(copy_label(a, 5001), "Copy the command");
}

TEST(CopyLabel, ACopyAtTheStartOfTheClockStillCounts) {
  // SDL's clock starts at 0: a copy then is not confused with "never copied".
  App a;
  a.error_command = "x";
  a.copied = "x";
  a.copied_at = 0;
  EXPECT_STREQ(copy_label(a, 0), "Copied");
}

TEST(InstallArgs, AppendTheInstallationToTheBackendPrefixLeavingItAlone) {
  std::vector<std::string> backend = {"/usr/bin/python3", "-m", "setup"};
  EXPECT_EQ(install_args(backend),
            (std::vector<std::string>{"/usr/bin/python3", "-m", "setup", "--install-packages", "--json"}));
  EXPECT_EQ(backend.size(), 3u);
}

}  // namespace
