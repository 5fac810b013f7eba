// PNG files to and from surfaces, with SDL's success and failure results.
#include "platform/png_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string temp_path(const char* name) { return std::string(testing::TempDir()) + "/" + name; }

TEST(PngIo, SavedPixelsReadBackExactly) {
  SDL_Surface* s = SDL_CreateSurface(7, 3, SDL_PIXELFORMAT_RGBA32);
  ASSERT_TRUE(s);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 7; x++) {
      Uint8* p = (Uint8*)s->pixels + y * s->pitch + x * 4;
      p[0] = (Uint8)(x * 30), p[1] = (Uint8)(y * 100), p[2] = 200, p[3] = (Uint8)(x == 0 ? 0 : 255);
    }
  std::string path = temp_path("roundtrip.png");
  ASSERT_TRUE(save_png(s, path.c_str())) << SDL_GetError();
  SDL_Surface* back = load_png(path.c_str());
  ASSERT_TRUE(back) << SDL_GetError();
  ASSERT_EQ(back->w, 7);
  ASSERT_EQ(back->h, 3);
  SDL_Surface* rgba = SDL_ConvertSurface(back, SDL_PIXELFORMAT_RGBA32);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 7; x++) {
      Uint8* a = (Uint8*)s->pixels + y * s->pitch + x * 4;
      Uint8* b = (Uint8*)rgba->pixels + y * rgba->pitch + x * 4;
      EXPECT_EQ(0, memcmp(a, b, 4)) << x << "," << y;
    }
  SDL_DestroySurface(rgba);
  SDL_DestroySurface(back);
  SDL_DestroySurface(s);
}

TEST(PngIo, OtherPixelFormatsAreConvertedBeforeSaving) {
  SDL_Surface* s = SDL_CreateSurface(2, 2, SDL_PIXELFORMAT_XRGB8888);  // what renderers read back
  SDL_FillSurfaceRect(s, nullptr, SDL_MapSurfaceRGB(s, 10, 20, 30));
  std::string path = temp_path("xrgb.png");
  ASSERT_TRUE(save_png(s, path.c_str())) << SDL_GetError();
  SDL_Surface* back = load_png(path.c_str());
  ASSERT_TRUE(back);
  Uint8 r, g, b, a;
  ASSERT_TRUE(SDL_ReadSurfacePixel(back, 1, 1, &r, &g, &b, &a));
  EXPECT_EQ((int)r, 10);
  EXPECT_EQ((int)g, 20);
  EXPECT_EQ((int)b, 30);
  EXPECT_EQ((int)a, 255);
  SDL_DestroySurface(back);
  SDL_DestroySurface(s);
}

TEST(PngIo, FailuresGiveNullOrFalseWithAReason) {
  SDL_ClearError();
  EXPECT_EQ(load_png(temp_path("does-not-exist.png").c_str()), nullptr);
  EXPECT_STRNE(SDL_GetError(), "");

  std::string junk = temp_path("junk.png");
  FILE* f = fopen(junk.c_str(), "wb");
  fputs("this is no picture", f);
  fclose(f);
  SDL_ClearError();
  EXPECT_EQ(load_png(junk.c_str()), nullptr);
  EXPECT_STRNE(SDL_GetError(), "");

  SDL_Surface* s = SDL_CreateSurface(1, 1, SDL_PIXELFORMAT_RGBA32);
  SDL_ClearError();
  EXPECT_FALSE(save_png(s, temp_path("no/such/folder/x.png").c_str()));
  EXPECT_STRNE(SDL_GetError(), "");
  EXPECT_FALSE(save_png(nullptr, temp_path("null.png").c_str()));
  SDL_DestroySurface(s);
}

TEST(PngIo, AFullDiskLeavesNoTruncatedFile) {
  SDL_Surface* s = SDL_CreateSurface(64, 64, SDL_PIXELFORMAT_RGBA32);
  SDL_ClearError();
  EXPECT_FALSE(save_png(s, "/dev/full"));
  EXPECT_STRNE(SDL_GetError(), "");
  SDL_PathInfo info;
  EXPECT_TRUE(SDL_GetPathInfo("/dev/full", &info));  // only plain files are cleaned up
  SDL_DestroySurface(s);
}

}  // namespace
