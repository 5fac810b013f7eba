// The conversation with the backend, driven end to end against scripted fake backends
// (python3 scripts and /bin/cat) without any window.
#include "app/window.h"
#include "backend/json.h"
#include "backend/messages.h"
#include "backend/proc.h"
#include "backend/proc_stat.h"
#include "backend/protocol.h"
#include "platform/png_io.h"
#include "screens/form.h"
#include "state/app.h"

#include "child_scripts.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Start of every fake backend: it records its arguments (NUL-separated) in "args-info"
// or "args-job" next to itself and has a helper to print one message.
const char* PRELUDE = R"(import json, os, sys, time
here = os.path.dirname(os.path.abspath(__file__))
args = sys.argv[1:]
with open(os.path.join(here, 'args-info' if '--info' in args else 'args-job'), 'w') as f:
    f.write('\0'.join(args))
def say(**m):
    sys.stdout.write(json.dumps(m) + '\n'); sys.stdout.flush()
def arg(name):
    return args[args.index(name) + 1] if name in args else ''
def wait_for_file(p):
    while not os.path.exists(p): time.sleep(0.005)
)";

std::string msg_log(const std::string& line) { return "{\"type\":\"log\",\"line\":\"" + line + "\"}\n"; }

class Protocol : public ::testing::Test {
 protected:
  Scratch s;

  void SetUp() override { A = App(); }
  void TearDown() override {
    stop(g_build);
    stop(g_info);
    if (A.icon) SDL_DestroyTexture(A.icon);
    A = App();
  }

  static void stop(Proc& p) {
    if (p.proc) SDL_KillProcess(p.proc, true);
    Lines ignored;
    int code = 0;
    EXPECT_TRUE(wait_for([&] { return !p.proc; }, [&] { p.poll(ignored, &code); }));
  }

  // A fake backend running `body` after the prelude, as App.backend would start it.
  std::vector<std::string> backend(const std::string& body) {
    return {"python3", s.write("backend.py", std::string(PRELUDE) + body)};
  }

  Lines recorded(const char* name) {
    std::string all = read_file(s.path(name));
    Lines args;
    size_t start = 0;
    for (size_t nul; (nul = all.find('\0', start)) != std::string::npos; start = nul + 1)
      args.push_back(all.substr(start, nul - start));
    args.push_back(all.substr(start));
    return args;
  }

  // Polls until neither run holds a process.
  static void settle() {
    EXPECT_TRUE(wait_for([] { return !g_build.proc && !g_info.proc; }, poll_backend));
  }

  // A job whose whole output is `bytes`, printed by /bin/cat, polled to its end.
  void run_job_printing(const std::string& bytes) {
    start_run({"/bin/cat", s.write("job-output", bytes)});
    ASSERT_EQ(A.view, 1);
    settle();
  }

  void ask_info_printing(const std::string& bytes) {
    s.write("info-output", bytes);
    A.backend = backend("sys.stdout.buffer.write(open(os.path.join(here, 'info-output'), 'rb').read())\n");
    ask_info();
    EXPECT_FALSE(A.info_ready);
    settle();
  }
};

const char* FULL_REPLY =
    R"({"version":"1.4.0","game":"C:\\Games\\lantern.nup","dest":"C:\\Tarnwell","gpu":"Radeon \u00e9",)"
    R"("desktop":true,"installed":true,"install_command":"winget install cmake","can_install":true,)"
    R"("missing":["cmake",7,{"x":1},"ninja"],)"
    R"("levels":[{"id":"low","name":"Low","about":"Fast"},{"id":"medium","name":"Medium","about":"Balanced"},)"
    R"({"id":"high","name":"High","about":"Pretty"}],)"
    R"("suggested":"medium","suggested_why":"Your card is new","quality":"high"})"
    "\n";

TEST_F(Protocol, InfoReplyFillsTheRecord) {
  ask_info_printing(FULL_REPLY);
  EXPECT_TRUE(A.info_ready);
  EXPECT_EQ(A.version, "1.4.0");
  EXPECT_EQ(A.game, "C:\\Games\\lantern.nup");
  EXPECT_EQ(A.dest, "C:\\Tarnwell");
  EXPECT_EQ(A.gpu, "Radeon \xC3\xA9");
  EXPECT_TRUE(A.desktop);
  EXPECT_TRUE(A.desktop_set);
  EXPECT_TRUE(A.installed);
  EXPECT_EQ(A.install_command, "winget install cmake");
  EXPECT_TRUE(A.can_install);
  EXPECT_EQ(A.missing, Lines({"cmake", "", "", "ninja"})) << "the string of each element, whatever its kind";
  ASSERT_EQ(A.levels.size(), 3u);
  EXPECT_EQ(A.levels[1].id, "medium");
  EXPECT_EQ(A.levels[1].name, "Medium");
  EXPECT_EQ(A.levels[2].about, "Pretty");
  EXPECT_EQ(A.quality, 2);
  EXPECT_EQ(A.suggested, "medium");
  EXPECT_EQ(A.suggested_name, "Medium");
  EXPECT_EQ(A.suggested_why, "Your card is new");

  Lines expected = {"--info"};
  int w = 0, h = 0;
  if (desktop_size(&w, &h)) expected = {"--info", "--display", std::to_string(w) + "x" + std::to_string(h)};
  EXPECT_EQ(recorded("args-info"), expected);
}

TEST_F(Protocol, InfoQueryTellsTheDesktopSizeWhenADisplayIsKnown) {
  SDL_SetHint(SDL_HINT_VIDEO_DRIVER, "dummy");
  if (!SDL_InitSubSystem(SDL_INIT_VIDEO)) GTEST_SKIP() << "no dummy video driver: " << SDL_GetError();
  int w = 0, h = 0;
  bool known = desktop_size(&w, &h);
  ask_info_printing("");
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  ASSERT_TRUE(known);
  EXPECT_EQ(recorded("args-info"),
            Lines({"--info", "--display", std::to_string(w) + "x" + std::to_string(h)}));
}

