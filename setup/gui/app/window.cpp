#include "app/window.h"
#include "text/language.h"

#include "platform/png_io.h"
#include "state/app.h"
#include "widgets/pickers.h"

#include <string>

int window_height_for_desktop(int h) {
  if (h <= 0) return 900;
  if (h >= 2000) return 1440;
  if (h >= 1300) return 1080;
  if (h >= 1000) return 900;
  return 720;
}

bool open_window(int width, int height) {
  if (width == 0) {
    int dw = 0, dh = 0;
    height = window_height_for_desktop(desktop_size(&dw, &dh) ? dh : 0);
    width = height * 16 / 9;
  }
  // Shown only once it has its renderer: an OpenGL renderer makes SDL destroy the
  // window and create it anew, and a window shown before that would flash on the
  // desktop and leave behind one that other programs may already have found.
  g_win = SDL_CreateWindow(tr("Tarnwell Setup"), width, height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (!g_win) return false;
  g_ren = SDL_CreateRenderer(g_win, nullptr);
  if (!g_ren) return false;
  SDL_ShowWindow(g_win);
  SDL_SetRenderVSync(g_ren, 1);
  SDL_SetWindowMinimumSize(g_win, 960, 540);
  g_pick_lock = SDL_CreateMutex();
  return true;
}

void load_icon() {
  // Decoded once for both the window's icon and the emblem.
  std::string path = A.root + "/assets/icon.png";
  SDL_Surface* surface = load_png(path.c_str());
  if (!surface) return;
  SDL_SetWindowIcon(g_win, surface);
  if (SDL_Texture* texture = texture_of(surface)) {
    if (A.icon) SDL_DestroyTexture(A.icon);
    A.icon = texture;
  }
  SDL_DestroySurface(surface);
}

void reload_emblem() {
  std::string path = A.icon_path.empty() ? A.root + "/assets/icon.png" : A.icon_path;
  if (A.icon) SDL_DestroyTexture(A.icon);
  A.icon = load_texture(path.c_str());
}
