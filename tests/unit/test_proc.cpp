// The process runner against real child processes: sh and python3 scripts.
#include "backend/proc.h"

#include "child_scripts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Polls until the process has ended, collecting every line it delivered.
Lines run_to_end(Proc& p) {
  Lines lines;
  int code = 0;
  bool ended = wait_for([&] { return !p.proc; }, [&] { p.poll(lines, &code); });
  EXPECT_TRUE(ended) << "the child did not end";
  EXPECT_FALSE(streaming(p)) << "a released run streams nothing";
  EXPECT_EQ(p.last_read, 0u) << "so that a resting frame loop sleeps its full turn";
  return lines;
}

Lines run_sh(const std::string& script) {
  Scratch s;
  Proc p;
  EXPECT_TRUE(p.start({"/bin/sh", s.write("child.sh", script)}));
  return run_to_end(p);
}

Lines run_python(const std::string& script) {
  Scratch s;
  Proc p;
  EXPECT_TRUE(p.start({"python3", s.write("child.py", script)}));
  return run_to_end(p);
}

size_t open_descriptors() {
  auto entries = std::filesystem::directory_iterator("/proc/self/fd");
  return (size_t)std::distance(begin(entries), end(entries));
}

TEST(Proc, DeliversCompleteLinesAndDropsAnUnfinishedLast) {
  EXPECT_EQ(run_sh("printf 'one\\ntwo'\n"), Lines({"one"}));
  EXPECT_EQ(run_sh("printf 'solo\\n'\n"), Lines({"solo"}));  // all of a poll's output, handed over
  EXPECT_EQ(run_sh("printf '\\n\\nthree\\n'\n"), Lines({"", "", "three"}));
  EXPECT_EQ(run_sh("exit 3\n"), Lines());
}

TEST(Proc, KeepsCarriageReturns) {
  EXPECT_EQ(run_sh("printf 'a\\r\\nb\\r\\n\\r\\nc\\rd\\n'\n"), Lines({"a\r", "b\r", "\r", "c\rd"}));
}

