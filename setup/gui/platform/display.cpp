#include "platform/display.h"

#include "platform/png_io.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer3.h>

SDL_Window* g_win = nullptr;
SDL_Renderer* g_ren = nullptr;

bool desktop_size(int* width, int* height) {
  const SDL_DisplayMode* mode = SDL_GetDesktopDisplayMode(SDL_GetPrimaryDisplay());
  if (!mode) return false;
  *width = mode->w;
  *height = mode->h;
  return true;
}

SDL_Texture* font_atlas_texture() {
  ImTextureData* atlas = ImGui::GetIO().Fonts->TexData;
  if (atlas && atlas->Status != ImTextureStatus_OK) ImGui_ImplSDLRenderer3_UpdateTexture(atlas);
  if (!atlas || atlas->TexID == ImTextureID_Invalid) return nullptr;
  return (SDL_Texture*)(intptr_t)atlas->TexID;
}

SDL_Texture* texture_of(SDL_Surface* surface) {
  SDL_Texture* texture = SDL_CreateTextureFromSurface(g_ren, surface);
  if (texture) SDL_SetTextureScaleMode(texture, SDL_SCALEMODE_LINEAR);
  return texture;
}

SDL_Texture* load_texture(const char* path) {
  SDL_Surface* surface = load_png(path);
  if (!surface) return nullptr;
  SDL_Texture* texture = texture_of(surface);
  SDL_DestroySurface(surface);
  return texture;
}