TEST_F(Protocol, InfoReplyKeepsChoicesAlreadyMade) {
  A.game = "D:\\mine.nup";
  ask_info_printing(FULL_REPLY);
  EXPECT_EQ(A.game, "D:\\mine.nup") << "a non-empty game is not replaced";
  EXPECT_EQ(A.dest, "C:\\Tarnwell") << "an empty dest is filled";

  // The user unticks the shortcut; the next reply neither clears the paths nor re-ticks it.
  A.desktop = false;
  ask_info_printing(R"({"desktop":true,"dest":"E:\\Other","version":"2"})"
                    "\n");
  EXPECT_EQ(A.game, "D:\\mine.nup");
  EXPECT_EQ(A.dest, "C:\\Tarnwell");
  EXPECT_FALSE(A.desktop);
  EXPECT_EQ(A.version, "2");
  EXPECT_TRUE(A.missing.empty()) << "lists are replaced as a whole";
  EXPECT_TRUE(A.levels.empty());
  EXPECT_FALSE(A.installed) << "a missing member reads as false";
}

TEST_F(Protocol, SeveralRepliesApplyInOrderAndOtherLinesAreIgnored) {
  ask_info_printing(
      "Traceback (most recent call last):\n"
      "[1,2,3]\n"
      "42\n"
      "\"text\"\n"
      "{\"version\":\"1\",\"game\":\"first.nup\",\"suggested\":\"a\","
      "\"levels\":[{\"id\":\"a\",\"name\":\"A\"},{\"id\":\"b\",\"name\":\"B\"}],\"quality\":\"b\"}\r\n"
      "\x01\xFF\xFE garbage\n"
      "{\"version\":\"2\",\"game\":\"second.nup\",\"suggested\":\"zzz\","
      "\"levels\":[{\"id\":\"a\",\"name\":\"A2\"},{\"id\":\"b\",\"name\":\"B2\"}]}\n"
      "{\"version\":\"3\"");  // unfinished: never a reply
  EXPECT_TRUE(A.info_ready);
  EXPECT_EQ(A.version, "2");
  EXPECT_EQ(A.game, "first.nup");
  EXPECT_EQ(A.suggested, "zzz");
  EXPECT_EQ(A.suggested_name, "A") << "kept when no level has the suggested id";
  EXPECT_EQ(A.quality, 1) << "kept when the reply names no level and the index is still valid";
  ASSERT_EQ(A.levels.size(), 2u);
  EXPECT_EQ(A.levels[0].name, "A2");
}

TEST_F(Protocol, InfoQueryWithoutAReplyLeavesInfoNotReadyAndSaysSo) {
  A.info_ready = true;
  ask_info_printing("no JSON here\n[\"an array\"]\n");
  EXPECT_FALSE(A.info_ready);
  EXPECT_TRUE(A.info_failed);
  EXPECT_STREQ(form_status(A), "Setup could not check this PC: its backend ended without an answer.");

  ask_info_printing(FULL_REPLY);  // asking again starts afresh
  EXPECT_TRUE(A.info_ready);
  EXPECT_FALSE(A.info_failed);

  A.backend = {"/nonexistent/tarnwell-backend"};
  ask_info();
  EXPECT_FALSE(A.info_ready);
  EXPECT_TRUE(A.info_failed);
  EXPECT_EQ(g_info.proc, nullptr);
}

TEST_F(Protocol, QualityStaysWithinTheLevels) {
  ask_info_printing(FULL_REPLY);
  ASSERT_EQ(A.quality, 2);
  ask_info_printing(R"({"levels":[{"id":"only","name":"Only"}],"quality":"gone"})"
                    "\n");
  EXPECT_EQ(A.quality, 0) << "an index beyond a shorter list is reset to the first level";
  A.quality = 5;  // however it got there, a build never reads beyond the list
  A.game = "g";
  A.dest = "d";
  A.backend = backend("say(type='end', result='failed')\n");
  start_build();
  settle();
  EXPECT_EQ(recorded("args-job"),
            Lines({"--json", "--game", "g", "--dest", "d", "--quality", "only", "--desktop-entry"}));
}

TEST_F(Protocol, BuildArguments) {
  A.backend = backend("say(type='end', result='ok', play=arg('--dest') + '/tarnwell.sh')\n");
  A.game = "/media/my games/lantern copy.nup";
  A.dest = "/opt/tarn well";
  A.levels = {{"low", "Low", ""}, {"high", "High", ""}};
  A.quality = 1;
  A.desktop = true;
  start_build();
  EXPECT_EQ(A.view, 1);
  settle();
  EXPECT_EQ(recorded("args-job"), Lines({"--json", "--game", "/media/my games/lantern copy.nup", "--dest",
                                         "/opt/tarn well", "--quality", "high", "--desktop-entry"}));
  EXPECT_EQ(A.view, 3);
  EXPECT_EQ(A.launcher, "/opt/tarn well/tarnwell.sh");

  A.levels.clear();
  A.desktop = false;
  start_build();
  settle();
  EXPECT_EQ(recorded("args-job"),
            Lines({"--json", "--game", "/media/my games/lantern copy.nup", "--dest", "/opt/tarn well"}));
}

