// Windows: the tree as a UI Automation provider of the SDL window.
#ifdef _WIN32
#include "app/a11y.h"

bool a11y_platform_start(SDL_Window*) { return false; }
bool a11y_platform_poll() { return false; }
void a11y_platform_changed(const A11yTree&, const A11yTree&) {}
void a11y_platform_announce(const std::string&, bool) {}
void a11y_platform_stop() {}
#endif
