#include "screens/focus.h"

#include "access/a11y.h"

#include "screens/form.h"
#include "state/app.h"

#include <imgui.h>
#include <imgui_internal.h>

static int g_opener = ITEM_NONE;     // the item that opened the last dialog or browser
static int g_give_back = ITEM_NONE;  // the item that takes the focus on the form's next frame

void focus_opened_by(int item) { g_opener = item; }
int focus_opener() { return g_opener; }
void focus_back() { g_give_back = g_opener; }

// The one look into the GUI's own state: whether its focus frame shows.
bool nothing_focused() {
  ImGuiContext& g = *ImGui::GetCurrentContext();
  return g.NavId == 0 || g.NavWindow == nullptr || !g.NavCursorVisible;
}

static bool nav_key_pressed() {
  for (ImGuiKey key :
       {ImGuiKey_Tab, ImGuiKey_UpArrow, ImGuiKey_DownArrow, ImGuiKey_LeftArrow, ImGuiKey_RightArrow,
        ImGuiKey_GamepadDpadUp, ImGuiKey_GamepadDpadDown, ImGuiKey_GamepadDpadLeft, ImGuiKey_GamepadDpadRight,
        ImGuiKey_GamepadLStickUp, ImGuiKey_GamepadLStickDown})
    if (ImGui::IsKeyPressed(key, false)) return true;
  return false;
}

static ImGuiID west_owner() { return ImHashStr("##west button"); }

bool west_button_pressed() {
  return ImGui::IsKeyPressed(ImGuiKey_GamepadFaceLeft, ImGuiInputFlags_None, west_owner());
}

void focus_frame_begin() {
  // Held from frame to frame, so that the GUI's navigation never reads the button.
  ImGui::SetKeyOwner(ImGuiKey_GamepadFaceLeft, west_owner());
  if (nothing_focused() && nav_key_pressed()) A.focused = false;
}

void focus_frame_end(int drawn_view) {
  if (A.view == drawn_view) A.focused = true;
}

int form_focus(const App& app) {
  int item = g_give_back ? g_give_back : !app.focused ? designated_item(app) : ITEM_NONE;
  g_give_back = ITEM_NONE;
  return item;
}

void take_focus() {
  ImGui::SetKeyboardFocusHere(-1);
  // Shown at once, so the first Enter, Space or A acts on it without a key before.
  ImGui::SetNavCursorVisible(true);
}

void default_focus() {
  a11y_default_item();
  if (!A.focused) take_focus();
}
