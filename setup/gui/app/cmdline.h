// The command line: options into App, the usage line, and the backend command.
#pragma once

#include "look/effects.h"
#include "state/app.h"

#include <string>
#include <vector>

// Exactly one line, as the setup script's users see it.
extern const char USAGE[];

// What start-up needs besides the App fields: the requested window size (0 x 0 when
// none) and the --backend text (empty when not given).
struct Cmdline {
  int width = 0;
  int height = 0;
  std::string backend;
  EffectsChoice effects = EffectsChoice::AUTO;  // --effects; a value it does not know is "auto"
  std::string lang;                             // --lang: a language code, empty = the system's
};

// Scans argv[1..] into `app` and `cl`. Returns false when the usage line must be shown.
bool scan_cmdline(int argc, char** argv, App& app, Cmdline& cl);

// The backend prefix: the override split at spaces, or {python, "-m", "setup"}.
std::vector<std::string> backend_command(const std::string& override_text, const std::string& python);
