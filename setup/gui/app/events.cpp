#include "app/events.h"

#include "access/a11y.h"

#include "app/window.h"
#include "look/backdrop.h"

#include <imgui.h>
#include <imgui_impl_sdl3.h>
#include <imgui_impl_sdlrenderer3.h>
#include <imgui_internal.h>

// A stick inside this much of its rest counts as at rest, as the GUI reads it.
static const Sint16 STICK_DEAD_ZONE = 8000;

// Whether a stick's axis was last seen pushed, so that its way back to rest is input too.
static bool pushed_before(const SDL_GamepadAxisEvent& a, bool pushed_now) {
  static Uint64 pushed = 0;  // one bit for each of the first gamepads' axes
  int bit = (int)(a.which % 8) * 8 + a.axis % 8;
  bool before = (pushed >> bit) & 1;
  pushed = pushed_now ? pushed | (1ull << bit) : pushed & ~(1ull << bit);
  return before;
}

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
    case SDL_EVENT_GAMEPAD_BUTTON_UP: return true;
    case SDL_EVENT_GAMEPAD_AXIS_MOTION: {
      bool now = e.gaxis.value > STICK_DEAD_ZONE || e.gaxis.value < -STICK_DEAD_ZONE;
      return pushed_before(e.gaxis, now) || now;
    }
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
  g_pad_type = SDL_GetGamepadTypeForID(id);
  if (!ImGui::GetCurrentContext()) return;
  ImGui::GetIO().ConfigNavSwapGamepadButtons =
      SDL_GetGamepadButtonLabelForType(g_pad_type, SDL_GAMEPAD_BUTTON_SOUTH) == SDL_GAMEPAD_BUTTON_LABEL_B;
}

// The shoulders move by a page, as Page Up and Page Down do, on every gamepad.
static void shoulder_as_page_key(const SDL_GamepadButtonEvent& b) {
  if (!ImGui::GetCurrentContext()) return;
  if (b.button == SDL_GAMEPAD_BUTTON_LEFT_SHOULDER) ImGui::GetIO().AddKeyEvent(ImGuiKey_PageUp, b.down);
  if (b.button == SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER) ImGui::GetIO().AddKeyEvent(ImGuiKey_PageDown, b.down);
}

bool navigation_held() {
  if (!ImGui::GetCurrentContext()) return false;
  for (ImGuiKey key :
       {ImGuiKey_UpArrow, ImGuiKey_DownArrow, ImGuiKey_LeftArrow, ImGuiKey_RightArrow, ImGuiKey_Tab,
        ImGuiKey_PageUp, ImGuiKey_PageDown, ImGuiKey_GamepadDpadUp, ImGuiKey_GamepadDpadDown,
        ImGuiKey_GamepadDpadLeft, ImGuiKey_GamepadDpadRight, ImGuiKey_GamepadLStickUp,
        ImGuiKey_GamepadLStickDown, ImGuiKey_GamepadLStickLeft, ImGuiKey_GamepadLStickRight})
    if (ImGui::IsKeyDown(key)) return true;
  return false;
}

void set_up_navigation() {
  ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
  // Every gamepad drives the window. The west button is the browser's (all files), not
  // the GUI's switch between windows, of which there is one.
  ImGui_ImplSDL3_SetGamepadMode(ImGui_ImplSDL3_GamepadMode_AutoAll);
  ImGui::GetCurrentContext()->ConfigNavWindowingWithGamepad = false;
}

// Window events that change what must be on screen: a resize, the window shown again.
static bool window_changed(const SDL_Event& e) {
  return e.type >= SDL_EVENT_WINDOW_FIRST && e.type <= SDL_EVENT_WINDOW_LAST;
}

bool drain_events(Turn& turn) {
  bool going_on = true;
  for (SDL_Event e; SDL_PollEvent(&e);) {
    ImGui_ImplSDL3_ProcessEvent(&e);
    going_on &= handle_event(e);
    turn.input |= is_input(e);
    turn.urgent |= window_changed(e);
  }
  // A held key or button goes on moving the focus by the GUI's repeat, drawn as it goes.
  turn.input |= navigation_held();
  return going_on;
}

bool handle_event(const SDL_Event& e) {
  Hand hand = hand_of(e);
  if (e.type == SDL_EVENT_GAMEPAD_BUTTON_DOWN) follow_gamepad_layout(e.gbutton.which);
  if (e.type == SDL_EVENT_GAMEPAD_BUTTON_DOWN || e.type == SDL_EVENT_GAMEPAD_BUTTON_UP)
    shoulder_as_page_key(e.gbutton);
  if (hand != Hand::NONE) g_last_hand = hand;
  switch (e.type) {
    case SDL_EVENT_QUIT: return false;
    case SDL_EVENT_WINDOW_FOCUS_GAINED:
    case SDL_EVENT_WINDOW_FOCUS_LOST: a11y_window_focus(e.type == SDL_EVENT_WINDOW_FOCUS_GAINED); return true;
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
