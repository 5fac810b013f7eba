/* pipe_child.exe MODE: a backend stand-in for the process runner's tests under Wine.
 *   zero     makes a zero-length write to its output, then writes 64 KiB of numbered
 *            lines in small writes, and exits: a 4 KiB pipe that nobody reads blocks it.
 *   chatty   starts "pipe_child.exe tick" with its own output handle, writes one line,
 *            gives the child a second to be at it, and exits, leaving it the pipe.
 *   tick     writes "tick" every 5 ms for 30 seconds: never quiet for long.
 *   tree [S] starts "pipe_child.exe nap S", writes one line and waits to be ended, as an
 *            installation that started a package manager.
 *   nap [S]  sleeps S seconds (default three) and writes nothing. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void put(HANDLE out, const char* text, DWORD n) {
  DWORD written = 0;
  WriteFile(out, text, n, &written, NULL);
}

int main(int argc, char** argv) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (argc < 2) return 2;
  if (strcmp(argv[1], "zero") == 0) {
    char line[64];
    put(out, "", 0);
    for (int i = 0, total = 0; total < 65536; i++) {
      int n = snprintf(line, sizeof line, "line %05d after a zero-length write\n", i);
      put(out, line, (DWORD)n);
      total += n;
    }
    put(out, "last\n", 5);
    return 0;
  }
  if (strcmp(argv[1], "chatty") == 0 || strcmp(argv[1], "tree") == 0) {
    const int tree = strcmp(argv[1], "tree") == 0;
    char self[MAX_PATH], command[MAX_PATH + 32];
    GetModuleFileNameA(NULL, self, sizeof self);
    snprintf(command, sizeof command, "\"%s\" %s %s", self, tree ? "nap" : "tick", argc > 2 ? argv[2] : "");
    STARTUPINFOA start;
    PROCESS_INFORMATION info;
    ZeroMemory(&start, sizeof start);
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = out;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    if (!CreateProcessA(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &start, &info)) return 3;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    put(out, "backend done\n", 13);
    Sleep(tree ? INFINITE : 1000);
    return 0;
  }
  if (strcmp(argv[1], "nap") == 0) {
    Sleep(argc > 2 && argv[2][0] ? (DWORD)atoi(argv[2]) * 1000 : 3000);
    return 0;
  }
  if (strcmp(argv[1], "tick") == 0) {
    for (int i = 0; i < 6000; i++) {
      put(out, "tick\n", 5);
      Sleep(5);
    }
    return 0;
  }
  return 2;
}
