#include "platform/covered.h"

#if defined(__linux__)
#include <X11/Xlib.h>
#include <dlfcn.h>

#include <atomic>

namespace {
std::atomic<bool> g_covered{false};
unsigned long g_xwindow = 0;

// Sees every X event before SDL does; only the visibility of our window is kept.
bool SDLCALL on_x_event(void*, XEvent* e) {
  if (e->type == VisibilityNotify && e->xvisibility.window == g_xwindow)
    g_covered = e->xvisibility.state == VisibilityFullyObscured;
  return true;
}
}  // namespace

void watch_covering(SDL_Window* window) {
  SDL_PropertiesID props = SDL_GetWindowProperties(window);
  Display* display = (Display*)SDL_GetPointerProperty(props, SDL_PROP_WINDOW_X11_DISPLAY_POINTER, nullptr);
  g_xwindow = (unsigned long)SDL_GetNumberProperty(props, SDL_PROP_WINDOW_X11_WINDOW_NUMBER, 0);
  if (!display || !g_xwindow) return;
  // SDL has loaded Xlib already; its two calls are taken from there, so the program does
  // not depend on Xlib where there is no X.
  void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!xlib) return;
  auto get_attributes = (Status(*)(Display*, Window, XWindowAttributes*))dlsym(xlib, "XGetWindowAttributes");
  auto select_input = (int (*)(Display*, Window, long))dlsym(xlib, "XSelectInput");
  XWindowAttributes attributes;
  if (get_attributes && select_input && get_attributes(display, g_xwindow, &attributes)) {
    SDL_SetX11EventHook(on_x_event, nullptr);
    select_input(display, g_xwindow, attributes.your_event_mask | VisibilityChangeMask);
  }
  dlclose(xlib);
}

bool window_covered() { return g_covered; }
#else
void watch_covering(SDL_Window*) {}
bool window_covered() { return false; }
#endif
