/* Loaded with LD_PRELOAD into the setup program or the bare window: notes the wall clock
 * and the process's CPU time at every SDL_RenderPresent, and at exit writes them, with the
 * peak resident memory, to the file named by TARNWELL_PROBE_OUT. The program itself is
 * not changed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef struct SDL_Renderer SDL_Renderer;

#define MAX_FRAMES 200000
static long long wall_ns[MAX_FRAMES], cpu_ns[MAX_FRAMES];
static int frames;

static long long ns(clockid_t clock) {
  struct timespec ts;
  clock_gettime(clock, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

bool SDL_RenderPresent(SDL_Renderer* renderer) {
  static bool (*real)(SDL_Renderer*);
  if (!real) real = (bool (*)(SDL_Renderer*))dlsym(RTLD_NEXT, "SDL_RenderPresent");
  bool ok = real(renderer);
  if (frames < MAX_FRAMES) {
    wall_ns[frames] = ns(CLOCK_REALTIME);
    cpu_ns[frames] = ns(CLOCK_PROCESS_CPUTIME_ID);
    frames++;
  }
  return ok;
}

__attribute__((destructor)) static void write_out(void) {
  const char* path = getenv("TARNWELL_PROBE_OUT");
  if (!path) return;
  FILE* out = fopen(path, "w");
  if (!out) return;
  FILE* status = fopen("/proc/self/status", "r");
  char line[256];
  while (status && fgets(line, sizeof line, status))
    if (!strncmp(line, "VmHWM:", 6)) fprintf(out, "peak_kb %ld\n", strtol(line + 6, NULL, 10));
  if (status) fclose(status);
  for (int i = 0; i < frames; i++) fprintf(out, "%lld %lld\n", wall_ns[i], cpu_ns[i]);
  fclose(out);
}
