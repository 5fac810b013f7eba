// The program's own drawing primitive and widgets, drawn into real Dear ImGui draw lists.
#include "look/draw.h"
#include "look/font_fallback.h"
#include "look/glyph_loader.h"
#include "text/utf8.h"
#include "widgets/paragraph.h"
#include "widgets/widgets.h"

#include "access/a11y.h"
#include "backend/messages.h"
#include "gui_frame.h"
#include "look/language_choice.h"
#include "look/theme.h"
#include "screens/column.h"
#include "screens/languages.h"
#include "screens/patterns.h"
#include "text/language.h"
#include "text/language_table.h"
#include "text/line_break.h"
#include "text/utf8.h"
#include "virtual_gamepad.h"

#include <SDL3/SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_impl_sdl3.h>
#include <imgui_internal.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const float PI = 3.1415927f;
const float TURN = 6.2831855f;

ImU32 rgba(float r, float g, float b, float a) { return ImGui::ColorConvertFloat4ToU32(ImVec4(r, g, b, a)); }

// One frame with one fixed window at (100, 100) whose content the test draws.
void begin_frame() {
  ImGui::NewFrame();
  ImGui::SetNextWindowPos(ImVec2(100, 100));
  ImGui::SetNextWindowSize(ImVec2(900, 700));
  ImGui::Begin("##test", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings);
}

void end_frame() {
  ImGui::End();
  ImGui::Render();
}

int count_colour(const ImDrawList* dl, ImU32 colour, int from = 0) {
  int n = 0;
  for (int i = from; i < dl->VtxBuffer.Size; i++) n += dl->VtxBuffer[i].col == colour;
  return n;
}

// The vertices one call adds to the current window's draw list.
template <class Draw>
std::vector<ImDrawVert> drawn_by(Draw draw) {
  begin_frame();
  ImDrawList* dl = ImGui::GetWindowDrawList();
  int from = dl->VtxBuffer.Size;
  draw();
  std::vector<ImDrawVert> out(dl->VtxBuffer.Data + from, dl->VtxBuffer.Data + dl->VtxBuffer.Size);
  end_frame();
  return out;
}

bool same(const std::vector<ImDrawVert>& a, const std::vector<ImDrawVert>& b) {
  return a.size() == b.size() && memcmp(a.data(), b.data(), a.size() * sizeof(ImDrawVert)) == 0;
}

ImVec2 middle(ImVec2 min, ImVec2 size) { return ImVec2(min.x + size.x / 2, min.y + size.y / 2); }

struct Stacks {
  int colours, vars, fonts;
  bool operator==(const Stacks& o) const {
    return colours == o.colours && vars == o.vars && fonts == o.fonts;
  }
};
Stacks stacks() {
  ImGuiContext& g = *GImGui;
  return {g.ColorStack.Size, g.StyleVarStack.Size, g.FontStack.Size};
}

// ---- duration

TEST(Duration, ThresholdsRoundDown) {
  EXPECT_EQ(duration(0), "0 s");
  EXPECT_EQ(duration(999), "0 s");
  EXPECT_EQ(duration(59999), "59 s");
  EXPECT_EQ(duration(60000), "1 min 00 s");
  EXPECT_EQ(duration(61000), "1 min 01 s");
  EXPECT_EQ(duration(3599999), "59 min 59 s");
  EXPECT_EQ(duration(3600000), "1 h 00 min");
  EXPECT_EQ(duration(3659999), "1 h 00 min");
  EXPECT_EQ(duration(3660000), "1 h 01 min");
  EXPECT_EQ(duration(90061000), "25 h 01 min");
}

// ---- ring

struct RingTest : ::testing::Test {
  GuiContext gui;
  ImDrawList dl{ImGui::GetDrawListSharedData()};
  RingTest() { dl._ResetForNewFrame(); }
  std::vector<ImVec2> points(float radius, int seed, float sweep) {
    ring_path(&dl, ImVec2(500, 400), radius, seed, 0, sweep);
    std::vector<ImVec2> out(dl._Path.Data, dl._Path.Data + dl._Path.Size);
    dl.PathClear();
    return out;
  }
};

TEST_F(RingTest, SweepZeroIsThreePointsAtTheTop) {
  auto p = points(100, 7, 0);
  ASSERT_EQ(p.size(), 3u);
  float r = 100 * (1 + 0.011f * sinf(1.7f * 7) + 0.006f * sinf(0.9f * 7));
  for (const ImVec2& q : p) {
    EXPECT_FLOAT_EQ(q.x, 500);
    EXPECT_FLOAT_EQ(q.y, 400 - r);
  }
}

TEST_F(RingTest, HalfSweepIsTheRightHalfFromTopToBottom) {
  auto p = points(100, 3, PI);
  ASSERT_EQ(p.size(), 73u);  // 72 segments
  EXPECT_NEAR(p.front().x, 500, 1e-3);
  EXPECT_LT(p.front().y, 400 - 98);
  EXPECT_NEAR(p.back().x, 500, 1e-3);
  EXPECT_GT(p.back().y, 400 + 98);
  EXPECT_GT(p[36].x, 500 + 98);  // a quarter turn: three o'clock
  EXPECT_NEAR(p[36].y, 400, 1e-3);
  for (const ImVec2& q : p) EXPECT_GE(q.x, 500 - 1e-3);
}

TEST_F(RingTest, FullSweepIsAClosedWobblingCircle) {
  auto p = points(200, 5, TURN);
  ASSERT_EQ(p.size(), 143u);  // 142 segments
  EXPECT_NEAR(p.front().x, p.back().x, 1e-3);
  EXPECT_NEAR(p.front().y, p.back().y, 1e-3);
  float lo = 1e9, hi = 0;
  for (size_t i = 0; i < p.size(); i++) {
    float a = TURN * (float)i / 142.0f;
    float r = std::hypot(p[i].x - 500, p[i].y - 400);
    EXPECT_NEAR(r, 200 * ring_wobble(a, 5), 1e-2) << i;
    lo = std::min(lo, r), hi = std::max(hi, r);
  }
  // It wobbles, but by less than 1.7 %.
  EXPECT_GT(hi - lo, 1.0f);
  EXPECT_GT(lo, 200 * 0.983f);
  EXPECT_LT(hi, 200 * 1.017f);
  // Another seed, another wobble at the same radius.
  auto other = points(200, 6, TURN);
  EXPECT_NE(memcmp(p.data(), other.data(), p.size() * sizeof(ImVec2)), 0);
}

