#include "look/effects.h"

#include "platform/display.h"
#include "platform/system_motion.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>

Effects g_effects;

static std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return (char)std::tolower(c); });
  return s;
}

bool slow_renderer(const std::string& renderer, const std::string& gl_renderer) {
  if (lower(renderer) == "software") return true;
  std::string gl = lower(gl_renderer);
  for (const char* name : {"llvmpipe", "softpipe", "gdi generic", "microsoft basic render"})
    if (gl.find(name) != std::string::npos) return true;
  return false;
}

Effects decide_effects(const EffectsFacts& f) {
  Effects e;
  switch (f.choice) {
    case EffectsChoice::FULL: return e;
    case EffectsChoice::REDUCED:
      e.motion = false;
      e.spare = true;
      return e;
    case EffectsChoice::AUTO:
      e.motion = !f.reduced_motion && !f.remote;
      e.spare = slow_renderer(f.renderer, f.gl_renderer);
      return e;
  }
  return e;
}

bool parse_effects(const char* text, EffectsChoice& out) {
  if (!strcmp(text, "auto"))
    out = EffectsChoice::AUTO;
  else if (!strcmp(text, "full"))
    out = EffectsChoice::FULL;
  else if (!strcmp(text, "reduced"))
    out = EffectsChoice::REDUCED;
  else
    return false;
  return true;
}

// GL_RENDERER of the renderer's OpenGL context, which SDL leaves current.
static std::string gl_renderer_name() {
  typedef const unsigned char*(SDLCALL * GetString)(unsigned int);
  GetString get = (GetString)SDL_GL_GetProcAddress("glGetString");
  const unsigned char* name = get ? get(0x1F01 /* GL_RENDERER */) : nullptr;
  return name ? (const char*)name : "";
}

void read_effects_facts(EffectsFacts& f) {
  const char* name = g_ren ? SDL_GetRendererName(g_ren) : nullptr;
  f.renderer = name ? name : "";
  if (f.renderer.rfind("opengl", 0) == 0) f.gl_renderer = gl_renderer_name();
  f.reduced_motion = system_wants_less_motion();
  f.remote = remote_session();
}
