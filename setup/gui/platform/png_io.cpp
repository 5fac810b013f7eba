#include "platform/png_io.h"

#if SDL_VERSION_ATLEAST(3, 4, 0)

SDL_Surface* load_png(const char* path) { return SDL_LoadPNG(path); }
bool save_png(SDL_Surface* surface, const char* path) { return SDL_SavePNG(surface, path); }

#else

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <cstring>

SDL_Surface* load_png(const char* path) {
  size_t size = 0;
  void* bytes = SDL_LoadFile(path, &size);  // sets SDL's reason when it fails
  if (!bytes) return nullptr;
  int w = 0, h = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory((const stbi_uc*)bytes, (int)size, &w, &h, &channels, 4);
  SDL_free(bytes);
  if (!pixels) {
    SDL_SetError("Couldn't read PNG %s: %s", path, stbi_failure_reason());
    return nullptr;
  }
  SDL_Surface* surface = SDL_CreateSurface(w, h, SDL_PIXELFORMAT_RGBA32);
  if (surface) {
    for (int y = 0; y < h; y++)
      memcpy((Uint8*)surface->pixels + (size_t)y * surface->pitch, pixels + (size_t)y * w * 4, (size_t)w * 4);
  }
  stbi_image_free(pixels);
  return surface;
}

struct PngSink {
  SDL_IOStream* io;
  bool failed;
};

static void write_to_io(void* context, void* data, int size) {
  PngSink* sink = (PngSink*)context;
  if (!sink->failed && SDL_WriteIO(sink->io, data, (size_t)size) != (size_t)size) sink->failed = true;
}

bool save_png(SDL_Surface* surface, const char* path) {
  if (!surface) return SDL_InvalidParamError("surface");
  SDL_Surface* rgba = SDL_ConvertSurface(surface, SDL_PIXELFORMAT_RGBA32);
  if (!rgba) return false;
  PngSink sink = {SDL_IOFromFile(path, "wb"), false};  // SDL gives the reason when it fails
  bool ok = false;
  if (sink.io) {
    ok = stbi_write_png_to_func(write_to_io, &sink, rgba->w, rgba->h, 4, rgba->pixels, rgba->pitch);
    ok = ok && !sink.failed;  // SDL_WriteIO has set the reason on a short write
    if (!SDL_CloseIO(sink.io)) ok = false;
    // Leave no truncated picture behind, but never remove anything but a plain file.
    SDL_PathInfo info;
    if (!ok && SDL_GetPathInfo(path, &info) && info.type == SDL_PATHTYPE_FILE) {
      char* reason = SDL_strdup(SDL_GetError());
      SDL_RemovePath(path);
      SDL_SetError("%s", reason);
      SDL_free(reason);
    }
  }
  SDL_DestroySurface(rgba);
  return ok;
}

#endif
