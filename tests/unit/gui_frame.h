// A Dear ImGui context without a window or renderer, with the program's fonts built, for
// tests that draw widgets or the backdrop and inspect the draw lists.
#pragma once

#include "look/theme.h"
#include "state/app.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <string>

struct GuiContext {
  ImGuiContext* context = nullptr;
  std::string saved_root;

  explicit GuiContext(float scale = 1.0f, const std::string& root = TARNWELL_SOURCE_DIR, float W = 1620,
                      float H = 1080) {
    context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(W, H);
    io.DeltaTime = 1.0f / 60.0f;
    // What the SDL renderer backend announces: it creates the atlas texture itself, and
    // large meshes are drawn in parts.
    io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures | ImGuiBackendFlags_RendererHasVtxOffset;
    apply_theme();
    saved_root = A.root;
    A.root = root;
    g_font_scale = 0;
    update_fonts(scale);
  }
  ~GuiContext() {
    if (context->WithinFrameScope) ImGui::EndFrame();
    ImGui::DestroyContext(context);
    A.root = saved_root;
    g_font_scale = 0;
    F_ROW = F_TITLE = F_HEAD = F_BODY = F_SMALL = F_MONO = Font{};
  }
  GuiContext(const GuiContext&) = delete;
  GuiContext& operator=(const GuiContext&) = delete;
};
