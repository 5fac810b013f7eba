// UI scale, the font set and its rebuilds, and the theme.
#include "look/font_fallback.h"
#include "look/font_file.h"
#include "look/theme.h"

#include "gui_frame.h"
#include "state/app.h"
#include "widgets/widgets.h"

#include <SDL3/SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_impl_sdl3.h>
#include <imgui_impl_sdlrenderer3.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Sizes = std::array<float, 6>;

Sizes font_sizes() { return {F_ROW.size, F_TITLE.size, F_HEAD.size, F_BODY.size, F_SMALL.size, F_MONO.size}; }

std::string temp_dir() {
  char pattern[] = "/tmp/tarnwell-theme-XXXXXX";
  return mkdtemp(pattern);
}

void write_file(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f) << path;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

TEST(UiScale, FitsTheDesignCanvasInsideTheWindow) {
  EXPECT_FLOAT_EQ(ui_scale(1920, 1080), 1.0f);
  EXPECT_FLOAT_EQ(ui_scale(1620, 1080), 1.0f);  // aspect exactly 1.5: the height decides
  EXPECT_FLOAT_EQ(ui_scale(1280, 720), 0.6666667f);
  EXPECT_FLOAT_EQ(ui_scale(960, 540), 0.5f);
  EXPECT_FLOAT_EQ(ui_scale(1200, 1000), 0.7407407f);
  EXPECT_FLOAT_EQ(ui_scale(2560, 1440), 1.3333334f);
  EXPECT_FLOAT_EQ(ui_scale(3240, 1080), 1.0f);
  EXPECT_NEAR(ui_scale(1000, 1000), 0.617f, 0.0005f);
  EXPECT_FLOAT_EQ(ui_scale(1000, 1080), 0.6172839f);  // narrower than 3:2: the width decides
  EXPECT_FLOAT_EQ(ui_scale(1924, 1082), 1.0018518f);
}

TEST(Theme, IsTheDarkSetWithAGoldNavigationFrame) {
  ImGuiContext* ctx = ImGui::CreateContext();
  ImGuiStyle dark;
  ImGui::StyleColorsDark(&dark);
  ImGui::StyleColorsLight();  // something else first, so that apply_theme has work to do
  apply_theme();
  const ImGuiStyle& style = ImGui::GetStyle();
  for (int i = 0; i < ImGuiCol_COUNT; i++) {
    if (i == ImGuiCol_NavCursor) continue;
    EXPECT_EQ(memcmp(&style.Colors[i], &dark.Colors[i], sizeof(ImVec4)), 0) << ImGui::GetStyleColorName(i);
  }
  const ImVec4& nav = style.Colors[ImGuiCol_NavCursor];
  EXPECT_EQ((std::array<float, 4>{nav.x, nav.y, nav.z, nav.w}),
            (std::array<float, 4>{0.93f, 0.76f, 0.33f, 0.90f}));
  // Sizes are left alone: every widget pushes its own.
  EXPECT_EQ(style.FrameRounding, dark.FrameRounding);
  EXPECT_EQ(style.FrameBorderSize, 0.0f);
  ImGui::DestroyContext(ctx);
}

TEST(Theme, SharedColours) {
  EXPECT_EQ((std::array<float, 4>{TEXT.x, TEXT.y, TEXT.z, TEXT.w}),
            (std::array<float, 4>{0.96f, 0.92f, 0.84f, 1}));
  EXPECT_EQ((std::array<float, 4>{DIM.x, DIM.y, DIM.z, DIM.w}),
            (std::array<float, 4>{0.66f, 0.58f, 0.47f, 1}));
  EXPECT_EQ((std::array<float, 4>{GOLD.x, GOLD.y, GOLD.z, GOLD.w}),
            (std::array<float, 4>{0.96f, 0.74f, 0.28f, 1}));
}