TEST_F(Protocol, MissingToolsAreReportedInsteadOfBuilding) {
  A.backend = {"/bin/cat", "/dev/null"};
  A.missing = {"cmake", "ninja", "python3-dev"};
  A.view = 0;
  A.focused = true;
  start_build();
  EXPECT_EQ(g_build.proc, nullptr) << "no job starts";
  EXPECT_EQ(A.view, 2);
  EXPECT_FALSE(A.focused);
  EXPECT_EQ(A.error, "This PC needs a few build tools first.");
  EXPECT_EQ(A.error_detail,
            "Missing: cmake, ninja, python3-dev\nInstall them with the system's package manager, then check "
            "again.");
  EXPECT_EQ(A.error_command, "");

  A.install_command = "sudo apt install cmake ninja-build";
  A.can_install = true;
  start_build();
  EXPECT_EQ(A.error_detail,
            "Missing: cmake, ninja, python3-dev\nSetup can install them (it asks for your password), or run "
            "this in "
            "a terminal:");
  EXPECT_EQ(A.error_command, "sudo apt install cmake ninja-build");

  A.can_install = false;
  A.missing = {"cmake"};
  start_build();
  EXPECT_EQ(A.error_detail, "Missing: cmake\nRun this in a terminal, then check again:");
}

TEST_F(Protocol, StartingAJobResetsItsFieldsButKeepsTheLogPath) {
  A.steps = {{"a", "A", 2}};
  A.log = {"old"};
  A.warnings = {"w"};
  A.current = 0;
  A.step_frac = 0.5f;
  A.shown_total = 0.7f;
  A.step_text = "t";
  A.error = "e";
  A.error_detail = "d";
  A.error_command = "c";
  A.launcher = "l";
  A.show_log = true;
  A.cancelling = true;
  A.finished_at = 99;
  A.started_at = ~0ull;  // no tick count of this run comes near it
  A.log_path = "/tmp/setup.log";
  A.focused = true;
  start_run({"/bin/sh", s.write("idle.sh", "read never < /dev/null; sleep 0\n")});
  EXPECT_EQ(A.view, 1);
  EXPECT_FALSE(A.focused);
  EXPECT_TRUE(A.steps.empty() && A.log.empty() && A.warnings.empty());
  EXPECT_EQ(A.current, -1);
  EXPECT_EQ(A.step_frac, 0.0f);
  EXPECT_EQ(A.shown_total, 0.0f);
  EXPECT_TRUE(A.step_text.empty() && A.error.empty() && A.error_detail.empty() && A.error_command.empty() &&
              A.launcher.empty());
  EXPECT_FALSE(A.show_log);
  EXPECT_FALSE(A.cancelling);
  EXPECT_EQ(A.finished_at, 0u);
  EXPECT_LE(A.started_at, SDL_GetTicks());
  EXPECT_EQ(A.log_path, "/tmp/setup.log");
}

TEST_F(Protocol, StepsFollowStartAndStepMessages) {
  run_job_printing(
      R"({"type":"start","log":"/var/log/setup.log","steps":[{"id":"unpack","title":"Unpack"},{"id":"build","title":"Build"},{"id":"link","title":"Link"}]})"
      "\n"
      R"({"type":"step","step":"unpack","state":"started"})"
      "\n"
      R"({"type":"progress","text":"file 3","done":3,"total":4})"
      "\n"
      R"({"type":"step","step":"unpack","state":"done"})"
      "\n"
      R"({"type":"step","step":"build","state":"started"})"
      "\n"
      R"({"type":"progress","text":"half","done":1,"total":2})"
      "\n"
      R"({"type":"step","step":"nosuch","state":"started"})"
      "\n"
      R"({"type":"step","step":"link"})"
      "\n"
      R"({"type":"start","steps":[{"id":"extra","title":"Extra"}]})"
      "\n"
      R"({"type":"end","result":"ok","play":"/opt/t/tarnwell.sh"})"
      "\n");
  ASSERT_EQ(A.steps.size(), 4u) << "a second start appends its steps";
  EXPECT_EQ(A.steps[0].title, "Unpack");
  EXPECT_EQ(A.steps[3].id, "extra");
  EXPECT_EQ(A.steps[0].state, 2);
  EXPECT_EQ(A.steps[1].state, 1);
  EXPECT_EQ(A.steps[2].state, 2) << "any state but \"started\" finishes the row";
  EXPECT_EQ(A.steps[3].state, 0);
  EXPECT_EQ(A.current, 1) << "an unknown id and a finished row leave current alone";
  EXPECT_EQ(A.step_frac, 0.0f) << "finishing a row zeroes the fraction";
  EXPECT_EQ(A.step_text, "half");
  EXPECT_EQ(A.log_path, "") << "the second start has no log member";
}

TEST_F(Protocol, StepStartClearsTextAndFraction) {
  run_job_printing(R"({"type":"start","steps":[{"id":"a","title":"A"},{"id":"b","title":"B"}]})"
                   "\n"
                   R"({"type":"progress","text":"busy","done":1,"total":4})"
                   "\n"
                   R"({"type":"step","step":"b","state":"started"})"
                   "\n");
  EXPECT_EQ(A.current, 1);
  EXPECT_EQ(A.step_text, "");
  EXPECT_EQ(A.step_frac, 0.0f);
}

TEST_F(Protocol, ProgressFraction) {
  run_job_printing(R"({"type":"progress","text":"a","done":1,"total":4})"
                   "\n"
                   R"({"type":"progress","text":"b","done":9,"total":0})"
                   "\n");
  EXPECT_EQ(A.step_text, "b");
  EXPECT_EQ(A.step_frac, 0.25f) << "a total of 0 leaves the fraction";

  run_job_printing(R"({"type":"progress","done":3,"total":2})"
                   "\n");
  EXPECT_EQ(A.step_frac, 1.5f) << "not clamped";
  EXPECT_EQ(A.step_text, "");

  run_job_printing(R"({"type":"progress","done":1,"total":3})"
                   "\n");
  EXPECT_EQ(A.step_frac, (float)(1.0 / 3.0));

  // Quotients that are no float at all leave the fraction as it was.
  run_job_printing(R"({"type":"progress","done":1,"total":2})"
                   "\n"
                   R"({"type":"progress","done":nan,"total":1})"
                   "\n"
                   R"({"type":"progress","done":1e300,"total":1e-300})"
                   "\n"
                   R"({"type":"progress","done":1e300,"total":1})"
                   "\n"
                   R"({"type":"progress","done":-1e300,"total":1})"
                   "\n"
                   R"({"type":"progress","done":1,"total":nan})"
                   "\n"
                   R"({"type":"progress","done":1,"total":-2})"
                   "\n");
  EXPECT_EQ(A.step_frac, 0.5f);
}

