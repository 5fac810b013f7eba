// The column's measures and the status line's entries.
#include "look/shaping.h"
#include "look/theme.h"
#include "screens/column.h"
#include "screens/patterns.h"
#include "state/app.h"
#include "text/language.h"

#include "gui_frame.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnMeasures, ReferenceCanvas) {
  Measures form = column_measures(1620, 1080, 1.0f, 0);
  EXPECT_FLOAT_EQ(form.x0, 996);
  EXPECT_FLOAT_EQ(form.cw, 542);
  EXPECT_FLOAT_EQ(form.pad, 4);
  EXPECT_NEAR(form.top, 102.6, 1e-3);
  EXPECT_FLOAT_EQ(form.half, 264);
  // The column window's size as the column sets it: content plus padding, down to 20 above
  // the bottom edge.
  EXPECT_FLOAT_EQ(form.cw + 2 * form.pad, 550);
  EXPECT_NEAR(1080 - form.top - 20, 957.4, 1e-3);
  Measures other = column_measures(1620, 1080, 1.0f, 3);
  EXPECT_NEAR(other.top, 140.4, 1e-3);
  EXPECT_NEAR(1080 - other.top - 20, 919.6, 1e-3);
  EXPECT_FLOAT_EQ(other.x0, 996);
}

TEST(ColumnMeasures, SmallWindowRoundsEdgesDownAndPaddingUp) {
  float U = 720.0f / 1080.0f;
  Measures m = column_measures(1280, 720, U, 1);
  EXPECT_FLOAT_EQ(m.x0, 787);
  EXPECT_FLOAT_EQ(m.cw, 428);
  EXPECT_FLOAT_EQ(m.pad, 3);
  EXPECT_NEAR(m.top, 93.6, 1e-3);
  EXPECT_NEAR(m.half, (428 - 14 * U) / 2, 1e-4);
}

TEST(StatusItems, NothingButTheVersionUntilThisPcIsChecked) {
  App a;
  a.gpu = "NVIDIA GeForce RTX 3060";
  a.version = "1.4.0";
  EXPECT_TRUE(status_items(a).empty());
}

TEST(StatusItems, GraphicsCardThenBuildTools) {
  App a;
  a.info_ready = true;
  a.gpu = "NVIDIA GeForce RTX 3060";
  auto items = status_items(a);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "NVIDIA GeForce RTX 3060");
  EXPECT_TRUE(items[0].ok);
  EXPECT_EQ(items[1].text, "Build tools ready");
  EXPECT_TRUE(items[1].ok);
}

TEST(StatusItems, MissingCardAndToolsAreOrangeAndCountedWithoutSingular) {
  App a;
  a.info_ready = true;
  a.missing = {"cmake"};
  auto items = status_items(a);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "No NVIDIA graphics card found");
  EXPECT_FALSE(items[0].ok);
  EXPECT_EQ(items[1].text, "1 build tools to install");
  EXPECT_FALSE(items[1].ok);
  a.missing = {"cmake", "ninja", "gcc"};
  EXPECT_EQ(status_items(a)[1].text, "3 build tools to install");
}

// ---- focus

// With nothing focused (the view's own focus gone with a click on nothing), the first Tab
// lands on the view's button, not on whatever item comes first.
TEST(ColumnFocus, ATabWithNothingFocusedLandsOnTheViewsButton) {
  GuiContext gui(1.0f);
  App saved = A;
  A = App();
  A.view = 2;  // "Open the log" comes first, "Back" is the view's own button
  A.error = "The compiler stopped.";
  A.log_path = "/tmp/setup.log";
  A.focused = true;  // as if the view's own focus had gone
  ImGuiIO& io = ImGui::GetIO();
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  auto frame = [] {
    ImGui::NewFrame();
    column(1620, 1080, 1.0f, 0.0f);
    ImGui::Render();
  };
  for (int i = 0; i < 3; i++) frame();
  ImGuiContext& g = *ImGui::GetCurrentContext();
  EXPECT_FALSE(g.NavCursorVisible) << "no frame shows";
  io.AddKeyEvent(ImGuiKey_Tab, true);
  frame();
  io.AddKeyEvent(ImGuiKey_Tab, false);
  for (int i = 0; i < 3; i++) frame();
  ImGuiWindow* column_window = ImGui::FindWindowByName("##column");
  ASSERT_NE(column_window, nullptr);
  EXPECT_EQ(g.NavId, ImGui::GetIDWithSeed("Back", nullptr, column_window->ID));
  EXPECT_TRUE(g.NavCursorVisible);
  A = saved;
}

// The form in Arabic with a Thai install folder: shaped on the frames that first show it,
// then drawn from what was shaped, so that a frame where nothing changed shapes nothing.
TEST(ColumnShaping, AStillFrameShapesNothing) {
  GuiContext gui(1.0f);
  App saved = A;
  A = App();
  A.dest = "/home/\u0e1c\u0e39\u0e49\u0e43\u0e0a\u0e49/\u0e40\u0e01\u0e21";
  use_language(TARNWELL_SOURCE_DIR, "ar");
  auto frame = [] {
    update_fonts(g_font_scale);  // takes in the fallback faces the last frame asked for
    ImGui::NewFrame();
    column(1620, 1080, 1.0f, 0.0f);
    ImGui::Render();
  };
  long long before = shaped_runs();
  for (int i = 0; i < 3; i++) frame();
  long long settled = shaped_runs();
  EXPECT_GT(settled, before) << "Arabic and Thai were shaped";
  for (int i = 0; i < 3; i++) frame();
  EXPECT_EQ(shaped_runs(), settled);
  use_language(TARNWELL_SOURCE_DIR, "en");
  A = saved;
}

// ---- touch

// On a touchscreen a finger dragged on a box that scrolls scrolls it, and the button it
// went down on is not pressed; a touch that does not move presses it.
TEST(Touch, ADragScrollsTheBoxAndPressesNothing) {
  GuiContext gui(1.0f);
  ImGuiIO& io = ImGui::GetIO();
  int pressed = 0;
  float scroll = 0;
  auto frame = [&] {
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(600, 800));
    ImGui::Begin("##test", nullptr, ImGuiWindowFlags_NoDecoration);
    begin_scroll_box("##box", ImVec2(500, 300), 1.0f);
    pressed += ImGui::Button("press", ImVec2(400, 60));
    ImGui::Dummy(ImVec2(10, 2000));
    scroll = ImGui::GetScrollY();
    ImGui::EndChild();
    ImGui::End();
    ImGui::Render();
  };
  auto touch = [&](float x, float y, int down) {  // down: 1 press, 0 release, -1 move only
    io.AddMouseSourceEvent(ImGuiMouseSource_TouchScreen);
    io.AddMousePosEvent(x, y);
    if (down >= 0) {
      io.AddMouseSourceEvent(ImGuiMouseSource_TouchScreen);
      io.AddMouseButtonEvent(0, down == 1);
    }
    for (int i = 0; i < 2; i++) frame();
  };
  frame();
  touch(100, 30, 1);
  touch(100, 30, 0);
  EXPECT_EQ(pressed, 1) << "a touch that stays put is a press";
  touch(100, 30, 1);
  for (float y = 30; y >= -170; y -= 20) touch(100, y, -1);
  touch(100, -170, 0);
  EXPECT_EQ(pressed, 1) << "a drag is no press";
  EXPECT_NEAR(scroll, 200, 25) << "the box followed the finger";
}

}  // namespace
