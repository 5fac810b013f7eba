#include "platform/hand.h"

#include "text/language.h"

Hand g_last_hand = Hand::NONE;
SDL_GamepadType g_pad_type = SDL_GAMEPAD_TYPE_STANDARD;

std::string pad_button_name(SDL_GamepadButton button) {
  const bool playstation = g_pad_type == SDL_GAMEPAD_TYPE_PS3 || g_pad_type == SDL_GAMEPAD_TYPE_PS4 ||
                           g_pad_type == SDL_GAMEPAD_TYPE_PS5;
  const bool nintendo = g_pad_type >= SDL_GAMEPAD_TYPE_NINTENDO_SWITCH_PRO &&
                        g_pad_type <= SDL_GAMEPAD_TYPE_NINTENDO_SWITCH_JOYCON_PAIR;
  if (button == SDL_GAMEPAD_BUTTON_LEFT_SHOULDER) return playstation ? "L1" : nintendo ? "L" : "LB";
  if (button == SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER) return playstation ? "R1" : nintendo ? "R" : "RB";
  switch (SDL_GetGamepadButtonLabelForType(g_pad_type, button)) {
    case SDL_GAMEPAD_BUTTON_LABEL_A: return "A";
    case SDL_GAMEPAD_BUTTON_LABEL_B: return "B";
    case SDL_GAMEPAD_BUTTON_LABEL_X: return "X";
    case SDL_GAMEPAD_BUTTON_LABEL_Y: return "Y";
    case SDL_GAMEPAD_BUTTON_LABEL_CROSS: return tr("Cross");
    case SDL_GAMEPAD_BUTTON_LABEL_CIRCLE: return tr("Circle");
    case SDL_GAMEPAD_BUTTON_LABEL_SQUARE: return tr("Square");
    case SDL_GAMEPAD_BUTTON_LABEL_TRIANGLE: return tr("Triangle");
    default: {
      const char* name = SDL_GetGamepadStringForButton(button);
      return name ? name : "?";
    }
  }
}
