// proc_check.exe [--cancel|--end] OUT PROGRAM ARGS...: runs PROGRAM through the program's
// own process runner, polling it as the frame loop does (about 60 times a second), and
// writes every line it delivered to the file OUT, each followed by "\n". With --cancel the
// run is cancelled as the window cancels a job without a marker once its first line is in:
// the process is ended and the run lasts until every process it started has ended. With
// --end the whole tree is ended instead, as when a cancelled job's time is up. Exit code 0,
// or 1 when the program could not be started.
#include "backend/proc.h"
#include "backend/run_tree.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  bool cancel = argc > 1 && std::string(argv[1]) == "--cancel";
  bool end = argc > 1 && std::string(argv[1]) == "--end";
  argv += cancel || end, argc -= cancel || end;
  if (argc < 3) return 1;
  std::vector<std::string> args(argv + 2, argv + argc);
  Proc p;
  if (!p.start(args)) return 1;
  std::vector<std::string> lines;
  int code = 0;
  while (p.poll(lines, &code)) {
    if ((cancel || end) && !lines.empty() && !p.whole_tree) {
      p.whole_tree = true;
      if (end)
        end_tree(p, false);
      else
        end_backend(p, false);
    }
    SDL_Delay(16);
  }
  FILE* out = fopen(argv[1], "wb");
  if (!out) return 1;
  for (const std::string& line : lines) {
    fwrite(line.data(), 1, line.size(), out);
    fputc('\n', out);
  }
  fclose(out);
  return 0;
}