TEST(Fonts, PixelSizesFollowTheScaleRoundedDown) {
  struct Case {
    int w, h;
    Sizes sizes;
  };
  const Case cases[] = {
      {1920, 1080, {25, 84, 34, 23, 19, 18}},  {1600, 900, {20, 70, 28, 19, 15, 15}},
      {1280, 720, {16, 56, 22, 15, 12, 12}},   {960, 540, {12, 42, 17, 11, 9, 9}},
      {2560, 1440, {33, 112, 45, 30, 25, 24}}, {1000, 1080, {15, 51, 20, 14, 11, 11}},
  };
  GuiContext gui(1.0f);
  for (const Case& c : cases) {
    float scale = ui_scale(c.w, c.h);
    update_fonts(scale);
    EXPECT_EQ(font_sizes(), c.sizes) << c.w << "x" << c.h;
    EXPECT_EQ(g_font_scale, scale);
    // Built in this order, F_ROW first: it is the font of text outside any PushFont.
    ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    // One face for the five text fonts, one for the monospaced one: each file is held once.
    ASSERT_EQ(atlas->Fonts.Size, 2);
    EXPECT_EQ(atlas->Fonts[0], F_ROW.face);
    EXPECT_EQ(atlas->Fonts[1], F_MONO.face);
    for (const Font& font : {F_TITLE, F_HEAD, F_BODY, F_SMALL}) EXPECT_EQ(font.face, F_ROW.face);
    EXPECT_STREQ(F_TITLE.face->GetDebugName(), "Roboto-Medium.ttf");
  }
}

TEST(Fonts, SmallMovesKeepTheFontsLargerOnesRebuildThem) {
  GuiContext gui(ui_scale(1920, 1080));
  Font row = F_ROW;
  update_fonts(ui_scale(1924, 1082));  // 1.0018518: within 0.004
  EXPECT_EQ(g_font_scale, 1.0f);
  EXPECT_EQ(F_ROW.face, row.face);
  EXPECT_EQ(F_ROW.size, row.size);
  EXPECT_EQ(font_sizes(), (Sizes{25, 84, 34, 23, 19, 18}));
  update_fonts(ui_scale(1920, 1084));  // 1.0037037: still within
  EXPECT_EQ(g_font_scale, 1.0f);
  EXPECT_EQ(F_ROW.face, row.face);
  EXPECT_EQ(F_ROW.size, row.size);

  update_fonts(ui_scale(1910, 1074));  // 0.9944444: more than 0.004 away
  EXPECT_FLOAT_EQ(g_font_scale, 0.9944444f);
  EXPECT_EQ(font_sizes(), (Sizes{24, 83, 33, 22, 18, 17}));
  EXPECT_EQ(F_ROW.face, row.face);  // the faces draw any size: nothing is rebuilt
  EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 2);
}

TEST(Fonts, EachFontDrawsAtItsOwnSizeAlsoAfterARebuild) {
  GuiContext gui(1.0f);
  for (float scale : {1.0f, 0.5f, 1.3333334f}) {
    update_fonts(scale);
    ImGui::NewFrame();
    // Outside any PushFont: F_ROW at its size, not the size of the first build.
    EXPECT_EQ(ImGui::GetFont(), F_ROW.face);
    EXPECT_EQ(ImGui::GetFontSize(), F_ROW.size) << scale;
    for (const Font& font : {F_ROW, F_TITLE, F_HEAD, F_BODY, F_SMALL, F_MONO}) {
      push_font(font);  // as the screens push them
      EXPECT_EQ(ImGui::GetFontSize(), font.size) << scale;
      EXPECT_FLOAT_EQ(ImGui::CalcTextSize("Hg").y, font.size) << scale;
      ImGui::PopFont();
    }
    ImGui::EndFrame();
  }
}

TEST(Fonts, MonospacedFontIsASystemOneWhereFound) {
  GuiContext gui(1.0f);
#ifndef _WIN32
  // The install script provides DejaVu Sans Mono.
  EXPECT_STREQ(F_MONO.face->GetDebugName(), "DejaVuSansMono.ttf");
#endif
  ImGui::NewFrame();
  push_font(F_MONO);
  EXPECT_EQ(ImGui::CalcTextSize("iiii").x, ImGui::CalcTextSize("WWWW").x);
  ImGui::PopFont();
  push_font(F_ROW);
  EXPECT_LT(ImGui::CalcTextSize("iiii").x, ImGui::CalcTextSize("WWWW").x);
  ImGui::PopFont();
  ImGui::EndFrame();
}

