// proc_check.exe OUT PROGRAM ARGS...: runs PROGRAM through the program's own process
// runner, polling it as the frame loop does (about 60 times a second), and writes every
// line it delivered to the file OUT, each followed by "\n". Exit code 0, or 1 when the
// program could not be started.
#include "backend/proc.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) return 1;
  std::vector<std::string> args(argv + 2, argv + argc);
  Proc p;
  if (!p.start(args)) return 1;
  std::vector<std::string> lines;
  int code = 0;
  while (p.poll(lines, &code)) SDL_Delay(16);
  FILE* out = fopen(argv[1], "wb");
  if (!out) return 1;
  for (const std::string& line : lines) {
    fwrite(line.data(), 1, line.size(), out);
    fputc('\n', out);
  }
  fclose(out);
  return 0;
}
