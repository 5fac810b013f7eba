// What the frame loop makes of SDL's events besides handing them to the GUI: the end of
// the program, a renderer that lost its textures, and which hand the user last used.
#pragma once

#include <SDL3/SDL.h>

enum class Hand { NONE, MOUSE, KEYBOARD, GAMEPAD, TOUCH };

// The device of the last press or move that the user made.
extern Hand g_last_hand;

// Acts on one event after the GUI has seen it; false when it asks the program to end
// (a quit, or the window's close button).
bool handle_event(const SDL_Event& e);

// True for the events a person makes: keys, buttons, pointer, wheel, touch, gamepad.
bool is_input(const SDL_Event& e);