TEST(Fonts, FirstFontFileTakesTheFirstRegularFile) {
  std::string dir = temp_dir();
  std::string file = dir + "/mono.ttf";
  write_file(file, "x");
  std::string missing = dir + "/missing.ttf";
  EXPECT_EQ(first_font_file({missing.c_str(), dir.c_str(), file.c_str()}, "fallback"), file);
  EXPECT_EQ(first_font_file({missing.c_str(), dir.c_str()}, "fallback"), "fallback");  // a folder is no font
  EXPECT_EQ(first_font_file({}, "fallback"), "fallback");
}

// A root whose font file is missing, a folder, or not a font: the built-in font stands in
// for each text font at its own fixed size, and nothing stops the program.
TEST(Fonts, UnusableTextFontFallsBackToTheBuiltInFont) {
  std::string missing = temp_dir();
  std::string folder = temp_dir();
  ASSERT_EQ(system(("mkdir -p " + folder + "/runtime/ui/fonts/Roboto-Medium.ttf").c_str()), 0);
  std::string garbage = temp_dir();
  ASSERT_EQ(system(("mkdir -p " + garbage + "/runtime/ui/fonts").c_str()), 0);
  write_file(garbage + "/runtime/ui/fonts/Roboto-Medium.ttf", std::string(4096, 'x'));

  for (const std::string& root : {missing, folder, garbage}) {
    GuiContext gui(1.3333334f, root);
    for (const Font& font : {F_ROW, F_TITLE, F_HEAD, F_BODY, F_SMALL}) {
      ASSERT_TRUE(font) << root;
      EXPECT_STREQ(font.face->GetDebugName(), "ProggyClean.ttf") << root;
      EXPECT_EQ(font.size, 13.0f) << root;
    }
    ASSERT_TRUE(F_MONO);
#ifndef _WIN32
    EXPECT_EQ(F_MONO.size, 24.0f);  // the system's monospaced font still follows the scale
#endif
    EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 2);
    // The screens still draw.
    ImGui::NewFrame();
    push_font(F_TITLE);
    EXPECT_GT(ImGui::CalcTextSize("Tarnwell").x, 0);
    ImGui::PopFont();
    ImGui::EndFrame();
  }
}

// Height in pixels of the rows that hold any light pixel: the drawn height of the glyphs.
int ink_height(SDL_Renderer* ren) {
  SDL_Surface* shot = SDL_RenderReadPixels(ren, nullptr);
  if (!shot) return -1;
  SDL_Surface* rgba = SDL_ConvertSurface(shot, SDL_PIXELFORMAT_RGBA32);
  SDL_DestroySurface(shot);
  int top = -1, bottom = -1;
  for (int y = 0; y < rgba->h; y++) {
    const Uint8* row = (const Uint8*)rgba->pixels + y * rgba->pitch;
    for (int x = 0; x < rgba->w; x++)
      if (row[4 * x] > 128) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
  }
  SDL_DestroySurface(rgba);
  return top < 0 ? 0 : bottom - top + 1;
}