TEST_F(RingTest, StrokesItsSegmentsAndLeavesThePathEmpty) {
  dl.Flags = ImDrawListFlags_None;  // plain quads: four vertices per segment
  for (auto [sweep, segments] : {std::pair{0.0f, 2}, {PI, 72}, {TURN, 142}}) {
    int before = dl.VtxBuffer.Size;
    ring(&dl, ImVec2(500, 400), 100, 1, 0, sweep, IM_COL32_WHITE, 3);
    EXPECT_EQ(dl.VtxBuffer.Size - before, 4 * segments) << sweep;
    EXPECT_EQ(dl._Path.Size, 0);
  }
}

TEST_F(RingTest, ARunawaySweepDrawsAtMostOneTurn) {
  EXPECT_EQ(points(100, 1, 1e9f).size(), 143u);
  EXPECT_EQ(points(100, 1, INFINITY).size(), 143u);
  EXPECT_EQ(points(100, 1, -1e30f).size(), 143u);
  EXPECT_EQ(points(100, 1, NAN).size(), 0u);
}

// ---- field

struct WidgetTest : ::testing::Test {
  GuiContext gui;
};

// A value whose second character takes two bytes, and measures in F_ROW.
TEST_F(WidgetTest, CutFromTheLeftNeverStartsInsideACharacter) {
  // "CԪsar/...": U+052A is wider than the replacement mark that a stray continuation
  // byte would draw, so a tail starting inside it would be the narrower one.
  const std::string value = "C\xD4\xAAsar/games/hollow-lantern/copy.nup";
  begin_frame();
  push_font(F_ROW);
  auto width = [](const std::string& s) { return ImGui::CalcTextSize(s.c_str(), s.c_str() + s.size()).x; };
  float whole = width(value);
  EXPECT_EQ(fit_from_left(value, whole), value);
  ASSERT_LT(width("..." + value.substr(2)), width("..." + value.substr(1)));
  bool inside_tried = false;
  for (float avail = whole - 0.25f; avail > 0; avail -= 0.5f) {
    std::string shown = fit_from_left(value, avail);
    if (shown == "...") continue;
    ASSERT_EQ(shown.compare(0, 3, "..."), 0);
    std::string tail = shown.substr(3);
    size_t start = value.size() - tail.size();
    ASSERT_EQ(value.substr(start), tail);
    EXPECT_NE((unsigned char)tail[0] & 0xC0, 0x80) << avail;
    EXPECT_LE(width(shown), avail);
    // The longest tail that fits: the next longer one at a character start does not.
    size_t longer = start - 1;
    while (longer > 0 && ((unsigned char)value[longer] & 0xC0) == 0x80) longer--;
    if (longer >= 1) {
      EXPECT_GT(width("..." + value.substr(longer)), avail) << avail;
    }
    inside_tried |= width("..." + value.substr(2)) <= avail && avail < width("..." + value.substr(1));
  }
  EXPECT_TRUE(inside_tried);
  // Room for the tail from inside the character, but not for the whole character.
  EXPECT_EQ(fit_from_left(value, width("..." + value.substr(2))), "..." + value.substr(3));
  ImGui::PopFont();
  end_frame();
}

TEST_F(WidgetTest, TooNarrowForOneByteShowsTheDotsAlone) {
  begin_frame();
  push_font(F_ROW);
  EXPECT_EQ(fit_from_left("W", 2), "...");
  EXPECT_EQ(fit_from_left("WW", 2), "...");
  EXPECT_EQ(fit_from_left("W", -40), "...");
  EXPECT_EQ(fit_from_left("W", 100), "W");
  ImGui::PopFont();
  end_frame();
}

// Titles are cut at the other end: the longest head that fits, then "...", never ending
// inside a character.
TEST_F(WidgetTest, CutFromTheRightKeepsTheLongestWholeHead) {
  const std::string value = "Convert the t\xC3\xA9xtures of every stage, checked twice";
  begin_frame();
  push_font(F_BODY);
  auto width = [](const std::string& s) { return ImGui::CalcTextSize(s.c_str(), s.c_str() + s.size()).x; };
  EXPECT_EQ(fit_from_right(value, width(value)), value);
  for (float avail = width(value) - 0.5f; avail > width("..."); avail -= 3) {
    std::string shown = fit_from_right(value, avail);
    ASSERT_GE(shown.size(), 3u);
    std::string head = shown.substr(0, shown.size() - 3);
    ASSERT_EQ(shown.substr(head.size()), "...");
    ASSERT_EQ(value.compare(0, head.size(), head), 0);
    EXPECT_NE((unsigned char)value[head.size()] & 0xC0, 0x80) << avail;
    EXPECT_LE(width(shown), avail + 0.01f);
    size_t longer = head.size() + 1;
    while (longer < value.size() && ((unsigned char)value[longer] & 0xC0) == 0x80) longer++;
    EXPECT_GT(width(value.substr(0, longer) + "..."), avail) << avail;
  }
  EXPECT_EQ(fit_from_right(value, 1), "...");
  ImGui::PopFont();
  end_frame();
}

TEST_F(WidgetTest, DrawsTheValueOrThePlaceholderAndAdvancesOneBox) {
  const ImU32 text = ImGui::GetColorU32(TEXT), dim = ImGui::GetColorU32(DIM);
  // Placeholder and "Choose", both dim; no value text.
  begin_frame();
  ImDrawList* dl = ImGui::GetWindowDrawList();
  float y0 = ImGui::GetCursorScreenPos().y;
  int from = dl->VtxBuffer.Size;
  EXPECT_FALSE(field("##game", "", "Pick it", 500, 1.0f));
  EXPECT_EQ(count_colour(dl, text, from), 0);
  EXPECT_EQ(count_colour(dl, dim, from), 4 * (6 + 6));  // "Choose" and "Pickit": one quad a glyph
  EXPECT_FLOAT_EQ(ImGui::GetCursorScreenPos().y - y0, 58 + ImGui::GetStyle().ItemSpacing.y);
  // A value that fits: whole, in TEXT, beside "Change".
  from = dl->VtxBuffer.Size;
  field("##dest", "/home/x", "Pick it", 500, 1.0f);
  EXPECT_EQ(count_colour(dl, text, from), 4 * 7);
  EXPECT_EQ(count_colour(dl, dim, from), 4 * 6);
  // A long value: cut to what fits in the room left of the caption.
  std::string long_value(200, 'x');
  from = dl->VtxBuffer.Size;
  field("##long", long_value, "Pick it", 500, 1.0f);
  push_font(F_ROW);
  std::string shown = fit_from_left(long_value, 500 - ImGui::CalcTextSize("Change").x - 64);
  ImGui::PopFont();
  ASSERT_LT(shown.size(), long_value.size());
  EXPECT_EQ(count_colour(dl, text, from), 4 * (int)shown.size());
  end_frame();
}