TEST_F(Protocol, LogKeepsAtMost600LinesTrimming200AtOnce) {
  std::string out;
  for (int i = 1; i <= 600; i++) out += msg_log("line " + std::to_string(i));
  run_job_printing(out);
  EXPECT_EQ(A.log.size(), 600u);

  out += msg_log("line 601");
  run_job_printing(out);
  ASSERT_EQ(A.log.size(), 401u);
  EXPECT_EQ(A.log.front(), "line 201");
  EXPECT_EQ(A.log.back(), "line 601");
}

TEST_F(Protocol, LogTrimmingInALongBurst) {
  std::string out;
  for (int i = 1; i <= 100000; i++) out += msg_log("line " + std::to_string(i));
  run_job_printing(out);
  // 601 lines give 401; every further 200 give one more trim: 99,399 = 497 * 200 + 199.
  ASSERT_EQ(A.log.size(), 600u);
  EXPECT_EQ(A.log.front(), "line 99401");
  EXPECT_EQ(A.log.back(), "line 100000");
}

TEST_F(Protocol, RawLinesAreBoundedLikeLogMessages) {
  std::string out;
  for (int i = 1; i <= 650; i++) out += "raw " + std::to_string(i) + "\n";
  out += "{\"type\":\"warning\",\"text\":\"disk almost full\"}\n";
  run_job_printing(out);
  // The 601st raw line removed the oldest 200; the warning adds its line.
  ASSERT_EQ(A.log.size(), 451u);
  EXPECT_EQ(A.log.front(), "raw 201");
  EXPECT_EQ(A.log.back(), "warning: disk almost full");
  EXPECT_EQ(A.warnings, Lines({"disk almost full"}));

  // Endless noise stays bounded: 5,000 raw lines and 10 messages keep at most 600.
  out.clear();
  for (int i = 1; i <= 5000; i++) out += "raw " + std::to_string(i) + "\n";
  for (int i = 1; i <= 10; i++) out += msg_log("m" + std::to_string(i));
  run_job_printing(out);
  ASSERT_EQ(A.log.size(), 410u);
  EXPECT_EQ(A.log.front(), "raw 4601");
  EXPECT_EQ(A.log.back(), "m10");
}

TEST_F(Protocol, ErrorThenFailedEndShowsTheErrorTexts) {
  A.backend = backend(
      "say(type='error', text='Not enough space', detail='Needs 36 GB on C:', command='cleanmgr')\n"
      "wait_for_file(os.path.join(here, 'go'))\n"
      "say(type='end', result='failed')\n");
  start_build();
  ASSERT_TRUE(wait_for([] { return !A.error.empty(); }, poll_backend));
  EXPECT_EQ(A.view, 1) << "an error message alone does not end the job";
  s.write("go", "");
  settle();
  EXPECT_EQ(A.view, 2);
  EXPECT_FALSE(A.focused);
  EXPECT_EQ(A.error, "Not enough space");
  EXPECT_EQ(A.error_detail, "Needs 36 GB on C:");
  EXPECT_EQ(A.error_command, "cleanmgr");
  EXPECT_GE(A.finished_at, A.started_at);
}

TEST_F(Protocol, EachEndResultMovesTheView) {
  A.focused = true;
  run_job_printing("{\"type\":\"end\",\"result\":\"failed\"}\n");
  EXPECT_EQ(A.view, 2);
  EXPECT_EQ(A.error, "") << "no error message came";
  EXPECT_FALSE(A.focused);

  A.focused = true;
  run_job_printing("{\"type\":\"end\",\"result\":\"cancelled\",\"play\":\"x\"}\n");
  EXPECT_EQ(A.view, 0);
  EXPECT_FALSE(A.focused);
  EXPECT_EQ(A.launcher, "x");
  EXPECT_FALSE(A.installed);

  A.focused = true;
  run_job_printing("{\"type\":\"end\",\"result\":\"ok\",\"play\":\"/opt/t/tarnwell.sh\"}\n");
  EXPECT_EQ(A.view, 3);
  EXPECT_FALSE(A.focused);
  EXPECT_TRUE(A.installed);
  EXPECT_EQ(A.flash, 1.0f);
  EXPECT_EQ(A.launcher, "/opt/t/tarnwell.sh");
  EXPECT_GE(A.finished_at, A.started_at);

  run_job_printing("{\"type\":\"end\",\"result\":\"OK\",\"play\":\"x\"}\n");
  EXPECT_EQ(A.view, 2) << "results match byte for byte";
}

TEST_F(Protocol, InstallationEndingOkWithoutPlayAsksAgain) {
  A.backend = backend(
      "if '--info' in args:\n"
      "    say(version='after', missing=[])\n"
      "else:\n"
      "    say(type='end', result='ok')\n");
  A.missing = {"cmake"};
  A.info_ready = true;
  Lines install = A.backend;
  install.push_back("--install-packages");
  install.push_back("--json");
  start_run(install);
  ASSERT_TRUE(wait_for([] { return A.view != 1; }, poll_backend));
  EXPECT_EQ(A.view, 0);
  EXPECT_FALSE(A.focused);
  EXPECT_FALSE(A.info_ready) << "a new info query is under way";
  EXPECT_NE(g_info.proc, nullptr);
  settle();
  EXPECT_TRUE(A.info_ready);
  EXPECT_EQ(A.version, "after");
  EXPECT_TRUE(A.missing.empty());
  EXPECT_EQ(recorded("args-job"), Lines({"--install-packages", "--json"}));
}

