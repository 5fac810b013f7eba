// The one place that decides how much of the picture moves and how often the window
// draws: from the renderer, the system's wish for less motion, a remote session and the
// --effects switch.
#pragma once

#include <string>

// --effects: "full" draws the whole moving picture at the display's rate wherever it
// runs; "reduced" keeps the backdrop still and draws only what changes; "auto" (the
// default) decides from what it finds.
enum class EffectsChoice { AUTO, FULL, REDUCED };

// What the decision is made from.
struct EffectsFacts {
  EffectsChoice choice = EffectsChoice::AUTO;
  std::string renderer;         // SDL's name for it: "opengl", "software", "direct3d11"...
  std::string gl_renderer;      // GL_RENDERER of an OpenGL renderer, else empty
  bool reduced_motion = false;  // the system asks for less motion
  bool remote = false;          // the session is shown on another machine
};

struct Effects {
  // The backdrop drifts, pulses, flickers and bobs, the running step's dot pulses, and
  // values ease toward their targets; otherwise all stands still and changes at once.
  bool motion = true;
  // Drawing takes much of the CPU (a renderer without a GPU): while a job runs, the window
  // draws only a few frames a second and on the user's input, so that the build keeps it.
  bool spare = false;
};

extern Effects g_effects;

// True for renderers that draw without a GPU: SDL's own, or OpenGL through Mesa's
// llvmpipe or softpipe, Windows' "GDI Generic" or its basic render driver.
bool slow_renderer(const std::string& renderer, const std::string& gl_renderer);

Effects decide_effects(const EffectsFacts& facts);

// Parses the value of --effects; false for a value it does not know.
bool parse_effects(const char* text, EffectsChoice& out);

// The facts of this machine for the window's renderer (`choice` left as given).
void read_effects_facts(EffectsFacts& facts);