TEST_F(WidgetTest, ClickedWhenClickedAndBrightWhileHovered) {
  ImGuiIO& io = ImGui::GetIO();
  const ImU32 calm = rgba(1.0f, 0.9f, 0.75f, 0.06f), hot = rgba(1.0f, 0.9f, 0.75f, 0.12f);
  const ImU32 gold = ImGui::GetColorU32(GOLD);
  ImVec2 centre;
  auto frame = [&](bool expect_click) {
    begin_frame();
    ImDrawList* dl = ImGui::GetWindowDrawList();
    int from = dl->VtxBuffer.Size;
    Stacks before = stacks();
    EXPECT_EQ(field("##game", "", "Pick it", 400, 1.0f), expect_click);
    EXPECT_TRUE(stacks() == before);
    centre = middle(ImGui::GetItemRectMin(), ImGui::GetItemRectSize());
    int calm_n = count_colour(dl, calm, from), hot_n = count_colour(dl, hot, from);
    int gold_n = count_colour(dl, gold, from);
    end_frame();
    return std::tuple{calm_n, hot_n, gold_n};
  };
  auto [calm_n, hot_n, gold_n] = frame(false);
  EXPECT_GT(calm_n, 0);
  EXPECT_EQ(hot_n, 0);
  EXPECT_EQ(gold_n, 0);
  io.AddMousePosEvent(centre.x, centre.y);
  std::tie(calm_n, hot_n, gold_n) = frame(false);
  EXPECT_EQ(calm_n, 0);
  EXPECT_GT(hot_n, 0);
  EXPECT_EQ(gold_n, 4 * 6);  // the caption turns gold
  io.AddMouseButtonEvent(0, true);
  frame(false);
  io.AddMouseButtonEvent(0, false);
  frame(true);
  frame(false);
}

// ---- heading

TEST_F(WidgetTest, HeadingShowsAtMostThreeDigitsAndNoneWhenDone) {
  auto draw = [](int number, bool done) {
    return drawn_by([&] { heading(number, "YOUR COPY", done, 1.0f); });
  };
  EXPECT_TRUE(same(draw(1000, false), draw(100, false)));
  EXPECT_FALSE(same(draw(1000, false), draw(999, false)));
  EXPECT_FALSE(same(draw(1, false), draw(2, false)));
  EXPECT_TRUE(same(draw(1, true), draw(2, true)));
  EXPECT_FALSE(same(draw(1, true), draw(1, false)));
  // Done: a green disc, no gold at all.
  auto done = draw(3, true);
  int green = 0, gold = 0;
  for (const ImDrawVert& v : done) {
    green += v.col == rgba(0.36f, 0.56f, 0.24f, 1.0f);
    gold += v.col == ImGui::GetColorU32(GOLD);
  }
  EXPECT_GT(green, 0);
  EXPECT_EQ(gold, 0);
}

TEST_F(WidgetTest, HeadingTakesOneRowOf38) {
  for (float scale : {1.0f, 0.5f}) {
    begin_frame();
    float y0 = ImGui::GetCursorScreenPos().y;
    Stacks before = stacks();
    heading(2, "WHERE TO INSTALL", false, scale);
    EXPECT_TRUE(stacks() == before);
    EXPECT_FLOAT_EQ(ImGui::GetCursorScreenPos().y - y0, 38 * scale + ImGui::GetStyle().ItemSpacing.y);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().x, 10);
    end_frame();
  }
}

// ---- link and push_button

TEST_F(WidgetTest, LinkIsAPaddedTextButtonThatReportsItsClick) {
  ImGuiIO& io = ImGui::GetIO();
  ImVec2 centre;
  auto frame = [&](bool expect_click) {
    begin_frame();
    Stacks before = stacks();
    ImFont* font = ImGui::GetFont();
    EXPECT_EQ(link("Quit##q", 1.5f), expect_click);
    EXPECT_TRUE(stacks() == before);
    EXPECT_EQ(ImGui::GetFont(), font);
    ImVec2 size = ImGui::GetItemRectSize();
    push_font(F_SMALL);
    ImVec2 label = ImGui::CalcTextSize("Quit");
    ImGui::PopFont();
    EXPECT_FLOAT_EQ(size.x, label.x + 2 * 8 * 1.5f);
    EXPECT_FLOAT_EQ(size.y, label.y + 2 * 5 * 1.5f);
    centre = middle(ImGui::GetItemRectMin(), size);
    end_frame();
  };
  frame(false);
  io.AddMousePosEvent(centre.x, centre.y);
  frame(false);
  io.AddMouseButtonEvent(0, true);
  frame(false);
  io.AddMouseButtonEvent(0, false);
  frame(true);
}

TEST_F(WidgetTest, PushButtonLeavesItsPushesForTheCaller) {
  for (bool primary : {true, false}) {
    begin_frame();
    Stacks before = stacks();
    push_button(primary, 26, 2.0f);
    EXPECT_EQ(stacks().colours, before.colours + 5);
    EXPECT_EQ(stacks().vars, before.vars + 2);
    const ImGuiStyle& style = ImGui::GetStyle();
    EXPECT_EQ(style.FrameRounding, 26);
    EXPECT_EQ(style.FrameBorderSize, primary ? 0.0f : 3.0f);
    const ImVec4& button = style.Colors[ImGuiCol_Button];
    EXPECT_EQ(button.w, primary ? 1.0f : 0.06f);
    EXPECT_EQ(style.Colors[ImGuiCol_Border].w, 0.4f);
    const ImVec4& text = style.Colors[ImGuiCol_Text];
    EXPECT_EQ(text.x, primary ? 0.16f : TEXT.x);
    ImGui::Button("Build the game", ImVec2(300, 72));
    ImGui::PopStyleColor(5);
    ImGui::PopStyleVar(2);
    EXPECT_TRUE(stacks() == before);
    EXPECT_EQ(ImGui::GetStyle().FrameBorderSize, 0.0f);
    end_frame();
  }
}

}  // namespace

// ---- gamepad