TEST_F(Protocol, ProcessEndingWithoutEnd) {
  A.focused = true;
  run_job_printing(msg_log("working"));
  EXPECT_EQ(A.view, 2);
  EXPECT_FALSE(A.focused);
  EXPECT_EQ(A.error, "Setup stopped unexpectedly.");

  run_job_printing("{\"type\":\"error\",\"text\":\"Out of memory\"}\n");
  EXPECT_EQ(A.view, 2);
  EXPECT_EQ(A.error, "Out of memory") << "an earlier error stays";

  // A job that printed "end" and then exits is not reported again.
  run_job_printing("{\"type\":\"end\",\"result\":\"cancelled\"}\n");
  EXPECT_EQ(A.view, 0);
  EXPECT_EQ(A.error, "");
}

TEST_F(Protocol, CancelWritesTheMarkerAndTheBackendStops) {
  std::string dest = s.path("dest");
  std::filesystem::create_directories(dest + "/.setup");
  A.backend = backend(
      "say(type='start', steps=[{'id': 'a', 'title': 'A'}])\n"
      "wait_for_file(os.path.join(arg('--dest'), '.setup', 'cancel'))\n"
      "say(type='end', result='cancelled')\n");
  A.game = "g";
  A.dest = dest;
  start_build();
  ASSERT_TRUE(wait_for([] { return !A.steps.empty(); }, poll_backend));
  A.dest = s.path("chosen-meanwhile");  // a dialog left open chose another folder
  cancel_build();
  EXPECT_TRUE(A.cancelling);
  EXPECT_EQ(cancel_marker_path(), dest + "/.setup/cancel") << "the folder the job was started with";
  EXPECT_TRUE(std::filesystem::exists(dest + "/.setup/cancel"));
  EXPECT_EQ(std::filesystem::file_size(dest + "/.setup/cancel"), 0u);
  settle();
  EXPECT_EQ(A.view, 0);
  EXPECT_EQ(A.error, "");
}

TEST_F(Protocol, CancelEmptiesAnOldMarkerAndAQuietEndGoesBackToTheForm) {
  std::string dest = s.path("dest");
  std::filesystem::create_directories(dest + "/.setup");
  s.write("dest/.setup/cancel", "left over");
  A.backend = backend(
      "say(type='start', steps=[{'id': 'a', 'title': 'A'}])\n"
      "while os.path.getsize(os.path.join(arg('--dest'), '.setup', 'cancel')): time.sleep(0.005)\n");
  A.game = "g";
  A.dest = dest;
  start_build();
  ASSERT_TRUE(wait_for([] { return !A.steps.empty(); }, poll_backend));
  A.focused = true;
  cancel_build();
  EXPECT_EQ(std::filesystem::file_size(dest + "/.setup/cancel"), 0u);
  settle();
  EXPECT_EQ(A.view, 0) << "after Cancel a job that just ends leads back to the form";
  EXPECT_EQ(A.error, "");
  EXPECT_FALSE(A.focused) << "the form, shown anew, gives its next step the focus";
}

TEST_F(Protocol, CancelKillsWhenTheMarkerFolderIsMissing) {
  std::string dest = s.path("not-yet");
  A.backend = backend(
      "say(type='start', steps=[{'id': 'a', 'title': 'A'}])\n"
      "while True: time.sleep(1)\n");
  A.game = "g";
  A.dest = dest;
  start_build();
  ASSERT_TRUE(wait_for([] { return !A.steps.empty(); }, poll_backend));
  for (int i = 0; i < 50; i++) poll_backend();  // a backend that never ends keeps the job running
  EXPECT_EQ(A.view, 1);
  cancel_build();
  EXPECT_FALSE(std::filesystem::exists(dest)) << "nothing is created for the marker";
  settle();
  EXPECT_EQ(A.view, 0);
  EXPECT_EQ(A.error, "");
}

// The installation of build tools is not told the install folder, so no marker can reach
// it: Cancel asks the process to stop at once, and so does closing the window.
TEST_F(Protocol, CancellingAJobWithoutAMarkerStopsItsProcess) {
  A.dest = s.path("dest");
  std::filesystem::create_directories(A.dest + "/.setup");
  std::vector<std::string> job = backend(
      "import signal\n"
      "signal.signal(signal.SIGTERM, lambda *a: (say(type='end', result='cancelled'), sys.exit(3)))\n"
      "say(type='start', steps=[{'id': 'tools', 'title': 'Tools'}])\n"
      "while True: time.sleep(0.01)\n");
  job.insert(job.end(), {"--install-packages", "--json"});
  for (bool closing : {false, true}) {
    start_run(job);
    ASSERT_TRUE(wait_for([] { return !A.steps.empty(); }, poll_backend));
    Uint64 asked = SDL_GetTicks();
    if (closing) {
      stop_build();
      EXPECT_FALSE(g_build.proc);
    } else {
      cancel_build();
      settle();
      EXPECT_EQ(A.view, 0);
    }
    EXPECT_LT(SDL_GetTicks() - asked, 2000u) << (closing ? "closing" : "cancel");
    EXPECT_FALSE(std::filesystem::exists(A.dest + "/.setup/cancel")) << "no marker is written for it";
  }
}

// Processes of the group `group` that have not exited.
std::vector<long long> alive_in_group(long long group) {
  std::vector<long long> alive;
  each_process([&](const ProcStat& s) {
    if (s.group == group && !has_exited(s)) alive.push_back(s.pid);
    return true;
  });
  return alive;
}