TEST(Proc, ArgumentsReachTheChildOneByOneWithoutAShell) {
  Scratch s;
  Proc p;
  std::string script = s.write("args.sh", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n");
  ASSERT_TRUE(p.start({"/bin/sh", script, "two words", "", "$HOME", "*", "a\"b'c", "--json"}));
  EXPECT_EQ(run_to_end(p), Lines({"[two words]", "[]", "[$HOME]", "[*]", "[a\"b'c]", "[--json]"}));
}

TEST(Proc, LineSplitAcrossWritesArrivesOnceWhole) {
  Scratch s;
  std::string go = s.path("go");
  Proc p;
  ASSERT_TRUE(p.start({"python3",
                       s.write("split.py",
                               "import os, sys, time\n"
                               "sys.stdout.write('hel'); sys.stdout.flush()\n"
                               "while not os.path.exists(sys.argv[1]): time.sleep(0.005)\n"
                               "sys.stdout.write('lo\\nnext\\n')\n"),
                       go}));
  Lines lines;
  int code = 0;
  ASSERT_TRUE(wait_for([&] { return p.pending == "hel"; }, [&] { EXPECT_TRUE(p.poll(lines, &code)); }));
  EXPECT_TRUE(lines.empty()) << "half a line is not delivered";
  s.write("go", "");
  Lines rest = run_to_end(p);
  EXPECT_EQ(rest, Lines({"hello", "next"}));
}

TEST(Proc, AnyBytesPassThroughUnchanged) {
  // Every byte value, NUL and invalid UTF-8 included, in lines of varied length.
  std::string expected;
  for (int i = 0; i < 5000; i++) expected += (char)(i * 7 % 256);
  Scratch s;
  s.write("bytes.bin", expected);
  Proc p;
  ASSERT_TRUE(p.start({"/bin/cat", s.path("bytes.bin")}));
  Lines lines = run_to_end(p);
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  size_t last_newline = expected.rfind('\n');
  EXPECT_EQ(joined, expected.substr(0, last_newline + 1));
  EXPECT_GT(lines.size(), 10u);
}

TEST(Proc, LargeOutputsAreReadWhole) {
  // A 3 MB line over many reads, then a burst of 100,000 short lines.
  Lines lines = run_python(
      "import sys\n"
      "out = sys.stdout.buffer\n"
      "out.write(b'x' * 3000000 + b'\\n')\n"
      "out.write(b''.join(b'line %d\\n' % i for i in range(100000)))\n");
  ASSERT_EQ(lines.size(), 100001u);
  EXPECT_TRUE(lines[0] == std::string(3000000, 'x')) << lines[0].size();
  EXPECT_EQ(lines[1], "line 0");
  EXPECT_EQ(lines[100000], "line 99999");
}

TEST(Proc, LineBeyondTheLimitIsDroppedAndReadingGoesOn) {
  Lines lines = run_python(
      "import sys\n"
      "out = sys.stdout.buffer\n"
      "out.write(b'before\\n')\n"
      "chunk = b'y' * (1 << 20)\n"
      "for i in range(" +
      std::to_string((PROC_MAX_LINE >> 20) + 20) +
      "): out.write(chunk)\n"
      "out.write(b'\\nafter\\n')\n");
  EXPECT_EQ(lines, Lines({"before", PROC_DROPPED, "after"}));
}

TEST(Proc, ChildThatDiesMidLineEndsWithoutThatLine) {
  EXPECT_EQ(run_python("import os, sys\n"
                       "sys.stdout.write('whole\\n{\"type\":\"lo'); sys.stdout.flush()\n"
                       "os.kill(os.getpid(), 9)\n"),
            Lines({"whole"}));
}

TEST(Proc, ChildThatNeverExitsKeepsRunningUntilKilled) {
  Scratch s;
  Proc p;
  ASSERT_TRUE(p.start({"python3", s.write("forever.py",
                                          "import sys, time\n"
                                          "print('alive', flush=True)\n"
                                          "while True: time.sleep(1)\n")}));
  Lines lines;
  int code = 0;
  ASSERT_TRUE(wait_for([&] { return !lines.empty(); }, [&] { EXPECT_TRUE(p.poll(lines, &code)); }));
  for (int i = 0; i < 20; i++) EXPECT_TRUE(p.poll(lines, &code)) << "poll does not wait for the end";
  EXPECT_EQ(lines, Lines({"alive"}));
  ASSERT_TRUE(SDL_KillProcess(p.proc, false));
  EXPECT_TRUE(p.proc) << "killing leaves the handle to the next poll";
  run_to_end(p);
  EXPECT_EQ(p.proc, nullptr);
}

// Windows reads the pipe on a thread of its own, and an ended backend's output counts as
// drained after a quiet time: a backend long quiet that writes its last line and ends
// before the thread has read it must not lose that line.
TEST(Proc, QuietTimeIsCountedFromTheEnd) {
  const Uint64 ms = 1000000, last_output = 1000 * ms, end = 2000 * ms;
  EXPECT_FALSE(quiet_since_end(end, last_output, end, PROC_QUIET_NS)) << "its last line may be on its way";
  EXPECT_FALSE(quiet_since_end(end + PROC_QUIET_NS - 1, last_output, end, PROC_QUIET_NS));
  EXPECT_TRUE(quiet_since_end(end + PROC_QUIET_NS, last_output, end, PROC_QUIET_NS));
  EXPECT_FALSE(quiet_since_end(end + PROC_QUIET_NS, end + 5 * ms, end, PROC_QUIET_NS))
      << "output after the end (a child's) starts the count again";
  EXPECT_FALSE(quiet_since_end(end + 10 * PROC_QUIET_NS, last_output, 0, PROC_QUIET_NS)) << "still running";
}

TEST(Proc, IdleOrFailedProcLeavesTheOutputAlone) {
  Proc idle;
  Lines lines = {"kept"};
  int code = 0;
  EXPECT_FALSE(idle.poll(lines, &code));
  EXPECT_EQ(lines, Lines({"kept"}));

  Proc failed;
  failed.pending = "stale";
  EXPECT_FALSE(failed.start({"/nonexistent/tarnwell-backend", "--info"}));
  EXPECT_EQ(failed.proc, nullptr);
  EXPECT_TRUE(failed.pending.empty());
  EXPECT_STRNE(SDL_GetError(), "") << "SDL says why";
  EXPECT_FALSE(failed.poll(lines, &code));
  EXPECT_EQ(lines, Lines({"kept"}));

  EXPECT_FALSE(failed.start({}));
  EXPECT_FALSE(failed.start({""}));
}

TEST(Proc, UnfinishedTailIsDiscardedByTheNextStart) {
  Scratch s;
  Proc p;
  ASSERT_TRUE(p.start({"/bin/sh", s.write("a.sh", "printf 'first\\ntail'\n")}));
  EXPECT_EQ(run_to_end(p), Lines({"first"}));
  EXPECT_EQ(p.pending, "tail");
  ASSERT_TRUE(p.start({"/bin/sh", s.write("b.sh", "printf 'second\\n'\n")}));
  EXPECT_EQ(run_to_end(p), Lines({"second"}));
}

TEST(Proc, StartingAgainReleasesTheEarlierRun) {
  Scratch s;
  size_t before = open_descriptors();
  Proc p;
  // The first child stops by itself once nobody reads its output any more.
  ASSERT_TRUE(p.start({"/bin/sh", s.write("chatty.sh", "while echo first; do sleep 0.05; done\n")}));
  ASSERT_TRUE(p.start({"/bin/sh", s.write("quiet.sh", "echo second\n")}));
  EXPECT_EQ(run_to_end(p), Lines({"second"}));
  EXPECT_EQ(open_descriptors(), before) << "the earlier run's pipe was not closed";
}

}  // namespace
