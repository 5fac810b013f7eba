// The still picture: the backdrop's layers that do not move, drawn into a texture.
#include "look/backdrop.h"
#include "look/backdrop_layers.h"
#include "look/stack_colours.h"
#include "platform/display.h"

#include <imgui.h>
#include <imgui_impl_sdlrenderer3.h>
#include <imgui_internal.h>

#include <vector>

// The still picture: the layers that do not move, drawn once into a texture the size of
// the window and redrawn only when something it shows changes.
struct Still {
  SDL_Texture* texture = nullptr;
  int w = 0, h = 0;             // its size in pixels
  float W = 0, H = 0, U = 0;    // the window it was drawn for
  float centre_x = 0;           // where its rings stand: beside the column, on either side
  ImU32 haze = 0;               // the haze's colour, which follows the glow
  int moving_from = 0;          // the running step ring, which it leaves out
  std::vector<uint8_t> states;  // the step rings' states
  bool unavailable = false;     // the renderer cannot draw into textures
  ImDrawList* list = nullptr;
};
static Still g_still;

// The states of the step rings and which one runs say which rings it holds and how they
// look.
static bool same_still_rings(const Scene& s) {
  if ((int)g_still.states.size() != s.steps || g_still.moving_from != s.moving_from) return false;
  for (int i = 0; i < s.steps; i++)
    if (g_still.states[i] != (uint8_t)ring_state(i)) return false;
  return true;
}

static bool render_still(const Scene& s, int w, int h, ImVec2 scale) {
  if (!g_still.texture || g_still.w != w || g_still.h != h) {
    if (g_still.texture) SDL_DestroyTexture(g_still.texture);
    g_still.texture = SDL_CreateTexture(g_ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    if (!g_still.texture) return false;
    // The picture is opaque: copied, not blended, and pixel for pixel.
    SDL_SetTextureBlendMode(g_still.texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(g_still.texture, SDL_SCALEMODE_NEAREST);
    g_still.w = w, g_still.h = h;
  }
  if (!g_still.list) g_still.list = IM_NEW(ImDrawList)(ImGui::GetDrawListSharedData());
  ImDrawList* dl = g_still.list;
  // Set up as Dear ImGui sets up its own background list.
  dl->_ResetForNewFrame();
  dl->Flags = ImGui::GetBackgroundDrawList()->Flags;
  dl->PushTexture(ImGui::GetIO().Fonts->TexRef);
  dl->PushClipRect(ImVec2(0, 0), ImVec2(s.W, s.H), false);
  draw_layers(dl, s, STILL);

  ImDrawData data;
  data.Valid = true;
  data.CmdLists.push_back(dl);
  data.CmdListsCount = 1;
  data.TotalVtxCount = dl->VtxBuffer.Size;
  data.TotalIdxCount = dl->IdxBuffer.Size;
  data.DisplayPos = ImVec2(0, 0);
  data.DisplaySize = ImVec2(s.W, s.H);
  data.FramebufferScale = scale;
  // The shapes take their white pixel and line edges from the font atlas, which in the
  // first frame is not uploaded yet.
  if (!font_atlas_texture()) return false;
  SDL_Texture* target = SDL_GetRenderTarget(g_ren);
  if (!SDL_SetRenderTarget(g_ren, g_still.texture)) return false;
  SDL_SetRenderDrawColor(g_ren, 0, 0, 0, 255);
  SDL_RenderClear(g_ren);
  ImGui_ImplSDLRenderer3_RenderDrawData(&data, g_ren);
  SDL_SetRenderTarget(g_ren, target);
  return true;
}

// Makes the still picture match this frame; false when it cannot be had.
static bool still_ready(const Scene& s) {
  if (!g_ren || g_still.unavailable || !emblem_clear_of_shading(s)) return false;
  ImVec2 scale = ImGui::GetIO().DisplayFramebufferScale;
  if (!(scale.x > 0) || !(scale.y > 0)) scale = ImVec2(1, 1);
  int w = (int)(s.W * scale.x), h = (int)(s.H * scale.y);
  if (w <= 0 || h <= 0) return false;
  if (g_still.texture && g_still.w == w && g_still.h == h && g_still.W == s.W && g_still.H == s.H &&
      g_still.U == s.U && g_still.centre_x == s.C.x && g_still.haze == haze_colour() && same_still_rings(s))
    return true;
  if (!render_still(s, w, h, scale)) {
    g_still.unavailable = true;
    release_backdrop();
    return false;
  }
  g_still.W = s.W, g_still.H = s.H, g_still.U = s.U;
  g_still.centre_x = s.C.x;
  g_still.haze = haze_colour();
  g_still.states.clear();
  for (int i = 0; i < s.steps; i++) g_still.states.push_back((uint8_t)ring_state(i));
  g_still.moving_from = s.moving_from;
  return true;
}

void draw_backdrop(float W, float H, float U, float t) {
  Scene s = scene(W, H, U, t);
  ImDrawList* dl = ImGui::GetBackgroundDrawList();
  if (!still_ready(s)) {
    draw_layers(dl, s, ALL);
    return;
  }
  dl->AddImage((ImTextureID)(uintptr_t)g_still.texture, ImVec2(0, 0), ImVec2(W, H));
  draw_layers(dl, s, MOVING);
}

void forget_still_picture() {
  // Drawn again from scratch, colours measured anew; a renderer that could not draw into
  // textures before still cannot.
  bool unavailable = g_still.unavailable;
  release_backdrop();
  g_still.unavailable = unavailable;
}

SDL_Texture* still_picture_texture() { return g_still.texture; }

void release_backdrop() {
  if (g_still.texture) SDL_DestroyTexture(g_still.texture);
  g_still.texture = nullptr;
  g_still.w = g_still.h = 0;
  g_still.states.clear();
  if (g_still.list) IM_DELETE(g_still.list);
  g_still.list = nullptr;
  forget_stack_colours();
}
