// Whether another window covers ours whole. SDL notices a minimised window but not a
// covered one; X tells it, and a covered window draws nothing, as a minimised one.
#pragma once

#include <SDL3/SDL.h>

// Starts following what X says of the window's visibility (nothing where the window is
// not an X window: Wayland and Windows compose windows and never tell).
void watch_covering(SDL_Window* window);

// True while the window is known to be covered whole.
bool window_covered();
