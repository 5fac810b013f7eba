// The one application-state record. Everything the setup shows or acts on lives in `A`;
// the main thread reads and writes it directly, once per frame.
#pragma once

#include <SDL3/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

struct Level {
  std::string id;     // passed to the backend after "--quality"
  std::string name;   // label of its button on the form
  std::string about;  // one line shown under the buttons when chosen
};

struct StepRow {
  std::string id;
  std::string title;
  int state = 0;  // 0 waiting, 1 running, 2 finished
};

struct App {
  // From the command line.
  std::string root;
  std::string python;
  std::string shot;
  std::string click;
  std::vector<std::string> backend;
  float shot_at = 2.0f;
  bool autobuild = false;

  // Facts about this PC, from the info reply.
  bool info_ready = false;
  bool info_failed = false;  // the query could not start, or ended without a reply
  bool installed = false;
  bool can_install = false;
  bool desktop = false;
  bool desktop_set = false;
  std::string version;
  std::string game;
  std::string dest;
  std::string gpu;
  std::string install_command;
  std::vector<std::string> missing;
  std::vector<Level> levels;
  int quality = 0;
  std::string quality_kept;  // the level chosen before the facts were asked again
  std::string suggested;
  std::string suggested_name;
  std::string suggested_why;

  // The running job and the view.
  int view = 0;          // 0 setup form, 1 job running, 2 stopped, 3 done
  bool focused = false;  // the view has given its own item the focus (screens/focus.h)
  bool show_log = false;
  bool cancelling = false;
  std::vector<StepRow> steps;
  int current = -1;
  float step_frac = 0;
  float shown_total = 0;
  float shown_step = 0;
  std::string step_text;
  std::string error;
  std::string error_detail;
  std::string error_command;
  std::string log_path;
  std::string launcher;
  std::vector<std::string> log;
  std::vector<std::string> warnings;
  size_t more_warnings = 0;         // warnings beyond those kept in `warnings`
  bool job_watches_marker = false;  // the job was told the install folder, so the cancel marker reaches it
  std::string job_dest;             // the install folder the job was started with: its marker's folder
  uint64_t cancel_deadline = 0;     // after Cancel: when a job that has not stopped by itself is ended
  int cancel_kills = 0;             // how often Setup has had to end the cancelled job itself
  uint64_t started_at = 0;
  uint64_t finished_at = 0;

  // Display state.
  SDL_Texture* icon = nullptr;
  std::string icon_path;  // the file `icon` was made from; empty for the setup's own
  float flash = 0;
  float glow = 0;
  std::string copied;
  uint64_t copied_at = 0;
  std::string game_dialog_error;  // why the last game dialog could not open at all
  std::string dest_dialog_error;  // the same for the install folder
};

extern App A;
