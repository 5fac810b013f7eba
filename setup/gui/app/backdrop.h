// The animated picture behind the screen column: haze, wavering rings, dark shards, one
// ring per build step, the emblem over its shadow, rising embers, shading that keeps the
// right-hand side dark, and the flash of success.
#pragma once

#include <cstdint>

// Draws one frame of the backdrop into the background draw list for a W x H window at
// UI scale U, t seconds after start. Reads App (glow, flash, installed, steps, shown_step,
// icon) and changes nothing; the same inputs always give the same picture.
void draw_backdrop(float W, float H, float U, float t);

// A fixed pseudo-random value in [0, 1) for `x`: the same on every frame and every run.
float noise01(uint32_t x);

// How many thin rings surround the centre: they are 21 x U apart and reach the window's
// diagonal; the first is always drawn.
int backdrop_ring_count(float W, float H, float U);