// A gamepad reaches the picker fields as the keyboard does: SDL's virtual gamepad, read by
// Dear ImGui's SDL backend as in the program. The d-pad moves between the fields and A
// activates the one it is on.
// A hidden window with Dear ImGui's SDL backend and one virtual gamepad, as the program has
// them. The window never has the focus that SDL otherwise asks of a gamepad's input, and
// only the virtual gamepad is wanted: no scan of the machine's devices. `skipped` is set
// where there is no display.
struct VirtualPad {
  SDL_Window* win = nullptr;
  SDL_JoystickID id = 0;
  SDL_Joystick* pad = nullptr;
  bool skipped = false;

  void open(const char* title) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    SDL_SetHint("SDL_JOYSTICK_DISABLE_UDEV", "1");
    if (!SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMEPAD)) {
      skipped = true;
      return;
    }
    win = SDL_CreateWindow(title, 1100, 900, SDL_WINDOW_HIDDEN);
    ASSERT_NE(win, nullptr) << SDL_GetError();
    pad = open_virtual_gamepad(&id);
    ASSERT_NE(id, 0u) << SDL_GetError();
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableGamepad;
    ASSERT_TRUE(ImGui_ImplSDL3_InitForOther(win));
  }

  // Holds `button` down for three frames, then lets it go for three.
  template <typename Frame>
  void press(SDL_GamepadButton button, Frame frame) {
    SDL_SetJoystickVirtualButton(pad, button, true);
    for (int i = 0; i < 3; i++) frame();
    SDL_SetJoystickVirtualButton(pad, button, false);
    for (int i = 0; i < 3; i++) frame();
  }

  ~VirtualPad() {
    if (skipped) return;
    if (ImGui::GetIO().BackendPlatformUserData) ImGui_ImplSDL3_Shutdown();
    if (pad) SDL_CloseJoystick(pad);
    if (id) SDL_DetachVirtualJoystick(id);
    if (win) SDL_DestroyWindow(win);
    // Video stays up: quitting it after the backend has run unloads libraries whose caches
    // the leak checker then reports as leaks it cannot name.
    SDL_QuitSubSystem(SDL_INIT_GAMEPAD);
  }
};

TEST_F(WidgetTest, TheGamepadsDpadMovesBetweenFieldsAndAActivatesOne) {
  VirtualPad p;
  ASSERT_NO_FATAL_FAILURE(p.open("gamepad"));
  if (p.skipped) GTEST_SKIP() << "no display: " << SDL_GetError();

  int activated = -1;
  auto frame = [&] {
    for (SDL_Event e; SDL_PollEvent(&e);) ImGui_ImplSDL3_ProcessEvent(&e);
    ImGui_ImplSDL3_NewFrame();
    begin_frame();
    if (field("##game", "", "Game", 400, 1.0f)) activated = 0;
    if (field("##dest", "", "Folder", 400, 1.0f)) activated = 1;
    end_frame();
  };
  auto press = [&](SDL_GamepadButton button) { p.press(button, frame); };
  for (int i = 0; i < 3; i++) frame();
  EXPECT_TRUE(ImGui::GetIO().BackendFlags & ImGuiBackendFlags_HasGamepad);
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);  // onto the first field
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);  // on to the second
  EXPECT_EQ(activated, -1);
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  EXPECT_EQ(activated, 1);
  activated = -1;
  press(SDL_GAMEPAD_BUTTON_DPAD_UP);
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  EXPECT_EQ(activated, 0);
}

// A paragraph read right to left stands against the right edge of its width, breaks where
// the same text breaks left to right, and keeps its empty lines; an empty text is one line.
TEST_F(WidgetTest, RightToLeftParagraphsStandAgainstTheRightEdge) {
  const std::string text = "One two three four five six seven eight nine ten\n\nend";
  ImVec2 size[2], min[2];
  float start = 0, line = 0;
  for (int rtl = 0; rtl < 2; rtl++) {
    g_lang.code = rtl ? PSEUDO_RTL : "en";
    begin_frame();
    start = ImGui::GetCursorScreenPos().x;
    push_font(F_BODY);
    line = ImGui::GetFontSize();
    ImGui::PopFont();
    text_block(F_BODY, TEXT, text, 200);
    min[rtl] = ImGui::GetItemRectMin();
    size[rtl] = ImGui::GetItemRectSize();
    text_block(F_BODY, TEXT, "", 200);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().y, line);
    end_frame();
  }
  g_lang = Catalog();
  EXPECT_EQ(min[0].x, start);
  EXPECT_FLOAT_EQ(min[1].x + size[1].x, start + 200);
  EXPECT_EQ(size[1].x, size[0].x);
  EXPECT_EQ(size[1].y, size[0].y);
  EXPECT_GE(size[1].y, 4 * line) << "wrapped, with the empty line";
}

// In a window laid out right to left the arrows and the d-pad move as the mirrored layout
// shows. On the stopped view "Open the log" starts the line, on the right, and "Back", which
// takes the first focus, stands to its left: Right moves to "Open the log", Left back.
TEST_F(WidgetTest, LeftAndRightFollowTheMirroredWindow) {
  VirtualPad p;
  ASSERT_NO_FATAL_FAILURE(p.open("mirrored"));
  if (p.skipped) GTEST_SKIP() << "no display: " << SDL_GetError();
  ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  const App saved = A;
  A = App();
  A.view = 2;
  A.error = "The compiler stopped.";
  A.log_path = "/tmp/setup.log";
  g_lang.code = PSEUDO_RTL;
  auto frame = [&] {
    for (SDL_Event e; SDL_PollEvent(&e);) ImGui_ImplSDL3_ProcessEvent(&e);
    ImGui_ImplSDL3_NewFrame();
    ImGui::NewFrame();
    column(1100, 900, 900.0f / 1080, 0);
    ImGui::Render();
  };
  auto key = [&](ImGuiKey k) {
    ImGui::GetIO().AddKeyEvent(k, true);
    for (int i = 0; i < 3; i++) frame();
    ImGui::GetIO().AddKeyEvent(k, false);
    for (int i = 0; i < 3; i++) frame();
  };
  for (int i = 0; i < 3; i++) frame();
  const ImGuiID column_id = ImGui::FindWindowByName("##column")->ID;
  // A label that is shaped keeps its logical text after "###" as the button's identity.
  const ImGuiID back = ImGui::GetIDWithSeed(("###" + std::string(tr("Back"))).c_str(), nullptr, column_id);
  const ImGuiID log = ImGui::GetIDWithSeed(("###" + std::string(tr("Open the log"))).c_str(), nullptr, column_id);
  ImGuiContext& g = *GImGui;
  EXPECT_EQ(g.NavId, back);
  key(ImGuiKey_RightArrow);
  EXPECT_EQ(g.NavId, log) << "Right moves toward the start of the line";
  key(ImGuiKey_LeftArrow);
  EXPECT_EQ(g.NavId, back);
  p.press(SDL_GAMEPAD_BUTTON_DPAD_RIGHT, frame);
  EXPECT_EQ(g.NavId, log);
  p.press(SDL_GAMEPAD_BUTTON_DPAD_LEFT, frame);
  EXPECT_EQ(g.NavId, back);
  A = saved;
  g_lang = Catalog();
}