// A backend deaf to the marker and to SIGTERM, with a child as deaf (a compiler, a build
// server): once its time after Cancel is up the whole job is ended as quitting ends it,
// then by force, the log says so, and nothing of the job is left. A process that still
// cannot be seen to end is let go of a moment later.
TEST_F(Protocol, AJobThatIgnoresCancelIsEndedWholeAndTheFormComesBack) {
  std::string dest = s.path("dest");
  std::filesystem::create_directories(dest + "/.setup");
  A.backend = backend(
      "import signal, subprocess\n"
      "signal.signal(signal.SIGTERM, signal.SIG_IGN)\n"
      "subprocess.Popen([sys.executable, '-c', 'import signal, time; signal.signal(signal.SIGTERM, "
      "signal.SIG_IGN); time.sleep(600)'])\n"
      "say(type='start', steps=[{'id': 'a', 'title': 'A'}])\n"
      "while True: time.sleep(0.01)\n");
  A.game = "g";
  A.dest = dest;
  for (bool reachable : {true, false}) {
    start_build();
    long long group = g_build.group;
    ASSERT_GT(group, 0);
    ASSERT_TRUE(wait_for([&] { return !A.steps.empty() && alive_in_group(group).size() == 2; }, poll_backend))
        << "the backend and its child";
    cancel_build();
    EXPECT_GE(A.cancel_deadline, SDL_GetTicks() + CANCEL_GRACE_MS - 1000);
    for (int i = 0; i < 20; i++) poll_backend();
    EXPECT_EQ(A.view, 1) << "it is given its time";
    EXPECT_TRUE(A.log.empty());
    A.cancel_deadline = SDL_GetTicks();  // its time is up
    poll_backend();
    EXPECT_EQ(
        A.log,
        Lines({"(the job did not stop by itself after Cancel, so Setup ended it and all it had started)"}));
    EXPECT_EQ(A.cancel_kills, 1);
    for (int i = 0; i < 20; i++) poll_backend();
    EXPECT_EQ(A.view, 1) << "SIGTERM is ignored";
    EXPECT_EQ(alive_in_group(group).size(), 2u);
    A.cancel_deadline = SDL_GetTicks();
    pid_t decoy = 0;
    if (!reachable) {
      // A process the kill cannot reach (a setuid package manager) is stood in for by the
      // job itself: the forced end goes to a group of the test's own instead, and the job
      // still runs after it.
      decoy = fork();
      if (decoy == 0) {
        setpgid(0, 0);
        pause();
        _exit(0);
      }
      setpgid(decoy, decoy);
      g_build.group = decoy;
      g_build.tree_checked_at = 0;
      poll_backend();
      EXPECT_EQ(A.cancel_kills, 2);
      for (int i = 0; i < 20; i++) poll_backend();
      EXPECT_EQ(A.view, 1);
      EXPECT_GE(A.cancel_deadline, SDL_GetTicks() + CANCEL_RELEASE_MS - 1000);
      A.cancel_deadline = SDL_GetTicks();
    }
    settle();
    EXPECT_EQ(A.cancel_kills, 2);
    EXPECT_EQ(A.view, 0);
    EXPECT_EQ(A.log.size(), 1u) << "said once";
    if (decoy) {
      waitpid(decoy, nullptr, 0);
      kill(-(pid_t)group, SIGKILL);  // the job that stood for the unreachable one
    }
    EXPECT_TRUE(wait_for([&] { return alive_in_group(group).empty(); }, [] {}))
        << "nothing of the job is left";
  }
}

// After Cancel the run is over only when every process the backend started has ended:
// a package manager it left behind keeps the view at "STOPPING".
TEST_F(Protocol, ACancelledRunEndsOnlyWithTheLastOfItsProcesses) {
  std::string left = s.path("left-running");
  std::vector<std::string> job = backend(
      "import signal, subprocess\n"
      "signal.signal(signal.SIGTERM, lambda *a: sys.exit(3))\n"
      "subprocess.Popen([sys.executable, '-c', 'import sys, time; time.sleep(1.5); open(sys.argv[1], "
      "\"w\")', "
      "sys.argv[-1]])\n"
      "say(type='start', steps=[{'id': 'tools', 'title': 'Tools'}])\n"
      "while True: time.sleep(0.01)\n");
  job.insert(job.end(), {"--install-packages", "--json", left});
  start_run(job);
  ASSERT_TRUE(wait_for([] { return !A.steps.empty(); }, poll_backend));
  cancel_build();
  ASSERT_TRUE(wait_for([] { return g_build.ended_at != 0; }, poll_backend)) << "the backend ends at once";
  EXPECT_EQ(A.view, 1);
  EXPECT_TRUE(g_build.proc) << "what it started still runs";
  EXPECT_FALSE(std::filesystem::exists(left));
  settle();
  EXPECT_TRUE(std::filesystem::exists(left)) << "the form came back only after it ended";
  EXPECT_EQ(A.view, 0);
}

// A cancelled run that has said its end while a process it started still works brings the
// form back, but no new job starts until that process has ended: presses of Build start
// nothing and the old run stays followed.
TEST_F(Protocol, BuildIsHeldAfterACancelUntilTheOldRunIsReleased) {
  std::vector<std::string> job = backend(
      "import signal, subprocess\n"
      "subprocess.Popen([sys.executable, '-c', 'import time; time.sleep(1.5)'])\n"
      "def stop(*a):\n"
      "    say(type='end', result='cancelled'); sys.exit(0)\n"
      "signal.signal(signal.SIGTERM, stop)\n"
      "say(type='start', steps=[{'id': 'tools', 'title': 'Tools'}])\n"
      "while True: time.sleep(0.01)\n");
  job.push_back("--install-packages");
  start_run(job);
  ASSERT_TRUE(wait_for([] { return !A.steps.empty(); }, poll_backend));
  const long long group = g_build.group;
  cancel_build();
  ASSERT_TRUE(wait_for([] { return A.view == 0; }, poll_backend)) << "the form comes back";
  ASSERT_TRUE(job_held()) << "while the process the backend started still runs";
  SDL_Process* old = g_build.proc;
  for (int press = 0; press < 3; press++) {
    start_run(job);
    EXPECT_EQ(g_build.proc, old) << "press " << press << " let go of the old run";
    EXPECT_EQ(g_build.group, group);
    EXPECT_EQ(A.view, 0);
  }
  settle();
  EXPECT_FALSE(job_held());
  EXPECT_TRUE(alive_in_group(group).empty());
  start_run(job);
  EXPECT_EQ(A.view, 1) << "once released, Build starts a job";
  EXPECT_TRUE(job_held());
}

