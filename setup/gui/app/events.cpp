#include "app/events.h"

#include "app/backdrop.h"
#include "app/window.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer3.h>

Hand g_last_hand = Hand::NONE;

bool is_input(const SDL_Event& e) {
  switch (e.type) {
    case SDL_EVENT_KEY_DOWN:
    case SDL_EVENT_KEY_UP:
    case SDL_EVENT_TEXT_INPUT:
    case SDL_EVENT_MOUSE_MOTION:
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
    case SDL_EVENT_MOUSE_BUTTON_UP:
    case SDL_EVENT_MOUSE_WHEEL:
    case SDL_EVENT_FINGER_DOWN:
    case SDL_EVENT_FINGER_UP:
    case SDL_EVENT_FINGER_MOTION:
    case SDL_EVENT_GAMEPAD_BUTTON_DOWN:
    case SDL_EVENT_GAMEPAD_BUTTON_UP:
    case SDL_EVENT_GAMEPAD_AXIS_MOTION: return true;
    default: return false;
  }
}

// A stick at rest wavers a little; only a push beyond this counts as the user's hand.
static const Sint16 STICK_PUSH = 16000;

static Hand hand_of(const SDL_Event& e) {
  switch (e.type) {
    case SDL_EVENT_KEY_DOWN: return Hand::KEYBOARD;
    case SDL_EVENT_MOUSE_BUTTON_DOWN: return e.button.which == SDL_TOUCH_MOUSEID ? Hand::TOUCH : Hand::MOUSE;
    case SDL_EVENT_MOUSE_WHEEL: return e.wheel.which == SDL_TOUCH_MOUSEID ? Hand::TOUCH : Hand::MOUSE;
    case SDL_EVENT_FINGER_DOWN: return Hand::TOUCH;
    case SDL_EVENT_GAMEPAD_BUTTON_DOWN: return Hand::GAMEPAD;
    case SDL_EVENT_GAMEPAD_AXIS_MOTION:
      return e.gaxis.value > STICK_PUSH || e.gaxis.value < -STICK_PUSH ? Hand::GAMEPAD : Hand::NONE;
    default: return Hand::NONE;
  }
}

// Confirm and back as printed on the gamepad: where its south button is labelled B (as on
// Nintendo's), the GUI swaps the two. Follows the gamepad pressed last.
static void follow_gamepad_layout(SDL_JoystickID id) {
  if (!ImGui::GetCurrentContext()) return;
  SDL_GamepadType type = SDL_GetGamepadTypeForID(id);
  ImGui::GetIO().ConfigNavSwapGamepadButtons =
      SDL_GetGamepadButtonLabelForType(type, SDL_GAMEPAD_BUTTON_SOUTH) == SDL_GAMEPAD_BUTTON_LABEL_B;
}

bool handle_event(const SDL_Event& e) {
  Hand hand = hand_of(e);
  if (e.type == SDL_EVENT_GAMEPAD_ADDED) follow_gamepad_layout(e.gdevice.which);
  if (e.type == SDL_EVENT_GAMEPAD_BUTTON_DOWN) follow_gamepad_layout(e.gbutton.which);
  if (hand != Hand::NONE) g_last_hand = hand;
  switch (e.type) {
    case SDL_EVENT_QUIT: return false;
    case SDL_EVENT_WINDOW_CLOSE_REQUESTED: return e.window.windowID != SDL_GetWindowID(g_win);
    case SDL_EVENT_RENDER_TARGETS_RESET:
      // What was drawn into textures is gone; the still picture is drawn again.
      forget_still_picture();
      return true;
    case SDL_EVENT_RENDER_DEVICE_RESET:
      // Every texture is gone: the still picture, the font atlas (uploaded again from the
      // pixels the GUI keeps) and the emblem (read again from its file).
      forget_still_picture();
      ImGui_ImplSDLRenderer3_DestroyDeviceObjects();
      reload_emblem();
      return true;
    default: return true;
  }
}
