// Which hand the user last used, and what the last gamepad's buttons are called: read by
// the views for their hints, noted by the frame loop's events (app/events.h).
#pragma once

#include <SDL3/SDL.h>

#include <string>

enum class Hand { NONE, MOUSE, KEYBOARD, GAMEPAD, TOUCH };

// The device of the last press or move that the user made.
extern Hand g_last_hand;

// The kind of gamepad pressed last, whose print the hints name.
extern SDL_GamepadType g_pad_type;

// What is printed on `button` of the gamepad used last ("A", "Cross", "LB", "L1", ...).
std::string pad_button_name(SDL_GamepadButton button);