// Whatever the backend sends, the job keeps a bounded record: long lines cut with a count
// of what was cut, at most 200 step rows and 50 warnings plus one that counts the rest.
TEST_F(Protocol, LongAndManyMessagesAreKeptWithinBounds) {
  A.backend = backend(
      "long_id = 'i' * 1000\n"
      "say(type='start', steps=[{'id': long_id if n == 0 else 's%d' % n, 'title': 'T' * 5000} for n in "
      "range(150)])\n"
      "say(type='start', steps=[{'id': 'x%d' % n, 'title': 'x'} for n in range(150)])\n"
      "say(type='step', step=long_id, state='started')\n"
      "say(type='log', line='\u00e9' * 10000)\n"
      "for n in range(120): say(type='warning', text='w%d' % n)\n"
      "say(type='progress', text='p' * 10000, done=1, total=2)\n"
      "say(type='error', text='e' * 5000, detail='d' * 3000000, command='c' * 40000)\n"
      "say(type='end', result='failed')\n");
  A.game = "g";
  A.dest = s.path("dest");
  start_build();
  settle();
  ASSERT_EQ(A.steps.size(), STEPS_KEEP);
  EXPECT_EQ(A.current, 0) << "a long id still finds its row";
  EXPECT_EQ(A.steps[0].state, 1);
  EXPECT_EQ(A.steps[0].id.size(), FIELD_KEEP);
  EXPECT_EQ(A.steps[1].title, std::string(FIELD_KEEP, 'T') + "\u2026 (4,700 bytes more)");
  EXPECT_EQ(A.steps.back().id, "x49");
  ASSERT_EQ(A.warnings.size(), WARNINGS_KEEP + 1);
  EXPECT_EQ(A.warnings[WARNINGS_KEEP - 1], "w49");
  EXPECT_EQ(A.warnings.back(), "70 more warnings are in the log.");
  EXPECT_EQ(A.log.back(), "warning: w119") << "the log has every warning";
  auto cut = std::find_if(A.log.begin(), A.log.end(), [](const std::string& l) { return l[0] == '\xC3'; });
  ASSERT_NE(cut, A.log.end());
  // 4096 bytes hold 2048 two-byte characters whole; the rest is counted.
  EXPECT_EQ(*cut, [] {
    std::string e;
    for (int i = 0; i < 2048; i++) e += "\u00e9";
    return e + "\u2026 (15,904 bytes more)";
  }());
  EXPECT_NE(std::find(A.log.begin(), A.log.end(), "(100 more steps are not listed)"), A.log.end());
  for (const std::string& line : A.log) EXPECT_LE(line.size(), LINE_KEEP + 32);
  // Single texts are cut the same way, each at its own bound.
  EXPECT_EQ(A.step_text, std::string(LINE_KEEP, 'p') + "\u2026 (5,904 bytes more)");
  EXPECT_EQ(A.error, std::string(LINE_KEEP, 'e') + "\u2026 (904 bytes more)");
  EXPECT_TRUE(A.error_detail == std::string(DETAIL_KEEP, 'd') + "\u2026 (2,983,616 bytes more)")
      << A.error_detail.size();
  EXPECT_EQ(A.error_command, std::string(COMMAND_KEEP, 'c') + "\u2026 (7,233 bytes more)");
}

TEST_F(Protocol, JobThatCannotStart) {
  A.backend = {"/nonexistent/tarnwell-backend", "-m", "setup"};
  A.game = "g";
  A.dest = "d";
  A.focused = true;
  start_build();
  EXPECT_EQ(g_build.proc, nullptr);
  EXPECT_EQ(A.view, 2);
  EXPECT_FALSE(A.focused);
  EXPECT_EQ(A.error, "Setup could not be started.");
  EXPECT_FALSE(A.error_detail.empty());
  EXPECT_EQ(A.error_detail, SDL_GetError()) << "SDL's reason";
  poll_backend();
  EXPECT_EQ(A.view, 2);
}