// The language list by keyboard and by gamepad: the window's language holds the focus when
// it opens, a move and the confirm choose the next one, which is applied before the next
// frame and remembered in the configuration folder; back closes the list and changes
// nothing.
TEST_F(WidgetTest, TheLanguageListByKeyboardAndGamepad) {
  char folder[] = "/tmp/tarnwell-config-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  SDL_SetEnvironmentVariable(SDL_GetEnvironment(), "XDG_CONFIG_HOME", folder, true);
  VirtualPad p;
  ASSERT_NO_FATAL_FAILURE(p.open("languages"));
  if (p.skipped) GTEST_SKIP() << "no display: " << SDL_GetError();
  ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  auto frame = [&] {
    for (SDL_Event e; SDL_PollEvent(&e);) ImGui_ImplSDL3_ProcessEvent(&e);
    ImGui_ImplSDL3_NewFrame();
    begin_frame();
    if (g_languages_open) view_languages(700, 1.0f);
    end_frame();
  };
  auto frames = [&] {
    for (int i = 0; i < 3; i++) frame();
  };
  auto key = [&](ImGuiKey k) {
    ImGui::GetIO().AddKeyEvent(k, true);
    frames();
    ImGui::GetIO().AddKeyEvent(k, false);
    frames();
  };
  auto press = [&](SDL_GamepadButton button) { p.press(button, frame); };
  use_language(TARNWELL_SOURCE_DIR, "en");
  std::vector<std::string> shown;  // English, then the others with a catalog in the table's order
  for (const LanguageRow& row : language_table())
    if (row.code == "en" ||
        SDL_GetPathInfo((std::string(TARNWELL_SOURCE_DIR) + "/locale/" + row.code + ".po").c_str(), nullptr))
      shown.push_back(row.code);
  ASSERT_GE(shown.size(), 3u);

  open_languages();
  frames();
  key(ImGuiKey_DownArrow);
  key(ImGuiKey_Enter);
  EXPECT_FALSE(g_languages_open);
  EXPECT_TRUE(apply_asked_language(TARNWELL_SOURCE_DIR));
  EXPECT_EQ(g_lang.code, shown[1]);
  EXPECT_EQ(saved_language(), shown[1]);
  EXPECT_EQ(start_language(""), shown[1]);  // the next start
  EXPECT_EQ(start_language("ja"), "ja");    // --lang still wins

  open_languages();
  frames();
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);
  press(SDL_GAMEPAD_BUTTON_SOUTH);
  EXPECT_TRUE(apply_asked_language(TARNWELL_SOURCE_DIR));
  EXPECT_EQ(g_lang.code, shown[2]);
  EXPECT_EQ(saved_language(), shown[2]);

  open_languages();
  frames();
  press(SDL_GAMEPAD_BUTTON_DPAD_DOWN);
  press(ImGui::GetIO().ConfigNavSwapGamepadButtons ? SDL_GAMEPAD_BUTTON_SOUTH : SDL_GAMEPAD_BUTTON_EAST);
  EXPECT_FALSE(g_languages_open);
  EXPECT_FALSE(apply_asked_language(TARNWELL_SOURCE_DIR));
  EXPECT_EQ(g_lang.code, shown[2]);

  g_lang = Catalog();
  remove(saved_language_path().c_str());
  SDL_RemovePath((std::string(folder) + "/tarnwell").c_str());
  SDL_RemovePath(folder);
  SDL_UnsetEnvironmentVariable(SDL_GetEnvironment(), "XDG_CONFIG_HOME");
}

// Every cut, from the left for fields, from the right for titles and of the backend's
// long texts, falls between whole clusters: never inside a character, never between a
// letter and its marks, an emoji and its modifier, or across a zero-width joiner.
class ClusterCut : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(ClusterCut, NeverSplitsACluster) {
  std::string value;
  std::set<size_t> boundaries = {0};
  for (const std::string& cluster : GetParam()) {
    value += cluster;
    boundaries.insert(value.size());
  }
  for (size_t keep = 0; keep < value.size(); keep++) {
    std::string cut = cut_text(value, keep);
    size_t kept = cut.find("\u2026 (");
    ASSERT_NE(kept, std::string::npos);
    EXPECT_TRUE(boundaries.count(kept)) << keep;
    EXPECT_LE(kept, keep);
  }
  GuiContext gui;
  begin_frame();
  push_font(F_ROW);
  // Joiners draw nothing and are left out of what is drawn: there the cut is the one above.
  if (shown_text(value) != value) {
    ImGui::PopFont();
    end_frame();
    return;
  }
  auto width = [](const std::string& s) { return ImGui::CalcTextSize(s.c_str(), s.c_str() + s.size()).x; };
  int tails = 0, heads = 0;
  for (float avail = width(value) - 0.5f; avail > width("..."); avail -= 1.5f) {
    std::string left = fit_from_left(value, avail), right = fit_from_right(value, avail);
    if (left != "...") {
      tails++;
      EXPECT_TRUE(boundaries.count(value.size() - (left.size() - 3))) << avail;
    }
    if (right != "...") {
      heads++;
      EXPECT_TRUE(boundaries.count(right.size() - 3)) << avail;
    }
  }
  EXPECT_GT(tails, 2);
  EXPECT_GT(heads, 2);
  ImGui::PopFont();
  end_frame();
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ClusterCut,
    ::testing::Values(
        // Latin with combining accents
        std::vector<std::string>{"C", "a", "f", "e\u0301", " ", "d", "e\u0301", "j", "a\u0300", "/", "s", "a",
                                 "v", "e"},
        // Thai: consonants with vowel and tone marks above and below
        std::vector<std::string>{"\u0e42", "\u0e1f", "\u0e25", "\u0e40", "\u0e14", "\u0e2d", "\u0e23\u0e4c",
                                 "\u0e40", "\u0e01", "\u0e21", "/", "\u0e44", "\u0e1f", "\u0e25\u0e4c"},
        // emoji with skin tones, and a family joined by zero-width joiners
        std::vector<std::string>{"\U0001F44D\U0001F3FD", "\U0001F44D\U0001F3FB", "x", "\U0001F44D\U0001F3FF",
                                 "/", "\U0001F468\u200D\U0001F469\u200D\U0001F467", "y", "z"},
        // Han characters beyond U+FFFF, four bytes each
        std::vector<std::string>{"\U00020000", "\U00020001", "\U00020002", "/", "g", "\U0002A6A5",
                                 "\U00020003"},
        // Hangul written in jamo (leading consonant, vowel, trailing consonant) beside a
        // precomposed syllable and its trailing consonant
        std::vector<std::string>{"\u1100\u1161\u11A8", "\u1112\u1161\u11AB", "a", "\uD55C\u11AF",
                                 "\u1100\u1173", "/", "\u1109\u1165"},
        // flags: regional indicators in pairs, three in a row
        std::vector<std::string>{"\U0001F1EF\U0001F1F5", "\U0001F1E9\U0001F1EA", "\U0001F1F9\U0001F1ED", "/",
                                 "x", "\U0001F1EB\U0001F1F7"}));

