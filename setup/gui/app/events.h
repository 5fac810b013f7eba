// What the frame loop makes of SDL's events besides handing them to the GUI: the end of
// the program, a renderer that lost its textures, and which hand the user last used.
#pragma once

#include "app/pacing.h"
#include "platform/hand.h"

#include <SDL3/SDL.h>

// Keys and gamepads move the GUI's focus; once the GUI's SDL backend is set up.
void set_up_navigation();

// Acts on one event after the GUI has seen it; false when it asks the program to end
// (a quit, or the window's close button).
bool handle_event(const SDL_Event& e);

// True for the events a person makes: keys, buttons, pointer, wheel, touch, gamepad. A
// stick that drifts inside its dead zone makes none.
bool is_input(const SDL_Event& e);

// Hands every waiting event to the GUI and to handle_event, and notes in `turn` the
// user's input and the window's changes; false when one asks the program to end.
bool drain_events(Turn& turn);

// A key or button that moves the focus is held down, so that a window that draws sparingly
// keeps drawing until the GUI's own repeat has moved it as far as the hand holds it.
bool navigation_held();
