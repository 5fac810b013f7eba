// The command line: option scanning, validation and the backend command.
#include "app/cmdline.h"
#include "app/window.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Scan {
  App app;
  Cmdline cl;
  bool ok = false;
};

Scan scan(std::initializer_list<const char*> args) {
  std::vector<char*> argv{const_cast<char*>("tarnwell-setup")};
  for (const char* a : args) argv.push_back(const_cast<char*>(a));
  Scan s;
  s.ok = scan_cmdline((int)argv.size(), argv.data(), s.app, s.cl);
  return s;
}

TEST(Cmdline, UsageLineIsExactlyOneLineOf70Bytes) {
  EXPECT_EQ(std::string(USAGE), "usage: tarnwell-setup --root DIR --python EXE (started by ./setup.sh)\n");
  EXPECT_EQ(std::string(USAGE).size(), 70u);
}

TEST(Cmdline, RefusesWithoutRootOrInterpreter) {
  EXPECT_FALSE(scan({}).ok);
  EXPECT_FALSE(scan({"--python", "py"}).ok);
  EXPECT_FALSE(scan({"--root", "r"}).ok);
  EXPECT_TRUE(scan({"--root", "r", "--python", "py"}).ok);
  EXPECT_TRUE(scan({"--root", "r", "--backend", "x"}).ok);
}

TEST(Cmdline, RootAsLastArgumentOverwritesEarlierRootWithEmpty) {
  Scan s = scan({"--root", "r", "--python", "py", "--root"});
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.app.root, "");
}

TEST(Cmdline, ValueIsTheNextArgumentWhateverItLooksLike) {
  // "--root --python X": the root is the text "--python" and X is skipped.
  Scan s = scan({"--root", "--python", "X"});
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.app.root, "--python");
  EXPECT_EQ(s.app.python, "");
}

TEST(Cmdline, UnknownArgumentsAreSkippedOneAtATime) {
  Scan s = scan({"--bogus", "--root", "r", "-python", "--python=x", "--python", "py", "--autobuild"});
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.app.root, "r");
  EXPECT_EQ(s.app.python, "py");
  EXPECT_TRUE(s.app.autobuild);
}

TEST(Cmdline, EveryOptionLandsInItsField) {
  Scan s = scan({"--root", "R",       "--python",  "P",         "--game", "G",       "--dest",
                 "D",      "--shot",  "S.png",     "--shot-at", "0.5",    "--click", "400,300",
                 "--size", "800x600", "--backend", "b",         "--lang", "zh-Hant"});
  EXPECT_EQ(s.app.game, "G");
  EXPECT_EQ(s.app.dest, "D");
  EXPECT_EQ(s.app.shot, "S.png");
  EXPECT_FLOAT_EQ(s.app.shot_at, 0.5f);
  EXPECT_EQ(s.app.click, "400,300");
  EXPECT_EQ(s.cl.width, 800);
  EXPECT_EQ(s.cl.height, 600);
  EXPECT_EQ(s.cl.backend, "b");
  EXPECT_EQ(s.cl.lang, "zh-Hant");
}

TEST(Cmdline, LaterOccurrenceWinsAndSizeKeepsWhatDoesNotConvert) {
  Scan s = scan({"--root", "a", "--root", "b", "--python", "p", "--size", "800x600", "--size", "1280"});
  EXPECT_EQ(s.app.root, "b");
  EXPECT_EQ(s.cl.width, 1280);
  EXPECT_EQ(s.cl.height, 600);
  EXPECT_EQ(scan({"--root", "r", "--python", "p", "--size", "big"}).cl.width, 0);
}

TEST(Cmdline, ShotAtReadsNonNumbersAsZeroAndDefaultsToTwo) {
  EXPECT_FLOAT_EQ(scan({"--root", "r", "--python", "p"}).app.shot_at, 2.0f);
  EXPECT_FLOAT_EQ(scan({"--root", "r", "--python", "p", "--shot-at", "abc"}).app.shot_at, 0.0f);
}

TEST(BackendCommand, DefaultIsInterpreterDashMSetup) {
  EXPECT_EQ(backend_command("", "/usr/bin/python3"),
            (std::vector<std::string>{"/usr/bin/python3", "-m", "setup"}));
}

TEST(BackendCommand, OverrideSplitsAtSingleSpacesWithoutEmptyWords) {
  EXPECT_EQ(backend_command("run  me   now", "ignored"), (std::vector<std::string>{"run", "me", "now"}));
  EXPECT_EQ(backend_command(" lead trail ", "x"), (std::vector<std::string>{"lead", "trail"}));
  EXPECT_EQ(backend_command("\"a b\"", "x"), (std::vector<std::string>{"\"a", "b\""}));
}

TEST(WindowSize, HeightFollowsTheDesktopHeight) {
  EXPECT_EQ(window_height_for_desktop(2160), 1440);
  EXPECT_EQ(window_height_for_desktop(2000), 1440);
  EXPECT_EQ(window_height_for_desktop(1999), 1080);
  EXPECT_EQ(window_height_for_desktop(1300), 1080);
  EXPECT_EQ(window_height_for_desktop(1200), 900);
  EXPECT_EQ(window_height_for_desktop(1000), 900);
  EXPECT_EQ(window_height_for_desktop(999), 720);
  EXPECT_EQ(window_height_for_desktop(0), 900);  // no display mode known
  EXPECT_EQ(window_height_for_desktop(999) * 16 / 9, 1280);
}

}  // namespace