// The characters a text reads as: a malformed sequence is U+FFFD one byte long, whatever
// broke it; U+20000 and the like are valid (SDL 3.2's reader refuses them).
TEST(Utf8, DecodesValidSequencesAndReadsEachBrokenByteAsOneReplacement) {
  const struct {
    std::string bytes;
    char32_t c;
    size_t length;
  } cases[] = {
      {"A", 'A', 1},
      {std::string(1, '\0'), 0, 1},
      {"\xC3\xA9", 0xE9, 2},
      {"\xE2\x82\xAC", 0x20AC, 3},
      {"\xF0\xA0\x80\x80", 0x20000, 4},
      {"\xF0\x9F\x98\x80", 0x1F600, 4},
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
      {"\xC0\xAF", 0xFFFD, 1},          // overlong
      {"\xE0\x80\xAF", 0xFFFD, 1},      // overlong
      {"\xED\xA0\x80", 0xFFFD, 1},      // a surrogate half
      {"\xF4\x90\x80\x80", 0xFFFD, 1},  // past U+10FFFF
      {"\xF8\x88\x80\x80", 0xFFFD, 1},  // no such lead byte
      {"\x80"
       "A",
       0xFFFD, 1},              // a continuation byte alone
      {"\xE2\x82", 0xFFFD, 1},  // cut short by the end
      {"\xC3"
       "A",
       0xFFFD, 1},  // cut short by a character
  };
  for (const auto& c : cases) {
    size_t next = 0;
    EXPECT_EQ(utf8_decode(c.bytes, 0, &next), c.c) << c.bytes;
    EXPECT_EQ(next, c.length) << c.bytes;
  }
}

// ---- line breaking and wrapped paragraphs

// The text with "|" where a line may break and "#" where it must.
std::string marked_breaks(const std::string& text) {
  std::string out;
  size_t from = 0;
  for (const BreakAt& b : line_breaks(text)) {
    out += text.substr(from, b.at - from) + (b.must ? "#" : "|");
    from = b.at;
  }
  return out + text.substr(from);
}

TEST(LineBreaks, FollowUnicodeRulesAndFindThaiWords) {
  const std::pair<const char*, const char*> cases[] = {
      // after spaces and hyphens, not before closing punctuation; line ends must break
      {"Hello, world-wide web: (a/b) 100% \"so\".\r\nNext line",
       "Hello, |world-|wide |web: |(a/|b) |100% |\"so\".\r\n#Next |line"},
      // no spaces: between ideographs and kana, but never before 。 or after 「
      {"日本語の文章です。「改行」できます", "日|本|語|の|文|章|で|す。|「改|行」|で|き|ま|す"},
      {"中文句子，可以断行。", "中|文|句|子，|可|以|断|行。"},
      // Thai writes no spaces between words: the dictionary finds them, and a word's
      // marks stay with it
      {"สวัสดีครับ ผมชื่อสมชาย", "สวัสดี|ครับ |ผม|ชื่อ|สม|ชาย"},
      {"ภาษาไทยเขียนติดกัน", "ภาษา|ไทย|เขียน|ติด|กัน"},
  };
  for (const auto& c : cases) EXPECT_EQ(marked_breaks(c.first), c.second) << c.first;
}

// Lines of a fixed-pitch measure: ten pixels a character, marks nothing. Counts what it
// measured.
struct FixedPitch {
  size_t calls = 0, bytes = 0;
  MeasureText measure() {
    return [this](const std::string& piece) {
      calls++;
      bytes += piece.size();
      float w = 0;
      for (size_t at = 0, next; at < piece.size(); at = next)
        w += utf8_decode(piece, at, &next) == 0x301 ? 0 : 10;
      return w;
    };
  }
};

std::vector<std::string> wrapped(const std::string& text, float width) {
  FixedPitch pitch;
  std::vector<std::string> out;
  for (const TextLine& line : wrap_lines(text, width, pitch.measure()))
    out.push_back(text.substr(line.begin, line.end - line.begin));
  return out;
}

TEST(WrapLines, BreakAtTheLastOpportunityThatFitsAndCutLongWordsBetweenClusters) {
  using Lines = std::vector<std::string>;
  // Spaces at a line's end do not count: "aaaa " fits in four characters.
  EXPECT_EQ(wrapped("aaaa bbbb  cc dd", 40), (Lines{"aaaa", "bbbb", "cc", "dd"}));
  EXPECT_EQ(wrapped("aaaa bbbb  cc dd", 70), (Lines{"aaaa", "bbbb", "cc dd"}));
  // Line ends break whatever the width; one at the very end adds no line.
  EXPECT_EQ(wrapped("a\n\nb c\n", 0), (Lines{"a", "", "b c"}));
  EXPECT_EQ(wrapped("", 50), (Lines{""}));
  // A word longer than a line starts a line of its own and is cut between clusters: e
  // and its accent stay together.
  std::string accented;
  for (int i = 0; i < 12; i++) accented += "e\u0301";
  const std::string five = accented.substr(0, 15);
  EXPECT_EQ(wrapped("xx " + accented + " yy", 50), (Lines{"xx", five, five, "e\u0301e\u0301 yy"}));
  // Thinner than one cluster: still one a line.
  EXPECT_EQ(wrapped("ab", 5), (Lines{"a", "b"}));
  // Thai at its word boundaries.
  EXPECT_EQ(wrapped("สวัสดีครับผมชื่อสมชาย", 60), (Lines{"สวัสดี", "ครับผม", "ชื่อสม", "ชาย"}));
}