TEST_F(Protocol, BadOutputNeverHurts) {
  std::string nul_inside = "{\"type\":\"log\",\"line\":\"a" + std::string(1, '\0') + "b\"}";
  std::string nul_after = msg_log("before nul");
  nul_after.insert(nul_after.size() - 1, std::string("\0{junk", 6));
  std::string garbage = "\x01\x02\xFF\xFE\xC3(\x80 {\"type\"";
  // More values than one line may hold: a parse of it would take many times its size.
  std::string many_values = "{\"type\":\"log\",\"x\":[";
  for (size_t i = 0; i < JSON_MAX_VALUES; i++) many_values += "0,";
  many_values += "0]}";
  run_job_printing(garbage + "\n" + nul_inside + "\n" + nul_after +
                   "{\"type\":\"log\",\"line\":\"crlf\"}\r\n"
                   "plain\r\n"
                   "[\"an\",\"array\"]\n"
                   "3.5\n"
                   "{}\n"
                   "{\"type\":\"nonsense\"}\n"
                   "{\"type\":\"log\",\"line\":\"utf8 \xFF\xC0 \\u00e9\"}\n"
                   "{\"type\":\"log\",\"line\":\"" +
                   std::string(3000000, 'z') + "\"}\n" + std::string(100000, '[') + "\n" + many_values +
                   "\n" + std::string(PROC_MAX_LINE + 1, 'w') + "\n" +
                   "{\"type\":\"end\",\"result\":\"failed\"}\n"
                   "{\"type\":\"log\",\"line\":\"no newline\"}");
  ASSERT_EQ(A.log.size(), 12u);
  EXPECT_EQ(A.log[0], garbage);
  EXPECT_EQ(A.log[1], nul_inside) << "read up to the NUL it is no object: kept whole, as it came";
  EXPECT_EQ(A.log[2], "before nul") << "what follows a NUL is not read";
  EXPECT_EQ(A.log[3], "crlf");
  EXPECT_EQ(A.log[4], "plain\r");
  EXPECT_EQ(A.log[5], "[\"an\",\"array\"]");
  EXPECT_EQ(A.log[6], "3.5");
  EXPECT_EQ(A.log[7], "utf8 \xFF\xC0 \xC3\xA9");
  // Long lines are kept cut, with what was cut counted.
  EXPECT_TRUE(A.log[8] == std::string(4096, 'z') + "\u2026 (2,995,904 bytes more)") << A.log[8].substr(0, 80);
  EXPECT_TRUE(A.log[9] == std::string(4096, '[') + "\u2026 (95,904 bytes more)")
      << "too deep to read: a raw line";
  EXPECT_TRUE(A.log[10] == many_values.substr(0, 4096) + "\u2026 (195,926 bytes more)")
      << "too many values to read: a raw line; " << A.log[10].substr(4090);
  EXPECT_EQ(A.log[11], PROC_DROPPED) << "too long to be a message: not kept at all";
  EXPECT_EQ(A.view, 2);
}

TEST_F(Protocol, BackendDyingMidLine) {
  A.backend = backend(
      "sys.stdout.write('{\"type\":\"log\",\"line\":\"first\"}\\n{\"type\":\"end\",\"res')\n"
      "sys.stdout.flush()\n"
      "os.kill(os.getpid(), 9)\n");
  start_build();
  settle();
  EXPECT_EQ(A.log, Lines({"first"}));
  EXPECT_EQ(A.view, 2);
  EXPECT_EQ(A.error, "Setup stopped unexpectedly.");
}

TEST_F(Protocol, IconWithoutARendererStillFlashes) {
  ASSERT_EQ(g_ren, nullptr);
  run_job_printing("{\"type\":\"icon\",\"path\":\"" + s.path("none.png") + "\"}\n");
  EXPECT_EQ(A.icon, nullptr);
  EXPECT_EQ(A.flash, 1.0f);
}

TEST_F(Protocol, IconReplacesTheEmblemOnlyWhenItLoads) {
  SDL_Surface* target = SDL_CreateSurface(64, 64, SDL_PIXELFORMAT_RGBA32);
  ASSERT_NE(target, nullptr);
  g_ren = SDL_CreateSoftwareRenderer(target);
  if (!g_ren) {
    SDL_DestroySurface(target);
    GTEST_SKIP() << "no software renderer: " << SDL_GetError();
  }
  SDL_Surface* picture = SDL_CreateSurface(8, 8, SDL_PIXELFORMAT_RGBA32);
  SDL_FillSurfaceRect(picture, nullptr, 0xFF00FFFF);
  std::string png = s.path("icon.png");
  ASSERT_TRUE(save_png(picture, png.c_str()));
  SDL_DestroySurface(picture);
  s.write("broken.png", "not a picture");

  run_job_printing("{\"type\":\"icon\",\"path\":\"" + png + "\"}\n");
  SDL_Texture* first = A.icon;
  EXPECT_NE(first, nullptr);
  A.flash = 0;
  run_job_printing("{\"type\":\"icon\",\"path\":\"" + s.path("broken.png") + "\"}\n");
  EXPECT_EQ(A.icon, first) << "the old icon stays";
  EXPECT_EQ(A.flash, 1.0f);
  run_job_printing("{\"type\":\"icon\",\"path\":\"" + png + "\"}\n");
  EXPECT_NE(A.icon, nullptr);

  SDL_DestroyTexture(A.icon);
  A.icon = nullptr;
  SDL_DestroyRenderer(g_ren);
  g_ren = nullptr;
  SDL_DestroySurface(target);
}

TEST_F(Protocol, InfoQueryAndJobRunSideBySide) {
  A.backend = backend(
      "if '--info' in args:\n"
      "    say(version='9', gpu='Card')\n"
      "    wait_for_file(os.path.join(here, 'info-go'))\n"
      "else:\n"
      "    say(type='log', line='building')\n"
      "    wait_for_file(os.path.join(here, 'job-go'))\n"
      "    say(type='end', result='ok', play='p')\n");
  ask_info();
  A.game = "g";
  A.dest = "d";
  ASSERT_TRUE(wait_for([] { return A.info_ready; }, poll_backend));
  start_build();
  ASSERT_TRUE(wait_for([] { return !A.log.empty(); }, poll_backend));
  EXPECT_NE(g_info.proc, nullptr);
  EXPECT_NE(g_build.proc, nullptr);
  s.write("job-go", "");
  ASSERT_TRUE(wait_for([] { return A.view == 3; }, poll_backend));
  s.write("info-go", "");
  settle();
  EXPECT_EQ(A.gpu, "Card");
  EXPECT_EQ(A.log, Lines({"building"}));
}

TEST_F(Protocol, NothingRunningChangesNothing) {
  A.view = 2;
  A.error = "kept";
  A.log = {"kept"};
  poll_backend();
  EXPECT_EQ(A.view, 2);
  EXPECT_EQ(A.error, "kept");
  EXPECT_EQ(A.log, Lines({"kept"}));
  cancel_build();  // no job and no dest: nothing to write, nothing to kill
  EXPECT_TRUE(A.cancelling);
}

}  // namespace
