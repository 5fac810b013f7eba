// The effects decision from injected renderer names, preferences and remote sessions, and
// the pacing of frames that follows from it.
#include "app/cmdline.h"
#include "app/pacing.h"
#include "look/effects.h"
#include "platform/system_motion.h"

#include <SDL3/SDL.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <map>
#include <string>
#include <vector>

namespace {

TEST(Effects, SlowRenderersAreKnownByName) {
  EXPECT_TRUE(slow_renderer("software", ""));
  EXPECT_TRUE(slow_renderer("opengl", "llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(slow_renderer("opengl", "softpipe"));
  EXPECT_TRUE(slow_renderer("opengl", "GDI Generic"));
  EXPECT_TRUE(slow_renderer("opengl", "Microsoft Basic Render Driver"));
  EXPECT_FALSE(slow_renderer("opengl", "Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(slow_renderer("opengl", "NVIDIA GeForce RTX 3060/PCIe/SSE2"));
  EXPECT_FALSE(slow_renderer("direct3d11", ""));
  EXPECT_FALSE(slow_renderer("", ""));
}

struct Case {
  EffectsChoice choice;
  const char* gl;  // GL_RENDERER of an OpenGL renderer
  bool reduced_motion, remote;
  bool motion, spare;
};

TEST(Effects, OneDecisionFromTheRendererTheWishesAndTheSwitch) {
  const char* gpu = "NVIDIA GeForce RTX 3060/PCIe/SSE2";
  const char* cpu = "llvmpipe (LLVM 15.0.6, 256 bits)";
  using C = EffectsChoice;
  for (const Case& c : std::vector<Case>{
           {C::AUTO, gpu, false, false, true, false},  // today's picture at the display's rate
           {C::AUTO, cpu, false, false, true, true},   // the same picture, drawn sparingly during a job
           {C::AUTO, gpu, true, false, false, false},  // the system asks for less motion
           {C::AUTO, gpu, false, true, false, false},  // a remote session
           {C::AUTO, cpu, true, true, false, true},
           {C::FULL, cpu, true, true, true, false},  // the full picture whatever the machine says
           {C::REDUCED, gpu, false, false, false, true},
       }) {
    EffectsFacts f;
    f.choice = c.choice;
    f.renderer = "opengl";
    f.gl_renderer = c.gl;
    f.reduced_motion = c.reduced_motion;
    f.remote = c.remote;
    Effects e = decide_effects(f);
    EXPECT_EQ(e.motion, c.motion) << (int)c.choice << " " << c.gl << " " << c.reduced_motion << c.remote;
    EXPECT_EQ(e.spare, c.spare) << (int)c.choice << " " << c.gl << " " << c.reduced_motion << c.remote;
  }
}

TEST(Effects, TheSwitchOnTheCommandLine) {
  EffectsChoice c = EffectsChoice::FULL;
  EXPECT_TRUE(parse_effects("auto", c));
  EXPECT_EQ(c, EffectsChoice::AUTO);
  EXPECT_TRUE(parse_effects("reduced", c));
  EXPECT_EQ(c, EffectsChoice::REDUCED);
  EXPECT_FALSE(parse_effects("Full", c));
  for (auto [value, want] :
       std::vector<std::pair<const char*, EffectsChoice>>{{"full", EffectsChoice::FULL},
                                                          {"reduced", EffectsChoice::REDUCED},
                                                          {"sparkly", EffectsChoice::AUTO}}) {
    char* argv[] = {(char*)"tarnwell-setup", (char*)"--root", (char*)"r", (char*)"--python", (char*)"p",
                    (char*)"--effects",      (char*)value};
    App app;
    Cmdline cl;
    EXPECT_TRUE(scan_cmdline(7, argv, app, cl));
    EXPECT_EQ(cl.effects, want) << value;
  }
}

TEST(Effects, RemoteSessionsFromTheEnvironment) {
  auto remote = [](std::map<std::string, std::string> vars) {
    return remote_from_environment([&](const char* name) -> const char* {
      auto it = vars.find(name);
      return it == vars.end() ? nullptr : it->second.c_str();
    });
  };
  EXPECT_TRUE(remote({{"XRDP_SESSION", "1"}, {"DISPLAY", ":10"}}));
  EXPECT_TRUE(remote({{"DISPLAY", "localhost:10.0"}, {"SSH_CONNECTION", "10.0.0.2 50000 10.0.0.1 22"}}));
  EXPECT_FALSE(remote({{"DISPLAY", ":0"}, {"SSH_CONNECTION", "10.0.0.2 50000 10.0.0.1 22"}}))
      << "ssh'd in, but the display is this machine's own";
  EXPECT_FALSE(remote({{"DISPLAY", "localhost:10.0"}}));
  EXPECT_FALSE(remote({{"DISPLAY", "/tmp/launch-x/org.xquartz:0"}, {"SSH_CLIENT", "x"}}));
  EXPECT_FALSE(remote({}));
}

TEST(Effects, WhatThePortalsSettingsMean) {
  EXPECT_TRUE(portal_asks_less_motion(true, 1, false, true));
  EXPECT_FALSE(portal_asks_less_motion(true, 0, false, true));
  EXPECT_TRUE(portal_asks_less_motion(false, 0, true, false)) << "GNOME's animations off";
  EXPECT_FALSE(portal_asks_less_motion(false, 1, false, false)) << "values not read mean nothing";
  EXPECT_FALSE(portal_asks_less_motion(true, 0, true, true));
}

// A session bus that takes the connection and never answers (a hung desktop) costs the
// start-up a moment, not libdbus's 25 s, and tells no wish.
TEST(Effects, ASilentSessionBusIsGivenUpOnAtOnce) {
  void* dbus = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
  if (!dbus) GTEST_SKIP() << "no libdbus: there is no bus to ask";
  dlclose(dbus);
  char dir[] = "/tmp/tarnwell-bus-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  std::string path = std::string(dir) + "/bus";
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  int bus = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(bus, (sockaddr*)&address, sizeof address), 0);
  ASSERT_EQ(listen(bus, 8), 0);  // connections wait in the backlog, never read
  const char* before = getenv("DBUS_SESSION_BUS_ADDRESS");
  std::string kept = before ? before : "";
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  Uint64 asked = SDL_GetTicks();
  EXPECT_FALSE(system_wants_less_motion());
  EXPECT_LT(SDL_GetTicks() - asked, 1000u);
  // Nor is the connection left hanging: the reading gives it up once it stops waiting.
  int conn = accept(bus, nullptr, nullptr);
  timeval wait = {5, 0};
  setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  char hello[256];
  ssize_t n;
  while ((n = read(conn, hello, sizeof hello)) > 0) {
  }
  EXPECT_EQ(n, 0) << "closed, not still waiting";
  close(conn);
  before ? setenv("DBUS_SESSION_BUS_ADDRESS", kept.c_str(), 1) : unsetenv("DBUS_SESSION_BUS_ADDRESS");
  close(bus);
  unlink(path.c_str());
  rmdir(dir);
}

// A turn of a running job, with input or a change of the backend where asked.
Turn job_turn(bool input = false, bool changed = false) {
  Turn t;
  t.job_running = true;
  t.input = input;
  t.changed = changed;
  return t;
}

// Frames over `ms` milliseconds of turns 1 ms apart, with the turn's facts from `at`.
int frames_over(Pace& pace, const Effects& e, uint64_t from, uint64_t ms,
                const std::function<Turn(uint64_t)>& at) {
  int frames = 0;
  for (uint64_t now = from; now < from + ms; now++) {
    Turn t = at(now);
    t.now = now;
    if (frame_due(pace, e, t)) {
      frame_drawn(pace, now);
      frames++;
    }
  }
  return frames;
}

TEST(Pacing, DrawsEveryTurnOnlyWhereThePictureMovesAndDrawingIsCheap) {
  Effects fast, slow, still;
  slow.spare = true;
  still.motion = false;
  EXPECT_TRUE(continuous(fast, true));
  EXPECT_TRUE(continuous(slow, false)) << "the form with no job: today's picture";
  EXPECT_FALSE(continuous(slow, true));
  EXPECT_FALSE(continuous(still, false));
  Pace pace;
  auto running = [](uint64_t) { return job_turn(); };
  EXPECT_EQ(frames_over(pace, fast, 1000, 1000, running), 1000);
  // A slow renderer during a job: the settling frames, then a frame every SPARE_TICK_MS,
  // at least twice a second.
  pace = Pace();
  int spare = frames_over(pace, slow, 1000, 4000, running);
  EXPECT_EQ(spare, SETTLE_FRAMES + (int)(4000 / SPARE_TICK_MS) - 1);
  EXPECT_GE(1000.0 / SPARE_TICK_MS, 2.0);
}

TEST(Pacing, InputIsAnsweredAtOnce) {
  Effects slow, still;
  slow.spare = true;
  still.motion = false;
  auto key_at_2100 = [](uint64_t now) { return job_turn(now == 2100); };
  for (const Effects& e : {slow, still}) {
    Pace pace;
    frames_over(pace, e, 0, 2000, key_at_2100);
    int before = frames_over(pace, e, 2000, 100, key_at_2100);
    int answer = frames_over(pace, e, 2100, SETTLE_FRAMES, key_at_2100);
    EXPECT_EQ(answer, SETTLE_FRAMES) << "the key's own turn and the next draw";
    int after = frames_over(pace, e, 2100 + SETTLE_FRAMES, 1000, key_at_2100);
    if (e.spare) {
      EXPECT_LE(before + after, (int)(1100 / SPARE_TICK_MS) + 1) << "then the sparing pace again";
    } else {
      // Cheap drawing keeps the display's rate for a moment, for the widgets' answer.
      EXPECT_GE(after, (int)LIVELY_MS - SETTLE_FRAMES - 1);
      EXPECT_LE(after, (int)LIVELY_MS + 2);
    }
  }
}

TEST(Pacing, ChangesOfTheBackendAreDrawnButNotMoreOftenThanTheTickOnASlowRenderer) {
  Effects slow, still;
  slow.spare = true;
  still.motion = false;
  auto chatty = [](uint64_t now) { return job_turn(false, now % 10 == 0); };  // progress 100 times a second
  Pace pace;
  frames_over(pace, slow, 0, 100, chatty);
  EXPECT_EQ(frames_over(pace, slow, 100, 2000, chatty), (int)(2000 / SPARE_TICK_MS));
  // Still picture where drawing is cheap: each change is drawn at once.
  pace = Pace();
  frames_over(pace, still, 0, 100, chatty);
  EXPECT_EQ(frames_over(pace, still, 100, 1000, chatty), 100);
}

TEST(Pacing, AStillIdleFormDrawsNothingUntilSomethingChanges) {
  Effects still;
  still.motion = false;
  Pace pace;
  auto idle = [](uint64_t) { return Turn(); };
  EXPECT_EQ(frames_over(pace, still, 0, 5000, idle), SETTLE_FRAMES);
  EXPECT_EQ(frames_over(pace, still, 5000, 5000, idle), 0);
  Turn resized;
  resized.now = 20000;
  resized.urgent = true;
  EXPECT_TRUE(frame_due(pace, still, resized));
  // With a job, its elapsed time changes every second.
  pace = Pace();
  EXPECT_EQ(frames_over(pace, still, 0, 5000, [](uint64_t) { return job_turn(); }),
            SETTLE_FRAMES + (int)(5000 / STILL_TICK_MS) - 1);
  // Resting between frames never oversleeps a tick, and wakes soon while output streams.
  Turn job;
  job.job_running = true;
  job.now = pace.last_drawn + 500;
  EXPECT_EQ(rest_ms(pace, still, job, false), REST_MS) << "the backend is looked at all the same";
  job.now = pace.last_drawn + STILL_TICK_MS - 10;
  EXPECT_EQ(rest_ms(pace, still, job, false), 10u);
  job.now = pace.last_drawn + 10;
  EXPECT_EQ(rest_ms(pace, still, job, true), STREAM_REST_MS);
}

}  // namespace