// A log line of 10 kB, in words or as one word: pieces measured grow twice as long and
// are then halved, so the bytes measured stay within a small multiple of the line's.
TEST(WrapLines, ALongLineIsNotMeasuredOverAndOver) {
  std::string words, word(10240, 'x');
  for (int i = 0; words.size() < 10240; i++) words += "word" + std::to_string(i % 97) + " ";
  for (const std::string& text : {words, word}) {
    FixedPitch pitch;
    std::vector<TextLine> lines = wrap_lines(text, 400, pitch.measure());
    EXPECT_GT(lines.size(), 200u);
    EXPECT_LT(pitch.bytes, 16 * text.size());
    EXPECT_LT(pitch.calls, 16 * lines.size());
  }
}

// In plain English the lines, and the room they take, are those of Dear ImGui's own
// wrapped text.
TEST_F(WidgetTest, EnglishWrapsAsDearImGuiWrapsIt) {
  const std::string texts[] = {
      "Hollow Lantern, built on this PC from your own copy of the game.",
      "The build needs about 12 GB of free space on the drive of the install folder; this one has 3.4 GB.",
      "Tarnwell was built in 4 min 12 s. Play it from here or from the shortcut on your desktop.",
  };
  begin_frame();
  push_font(F_BODY);
  ImFont* font = ImGui::GetFont();
  size_t wrapped_lines = 0;
  for (const std::string& text : texts)
    for (float width = 120; width < 700; width += 37) {
      std::vector<std::string> ours, imgui;
      for (const TextLine& line : paragraph_lines(text, width))
        ours.push_back(text.substr(line.begin, line.end - line.begin));
      const char *s = text.c_str(), *end = s + text.size();
      while (s < end) {
        const char* eol = font->CalcWordWrapPosition(ImGui::GetFontSize(), s, end, width);
        std::string line(s, eol);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        imgui.push_back(line);
        for (s = eol; s < end && *s == ' ';) s++;  // the next line starts after the spaces
      }
      EXPECT_EQ(ours, imgui) << width;
      wrapped_lines += imgui.size() - 1;
      // The paragraph takes the room Dear ImGui's wrapped text takes.
      paragraph(text, width, TEXT);
      const ImVec2 taken = ImGui::GetItemRectSize(),
                   wanted = ImGui::CalcTextSize(text.c_str(), nullptr, false, width);
      EXPECT_EQ(taken.x, wanted.x) << width;
      EXPECT_EQ(taken.y, wanted.y) << width;
    }
  EXPECT_GT(wrapped_lines, 40u);
  ImGui::PopFont();
  end_frame();
}

