// The backdrop's layers, shared by the direct drawing and the still picture.
#pragma once

#include <imgui.h>

// Everything one frame of the backdrop derives from its inputs.
struct Scene {
  float W, H, U, t;
  ImVec2 C;          // centre of the rings
  float D;           // window diagonal
  float S;           // emblem size
  float bob;         // the emblem's float
  ImVec2 E;          // emblem centre
  int steps;         // step rings
  int moving_from;   // the first running step ring, whose pulse and arc move; steps if none
  bool later_plain;  // every ring after it is a plain (pending) one
};

// Which layers one pass draws: all of them as they are (the direct way), those that stay
// put from frame to frame (drawn once into the still picture), or those that move (drawn
// over the still picture every frame).
enum Pass { ALL, STILL, MOVING };

// The scene of one frame for a W x H window at UI scale U, t seconds after start.
Scene scene(float W, float H, float U, float t);

// Draws the layers that `pass` takes into `dl`, later ones covering earlier ones.
void draw_layers(ImDrawList* dl, const Scene& s, Pass pass);

// The state of step ring i: waiting, running or finished.
int ring_state(int i);

// The haze's colour, which follows the glow.
ImU32 haze_colour();

// Whether the emblem stands clear of the shading, so that it can be drawn over the still
// picture.
bool emblem_clear_of_shading(const Scene& s);