// The real renderer backend takes the rebuilt atlas over by itself: after each rebuild the
// title font's capital letters come out at the new size in the rendered pixels. SDL's
// off-screen video driver with its software renderer needs no display.
TEST(Fonts, RendererBackendUploadsEachRebuiltAtlas) {
  SDL_SetHint(SDL_HINT_VIDEO_DRIVER, "dummy");
  ASSERT_TRUE(SDL_InitSubSystem(SDL_INIT_VIDEO)) << SDL_GetError();
  SDL_ResetHint(SDL_HINT_VIDEO_DRIVER);
  SDL_Window* win = SDL_CreateWindow("fonts", 400, 300, 0);
  ASSERT_TRUE(win) << SDL_GetError();
  SDL_Renderer* ren = SDL_CreateRenderer(win, SDL_SOFTWARE_RENDERER);
  ASSERT_TRUE(ren) << SDL_GetError();
  ImGuiContext* ctx = ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;
  apply_theme();
  ImGui_ImplSDL3_InitForSDLRenderer(win, ren);
  ImGui_ImplSDLRenderer3_Init(ren);
  std::string saved_root = A.root;
  A.root = TARNWELL_SOURCE_DIR;
  g_font_scale = 0;

  int heights[3] = {};
  const float scales[3] = {1.0f, 0.5f, 1.0f};
  for (int i = 0; i < 3; i++) {
    update_fonts(scales[i]);
    for (int frame = 0; frame < 2; frame++) {
      ImGui_ImplSDLRenderer3_NewFrame();
      ImGui_ImplSDL3_NewFrame();
      ImGui::NewFrame();
      push_font(F_TITLE);
      ImGui::GetBackgroundDrawList()->AddText(ImVec2(10, 10), IM_COL32_WHITE, "HEH");
      ImGui::PopFont();
      ImGui::Render();
      SDL_SetRenderDrawColor(ren, 0, 0, 0, 255);
      SDL_RenderClear(ren);
      ImGui_ImplSDLRenderer3_RenderDrawData(ImGui::GetDrawData(), ren);
    }
    heights[i] = ink_height(ren);
    ImTextureData* tex = ImGui::GetIO().Fonts->TexData;
    EXPECT_EQ(tex->Status, ImTextureStatus_OK);
    EXPECT_NE(tex->TexID, ImTextureID_Invalid);
  }
  // The pixel size spans Roboto's ascent and descent (2400 font units) and its capitals
  // stand 1456 units: 51 pixels at 84, 25.5 at 42.
  EXPECT_NEAR(heights[0], 1456.0f / 2400 * 84, 1.5f);
  EXPECT_NEAR(heights[1], 1456.0f / 2400 * 42, 1.5f);
  EXPECT_EQ(heights[2], heights[0]);

  ImGui_ImplSDLRenderer3_Shutdown();
  ImGui_ImplSDL3_Shutdown();
  ImGui::DestroyContext(ctx);
  A.root = saved_root;
  g_font_scale = 0;
  SDL_DestroyRenderer(ren);
  SDL_DestroyWindow(win);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace

// The system's fallback for a character of each script Roboto lacks, and the atlas that
// takes it in: after a frame that asked for it, the text face draws the character.
TEST(Fonts, EveryScriptFindsASystemFontAndTheTextFaceTakesItIn) {
  GuiContext gui(1.0f);
  for (char32_t c : {U'\u6C34', U'\uAC8C', U'\u0628', U'\uFEE3', U'\u05E9', U'\u0E01', U'\U0001F3AE'}) {
    FontFace face = system_font_for(c);
    EXPECT_FALSE(face.path.empty()) << std::hex << (unsigned)c;
    ImGui::NewFrame();
    std::string text;
    if (c < 0x800)
      text = {(char)(0xC0 | (c >> 6)), (char)(0x80 | (c & 0x3F))};
    else if (c < 0x10000)
      text = {(char)(0xE0 | (c >> 12)), (char)(0x80 | ((c >> 6) & 0x3F)), (char)(0x80 | (c & 0x3F))};
    else
      text = {(char)(0xF0 | (c >> 18)), (char)(0x80 | ((c >> 12) & 0x3F)), (char)(0x80 | ((c >> 6) & 0x3F)),
              (char)(0x80 | (c & 0x3F))};
    want_glyphs(text);
    ImGui::EndFrame();
    update_fonts(1.0f);
    EXPECT_TRUE(F_ROW.face->IsGlyphInFont((ImWchar)c)) << std::hex << (unsigned)c;
  }
  // A Han character takes the forms of the UI language's fonts first.
  EXPECT_EQ(cjk_order("ja")[0], "ja");
  EXPECT_EQ(cjk_order("zh_TW.UTF-8")[0], "zh-Hant");
  EXPECT_EQ(cjk_order("zh-Hant")[0], "zh-Hant");
  EXPECT_EQ(cjk_order("ko")[0], "ko");
  EXPECT_EQ(cjk_order("en")[0], "zh-Hans");
}

// A face's coverage, read from its character map in one go, says what asking for each
// character says: all of the first plane, a sample beyond it and both sides of every run's
// ends, for single fonts and each face of a collection.
TEST(Fonts, CoverageOfAFaceAgreesWithAskingForEachCharacter) {
  const std::string roboto = std::string(TARNWELL_SOURCE_DIR) + "/runtime/ui/fonts/Roboto-Medium.ttf";
  int read = 0;
  for (const std::string& path :
       {roboto, std::string("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"),
        std::string("/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf")}) {
    size_t size = 0;
    void* data = SDL_LoadFile(path.c_str(), &size);
    if (!data) continue;  // the install script provides them; Roboto at least is there
    read++;
    const int faces = face_count(data, size);
    EXPECT_EQ(faces, path.find(".ttc") != std::string::npos ? 2 : 1) << path;
    for (int index = 0; index < faces; index++) {
      const std::vector<CharRange> runs = face_coverage(data, size, index);
      ASSERT_FALSE(runs.empty()) << path;
      std::vector<char32_t> asked;
      for (char32_t c = 0; c < 0x10000; c++) asked.push_back(c);
      for (char32_t c = 0x10000; c <= 0x10FFFF; c += 89) asked.push_back(c);
      for (size_t i = 0; i < runs.size(); i++) {
        if (i) {
          EXPECT_GT(runs[i].first, runs[i - 1].last + 1) << path;  // sorted, apart
        }
        asked.insert(asked.end(), {runs[i].first - 1, runs[i].first, runs[i].last, runs[i].last + 1});
      }
      int wrong = 0;
      for (char32_t c : asked) wrong += covers(runs, c) != face_has_char(data, size, index, c);
      EXPECT_EQ(wrong, 0) << path << " face " << index;
    }
    SDL_free(data);
  }
  EXPECT_GE(read, 1);
  EXPECT_EQ(face_count("no font, only words", 19), 0);
}

// A font file cut short (a copy interrupted, a damaged disk) is refused as a whole, wherever
// the cut falls: in the table directory, inside the outlines, a few bytes from the end. Its
// bytes are never read beyond the size given (the sanitizer builds check that).
TEST(Fonts, ATruncatedFileIsRefused) {
  const std::string roboto = std::string(TARNWELL_SOURCE_DIR) + "/runtime/ui/fonts/Roboto-Medium.ttf";
  size_t size = 0;
  void* data = SDL_LoadFile(roboto.c_str(), &size);
  ASSERT_TRUE(data);
  EXPECT_TRUE(face_opens(data, size, 0));
  for (size_t cut : {(size_t)11, (size_t)200, (size_t)4000, size / 3, size / 2, size - 16}) {
    // A copy of exactly the cut length, so that reading past it is an error the sanitizers see.
    std::vector<char> part((const char*)data, (const char*)data + cut);
    EXPECT_FALSE(face_opens(part.data(), part.size(), 0)) << "cut at " << cut;
    EXPECT_EQ(cap_height_fraction(part.data(), part.size(), 0), 0.0f) << "cut at " << cut;
  }
  SDL_free(data);
}

// A fallback file that the text face and the monospaced one both take is held once, and
// rebuilding the atlas for a further fallback keeps the bytes it has, which the glyphs of
// every size are then made from.
TEST(Fonts, AFallbackFileIsHeldOnceForBothFacesAndAcrossRebuilds) {
  GuiContext gui(1.0f);
  if (F_MONO.face == F_ROW.face) GTEST_SKIP() << "no monospaced system font";
  auto file_bytes = [](const char* name) {
    std::vector<void*> found;
    for (const ImFontConfig& source : ImGui::GetIO().Fonts->Sources)
      if (strcmp(source.Name, name) == 0) found.push_back(source.FontData);
    return found;
  };
  const std::string han = "\xE6\xB0\xB4", thai = "\xE0\xB8\x81";
  FontFace cjk = system_font_for(U'\u6C34');
  ASSERT_FALSE(cjk.path.empty());
  const std::string name = cjk.path.substr(cjk.path.rfind('/') + 1);
  ImGui::NewFrame();
  want_glyphs(han, F_ROW.face);
  want_glyphs(han, F_MONO.face);
  ImGui::EndFrame();
  update_fonts(1.0f);
  const std::vector<void*> first = file_bytes(name.c_str());
  ASSERT_EQ(first.size(), 2u) << name;
  EXPECT_EQ(first[0], first[1]);
  ImGui::NewFrame();
  want_glyphs(thai, F_ROW.face);
  ImGui::EndFrame();
  update_fonts(1.0f);
  EXPECT_EQ(file_bytes(name.c_str()), first);
  ImGui::NewFrame();
  for (const Font& font : {F_ROW, F_TITLE, F_MONO}) {
    push_font(font);
    EXPECT_TRUE(ImGui::GetFont()->IsGlyphInFont(0x6C34));
    EXPECT_GT(ImGui::CalcTextSize(han.c_str()).x, font.size / 2);
    ImGui::PopFont();
  }
  ImGui::EndFrame();
}