// What is drawn of a path: each part between separators in its own visual order, the
// parts in their places; format characters left out; plain text as it is.
TEST_F(WidgetTest, ShownPathReordersEachPartOnItsOwnAndDropsFormatCharacters) {
  begin_frame();
  push_font(F_ROW);
  const std::pair<std::string, std::string> cases[] = {
      {"/games/Tarnwell", "/games/Tarnwell"},
      // Hebrew alef-bet, twice, in two parts: each reversed, the parts in their places.
      {"/x/\u05D0\u05D1/\u05D2\u05D3\\y", "/x/\u05D1\u05D0/\u05D3\u05D2\\y"},
      {"C:\\\u05D0\u05D1 2\\z", "C:\\2 \u05D1\u05D0\\z"},
      // joiners, direction marks and a byte-order mark draw nothing
      {"a\u200Db\u200Fc\u202Ed\uFEFF", "abcd"},
      {"\U0001F3AE/\u6C34", "\U0001F3AE/\u6C34"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown_path(c.first), c.second) << c.first;
  // As a sentence the same path is one paragraph: its first strong letter is Hebrew, so the
  // separator and the Latin part stand to the left of the reversed name.
  EXPECT_EQ(shown_text("\u05D0\u05D1/x"), "x/\u05D1\u05D0");
  ImGui::PopFont();
  end_frame();
}

// The glyphs of a shaped text in the form HarfBuzz's own hb-shape prints them:
// "[glyph@x,y+advance|...]" in display order, offsets only when they are not zero.
static std::string glyph_line(const std::string& shown) {
  std::string out = "[";
  ImFont* font = ImGui::GetFont();
  for (size_t at = 0, next; at < shown.size(); at = next) {
    char32_t c = utf8_decode(shown, at, &next);
    PlacedGlyph g{};
    if (const PlacedGlyph* placed = placed_glyph(c)) {
      g = *placed;
    } else {
      for (ImFontConfig* source : font->Sources) {
        LoadedFace* face = loaded_face(source);
        if (face && face_glyph(face, c)) {
          g = {face, face_glyph(face, c), 0, 0, face_advance(face, face_glyph(face, c))};
          break;
        }
      }
    }
    if (out.size() > 1) out += "|";
    out += std::to_string(g.glyph);
    if (g.x_offset || g.y_offset) out += "@" + std::to_string(g.x_offset) + "," + std::to_string(g.y_offset);
    out += "+" + std::to_string(g.x_advance);
  }
  return out + "]";
}

static std::string hb_shape(const FontFace& face, const std::string& text) {
  std::string command =
      "hb-shape --no-glyph-names --no-clusters --remove-default-ignorables --language=en --face-index=" +
      std::to_string(face.index) + " '" + face.path + "' '" + text + "' 2>/dev/null";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// Each script shaped as HarfBuzz's own tool shapes it in the face the system chose for it:
// Thai marks stacked, Arabic joined with the lam-alef ligature, a Devanagari conjunct (an
// emoji joined sequence is one cluster: see ClusterCut). The window's text path draws exactly those glyphs,
// in that order.
struct Shaping : WidgetTest, ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(Shaping, DrawsTheGlyphsHarfBuzzChooses) {
  if (system("hb-shape --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "hb-shape is not installed";
  const std::string text = GetParam().first, plain = GetParam().second;
  size_t second;
  const FontFace face = system_font_for(utf8_decode(text, 0, &second));
  ASSERT_FALSE(face.path.empty()) << "no font on this system draws " << text;
  // The first frame asks for the face; the atlas takes it in between frames.
  begin_frame();
  push_font(F_ROW);
  shown_text(text);
  ImGui::PopFont();
  end_frame();
  update_fonts(g_font_scale);
  begin_frame();
  push_font(F_ROW);
  const std::string ours = glyph_line(shown_text(text));
  EXPECT_EQ(ours, hb_shape(face, text)) << text << " in " << face.path;
  // Shaping changed what the characters alone would draw: the same text with its letters
  // kept apart (a zero-width non-joiner between every two) draws other glyphs.
  EXPECT_NE(ours, glyph_line(shown_text(plain))) << text;
  ImGui::PopFont();
  end_frame();
}

INSTANTIATE_TEST_SUITE_P(Scripts, Shaping,
                         ::testing::Values(
                             // Thai: sara ii and mai ek over tho thahan, the tone mark raised above the vowel
                             std::make_pair("\u0E17\u0E35\u0E48\u0E19\u0E35\u0E48", "\u0E17\u0E48"),
                             // Arabic: alef, lam, seen joined, then the lam-alef ligature, meem
                             std::make_pair("\u0627\u0644\u0633\u0644\u0627\u0645",
                                            "\u0627\u0644\u200C\u0633\u200C\u0644\u200C\u0627\u200C\u0645"),
                             // Devanagari: ka, virama, ssa make the conjunct ksha
                             std::make_pair("\u0915\u094D\u0937", "\u0915\u094D\u200C\u0937")));

// ---- the screen readers' tree

namespace {

struct Row {
  std::string key, name;
};

// One frame of `view` as the screen drives it: a title, a label whose text changes, a
// button with a "###" identity, a list of rows keyed by path, and a label drawn outside
// any window; returns the tree the frame made.
const A11yTree& reader_frame(int view, const std::vector<Row>& rows, const std::string& label) {
  a11y_before_frame();
  begin_frame();
  a11y_view_begin(view);
  ImGui::TextUnformatted("TITLE");
  a11y_text(A11yRole::HEADING, view == 0 ? "FORM" : "SETUP STOPPED", 1);
  ImGui::TextUnformatted(label.c_str());
  a11y_text(A11yRole::LABEL, label);
  ImGui::Button("Copy the command###copy");
  a11y_item(A11yRole::BUTTON, "Copy the command###copy");
  a11y_default_item();
  ImGui::BeginChild("##rows", ImVec2(400, 300));
  a11y_list("Rows", (int)rows.size());
  for (size_t i = 0; i < rows.size(); i++) {
    ImGui::PushID(rows[i].key.c_str());
    ImGui::Selectable("##row", i == 0);
    a11y_list_row((int)i, rows[i].key, rows[i].name.c_str(), i == 0);
    ImGui::PopID();
  }
  a11y_list_end();
  ImGui::EndChild();
  a11y_view_end("The message", view >= 2);
  ImGui::End();
  a11y_label_at("Build tools ready", 10, 10, 100, 20);  // as the status line does, outside the column
  a11y_end_frame();
  ImGui::Render();
  return a11y_tree();
}

const A11yNode* named(const A11yTree& t, const std::string& name) {
  for (const A11yNode& node : t.nodes)
    if (node.name == name) return &node;
  return nullptr;
}

struct ReaderTreeTest : WidgetTest {
  ReaderTreeTest() { a11y_switch(true); }
  ~ReaderTreeTest() override { a11y_switch(false); }
};

TEST_F(ReaderTreeTest, RowsAndLabelsKeepTheirIdentityByContentAndViewsShareNone) {
  A11yTree home = reader_frame(0, {{"/home/a", "Alpha"}, {"/home/b", "Beta"}}, "Checking this PC...");
  // Another folder: the row of the same path keeps its identity, a new path gets a new one,
  // whatever place either takes.
  A11yTree other = reader_frame(0, {{"/home/b", "Beta"}, {"/home/c", "Gamma"}}, "Build tools ready");
  ASSERT_TRUE(named(home, "Beta") && named(other, "Beta") && named(other, "Gamma"));
  EXPECT_EQ(named(home, "Beta")->id, named(other, "Beta")->id);
  EXPECT_NE(named(home, "Alpha")->id, named(other, "Gamma")->id);
  EXPECT_EQ(named(other, "Beta")->index, 0);
  // A label keeps its identity while its text changes.
  EXPECT_EQ(named(home, "Checking this PC...")->id, named(other, "Build tools ready")->id);

  // Another view: no node of the last one lives on in it under another name, so the old
  // objects are all told gone before the new ones come.
  A11yTree stopped = reader_frame(2, {{"/home/b", "Beta"}}, "Checking this PC...");
  for (const A11yNode& node : stopped.nodes) {
    for (const A11yNode& was : other.nodes) {
      if (node.id == was.id) {
        EXPECT_EQ(node.name, was.name) << "a node of the form named anew in another view";
      }
    }
  }
  EXPECT_NE(named(stopped, "Checking this PC...")->id, named(home, "Checking this PC...")->id);
}

TEST_F(ReaderTreeTest, EachViewIsAContainerNamedByItsTitleAndTheOutcomeItemCarriesTheMessage) {
  const A11yTree& t = reader_frame(2, {{"/x", "Notes ## 2024"}}, "A label");
  const A11yNode& view = t.nodes.front();
  EXPECT_EQ(view.role, A11yRole::PANEL);
  EXPECT_EQ(view.name, "SETUP STOPPED");
  EXPECT_EQ(view.description, "The message");
  EXPECT_EQ(t.view, view.id);
  for (const A11yNode& node : t.nodes) {
    if (node.role != A11yRole::PANEL && node.role != A11yRole::LIST_ITEM &&
        node.name != "Build tools ready") {
      EXPECT_EQ(node.parent, view.id) << node.name;
    }
  }
  ASSERT_TRUE(named(t, "Copy the command"));
  EXPECT_EQ(named(t, "Copy the command")->description, "The message");
  // Faithful text: a file's name is said whole, "##" and all.
  EXPECT_TRUE(named(t, "Notes ## 2024"));
  // The form is no outcome: its button keeps its own (empty) description.
  EXPECT_EQ(named(reader_frame(0, {}, "A label"), "Copy the command")->description, "");
}

TEST_F(ReaderTreeTest, ALabelOutsideAnyWindowLeavesTheDefaultDebugWindowHidden) {
  reader_frame(0, {}, "A label");
  reader_frame(0, {}, "A label");
  ImGuiWindow* debug = ImGui::FindWindowByName("Debug##Default");
  EXPECT_TRUE(!debug || !debug->Active || !debug->WasActive);
}

}  // namespace
