#include "app/cmdline.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char USAGE[] = "usage: tarnwell-setup --root DIR --python EXE (started by ./setup.sh)\n";

bool scan_cmdline(int argc, char** argv, App& app, Cmdline& cl) {
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    if (!strcmp(arg, "--autobuild")) {
      app.autobuild = true;
      continue;
    }
    static const char* const with_value[] = {"--root",  "--python",  "--backend", "--game",
                                             "--dest",  "--size",    "--shot",    "--shot-at",
                                             "--click", "--effects", "--lang"};
    int opt = -1;
    for (int k = 0; k < (int)(sizeof with_value / sizeof *with_value); k++)
      if (!strcmp(arg, with_value[k])) opt = k;
    if (opt < 0) continue;  // unknown: skipped on its own, the next one is examined
    // A value-taking option takes the next argument whatever it looks like.
    const char* value = i + 1 < argc ? argv[++i] : "";
    switch (opt) {
      case 0: app.root = value; break;
      case 1: app.python = value; break;
      case 2: cl.backend = value; break;
      case 3: app.game = value; break;
      case 4: app.dest = value; break;
      case 5: sscanf(value, "%dx%d", &cl.width, &cl.height); break;
      case 6: app.shot = value; break;
      case 7: app.shot_at = (float)atof(value); break;
      case 8: app.click = value; break;
      case 9:
        if (!parse_effects(value, cl.effects)) cl.effects = EffectsChoice::AUTO;
        break;
      case 10: cl.lang = value; break;
    }
  }
  return !app.root.empty() && !(app.python.empty() && cl.backend.empty());
}

std::vector<std::string> backend_command(const std::string& override_text, const std::string& python) {
  if (override_text.empty()) return {python, "-m", "setup"};
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= override_text.size()) {
    size_t space = override_text.find(' ', start);
    if (space == std::string::npos) space = override_text.size();
    if (space > start) words.push_back(override_text.substr(start, space - start));
    start = space + 1;
  }
  return words;
}
