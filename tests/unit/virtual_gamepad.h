// A virtual gamepad for the tests that drive the GUI with one.
#pragma once

#include <SDL3/SDL.h>

// Attaches and opens a virtual gamepad; `vendor` and `product` choose the layout SDL gives
// it (0 for a generic one). Sets `*id` (0 when it could not be attached).
inline SDL_Joystick* open_virtual_gamepad(SDL_JoystickID* id, Uint16 vendor = 0, Uint16 product = 0) {
  SDL_VirtualJoystickDesc desc;
  SDL_INIT_INTERFACE(&desc);
  desc.type = SDL_JOYSTICK_TYPE_GAMEPAD;
  desc.naxes = SDL_GAMEPAD_AXIS_COUNT;
  desc.nbuttons = SDL_GAMEPAD_BUTTON_COUNT;
  desc.vendor_id = vendor;
  desc.product_id = product;
  *id = SDL_AttachVirtualJoystick(&desc);
  return *id ? SDL_OpenJoystick(*id) : nullptr;
}
