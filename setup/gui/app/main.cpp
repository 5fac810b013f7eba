// Tarnwell Setup: start-up, the frame loop and the orderly shutdown.
#include "access/a11y.h"
#include "app/animate.h"
#include "app/cmdline.h"
#include "app/events.h"
#include "app/pacing.h"
#include "app/window.h"
#include "backend/proc.h"
#include "backend/protocol.h"
#include "look/backdrop.h"
#include "look/effects.h"
#include "look/font_fallback.h"
#include "look/language_choice.h"
#include "look/theme.h"
#include "platform/covered.h"
#include "platform/png_io.h"
#include "screens/browser.h"
#include "screens/column.h"
#include "screens/focus.h"
#include "screens/outcome.h"
#include "state/app.h"
#include "text/language.h"
#include "widgets/disk_jobs.h"
#include "widgets/layout_report.h"
#include "widgets/pickers.h"

#include <SDL3/SDL.h>
#include <SDL3/SDL_main.h>
#include <imgui.h>
#include <imgui_impl_sdl3.h>
#include <imgui_impl_sdlrenderer3.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

// One left click at App.click, delivered through the next turn's event drain.
static void push_scripted_click() {
  float x = 0, y = 0;
  sscanf(A.click.c_str(), "%f,%f", &x, &y);
  A.click.clear();
  SDL_WindowID id = SDL_GetWindowID(g_win);
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_EVENT_MOUSE_MOTION;
  e.motion.windowID = id;
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
  for (bool down : {true, false}) {
    SDL_zero(e);
    e.type = down ? SDL_EVENT_MOUSE_BUTTON_DOWN : SDL_EVENT_MOUSE_BUTTON_UP;
    e.button.windowID = id;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.down = down;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
  }
}

// Reads back what was just drawn and writes it to App.shot.
static void take_screenshot() {
  SDL_Surface* surface = SDL_RenderReadPixels(g_ren, nullptr);
  if (!surface) {
    fprintf(stderr, "shot failed: %s\n", SDL_GetError());
    return;
  }
  if (save_png(surface, A.shot.c_str()))
    printf("shot: %s\n", A.shot.c_str());
  else
    fprintf(stderr, "shot failed: %s\n", SDL_GetError());
  fflush(stdout);
  SDL_DestroySurface(surface);
}

static bool output_streaming() { return streaming(g_build) || streaming(g_info); }

static int run_frame_loop(Uint64 start) {
  Uint64 previous = start;
  bool running = true, shot_taken = false;
  int turns = 0;  // counted up to the second only
  int drawn_view = -1;
  bool language_glyphs_asked = false;
  Pace pace;
  while (running) {
    // The backend is asked about this PC once the first frame is out, so that its start
    // does not take the CPU from that frame.
    if (turns < 2 && ++turns == 2) ask_info();
    // Screen readers are answered every turn, drawn or not; the rest below is at most 50 ms.
    a11y_poll();
    Turn turn;
    if (!drain_events(turn)) running = false;
    if ((SDL_GetWindowFlags(g_win) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_OCCLUDED)) || window_covered()) {
      // Nothing to see, so nothing is drawn: keep the backend link alive and let the CPU
      // rest, but not while output is streaming in.
      poll_backend();
      SDL_Delay(output_streaming() ? 1 : (Uint32)a11y_rest_ms());
      pace.settle = SETTLE_FRAMES;  // drawn whole again when it shows
      continue;
    }
    turn.changed = poll_backend();
    bool dialog_closed = false;
    turn.changed |= take_picked_paths(&dialog_closed);
    if (dialog_closed) focus_back();
    turn.changed |= disk_tend();  // the game link's answer and the browser's
    turn.changed |= browser_take_answers();

    // Whether this turn draws: always where the picture moves and drawing is cheap; else
    // when something changed or is due, and the loop waits for input in between.
    Uint64 now = SDL_GetTicks();
    float t = (float)(now - start) / 1000.0f;
    turn.now = now;
    turn.job_running = A.view == 1 && g_build.proc;
    turn.urgent |= A.view != drawn_view || !running;
    turn.urgent |= a11y_pending();  // a screen reader pressed something, or asks for its first tree
    turn.urgent |= !A.click.empty() && t >= 1.0f;
    turn.urgent |= !A.shot.empty() && !shot_taken && t >= A.shot_at;
    turn.urgent |= A.copied_at && now >= A.copied_at + COPIED_MS && pace.last_drawn < A.copied_at + COPIED_MS;
    if (running && !frame_due(pace, g_effects, turn)) {
      uint64_t rest = std::min(rest_ms(pace, g_effects, turn, output_streaming()), a11y_rest_ms());
      SDL_WaitEventTimeout(nullptr, (Sint32)rest);
      continue;
    }

    int wi = 0, hi = 0;
    SDL_GetWindowSize(g_win, &wi, &hi);
    float W = (float)wi, H = (float)hi;
    float U = ui_scale(wi, hi);
    if (apply_asked_language(A.root)) {  // chosen in the window
      language_glyphs_asked = false;
      // The backend's texts on the form (the quality levels, the suggestion) come again in
      // the new language; the level the player chose stays chosen.
      if (A.view == 0 && turns >= 2) {
        if (A.quality >= 0 && (size_t)A.quality < A.levels.size()) A.quality_kept = A.levels[A.quality].id;
        ask_info();
      }
    }
    update_fonts(U);
    if (!language_glyphs_asked) {
      // The faces for the language's own script are in before its first text is drawn.
      language_glyphs_asked = true;
      for (const auto& message : g_lang.messages)
        for (const std::string& text : message.second) want_glyphs(text, F_ROW.face);
      update_fonts(U);
    }

    // A still picture: nothing drifts or pulses (the moving layers stay where they are at
    // the start) and eased values reach their targets at once.
    float dt = (float)(now - previous) / 1000.0f;
    const float mt = g_effects.motion ? t : 0.0f;
    const float ease_dt = g_effects.motion ? dt : 1e6f;
    ease_flash_and_glow(A, ease_dt);
    if (!A.click.empty() && t >= 1.0f) push_scripted_click();
    if (A.autobuild && A.info_ready && A.view == 0 && !A.game.empty() && !A.dest.empty() && !job_held()) {
      A.autobuild = false;
      start_build();
    }

    a11y_before_frame();
    ImGui_ImplSDLRenderer3_NewFrame();
    ImGui_ImplSDL3_NewFrame();
    ImGui::NewFrame();
    ease_shown_progress(A, ease_dt);
    draw_backdrop(W, H, U, mt);
    previous = now;
    drawn_view = A.view;
    column(W, H, U, mt);
    a11y_end_frame();

    ImGui::Render();
    SDL_SetRenderDrawColor(g_ren, 0, 0, 0, 255);
    SDL_RenderClear(g_ren);
    ImGui_ImplSDLRenderer3_RenderDrawData(ImGui::GetDrawData(), g_ren);
    if (!A.shot.empty() && !shot_taken && t >= A.shot_at) {
      take_screenshot();
      write_layout();
      shot_taken = true;
      running = false;
    }
    SDL_RenderPresent(g_ren);
    frame_drawn(pace, SDL_GetTicks());
  }

  close_dialogs();
  stop_build();
  release_backdrop();
  a11y_stop();
  ImGui_ImplSDLRenderer3_Shutdown();
  ImGui_ImplSDL3_Shutdown();
  ImGui::DestroyContext();
  SDL_DestroyRenderer(g_ren);
  SDL_DestroyWindow(g_win);
  SDL_Quit();
  return 0;
}

int main(int argc, char** argv) {
#ifdef _WIN32
  // A GUI program has no console; its messages go to the streams its caller handed it,
  // byte for byte ("\n", not the C runtime's "\r\n"), as on Linux.
  if (_fileno(stdout) >= 0) _setmode(_fileno(stdout), _O_BINARY);
  if (_fileno(stderr) >= 0) _setmode(_fileno(stderr), _O_BINARY);
#endif
  Cmdline cl;
  if (!scan_cmdline(argc, argv, A, cl)) {
    fputs(USAGE, stderr);
    return 2;
  }
  A.backend = backend_command(cl.backend, A.python);
  // --lang names the language; one we do not have leaves the one chosen in the window
  // before, else the system's.
  use_language(A.root, start_language(cl.lang));
#ifndef _WIN32
  // The system's own reasons (strerror) in the locale's language, which LANGUAGE steers;
  // numbers stay as the window writes them.
  setlocale(LC_MESSAGES, "");
#endif
  set_font_language(g_lang.code);  // Han characters in the glyph forms of the window's language
  if (getenv("TARNWELL_REPORT_LANGUAGE")) printf("language: %s\n", g_lang.code.c_str());

  SDL_SetAppMetadata("Tarnwell Setup", nullptr, "tarnwell-setup");
  // The browser takes typed text for its type-ahead; no on-screen keyboard for that.
  SDL_SetHint(SDL_HINT_ENABLE_SCREEN_KEYBOARD, "0");
  if (!SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMEPAD) || !open_window(cl.width, cl.height)) {
    fprintf(stderr, "SDL: %s\n", SDL_GetError());
    return 1;
  }
  load_icon();

  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  apply_theme();
  ImGui_ImplSDL3_InitForSDLRenderer(g_win, g_ren);
  ImGui_ImplSDLRenderer3_Init(g_ren);
  set_up_navigation();
  EffectsFacts facts;
  facts.choice = cl.effects;
  read_effects_facts(facts);
  g_effects = decide_effects(facts);
  watch_covering(g_win);
  a11y_start(g_win);

  return run_frame_loop(SDL_GetTicks());
}
