// The animated picture behind the screen column: haze, wavering rings, dark shards, one
// ring per build step, the emblem over its shadow, rising embers, shading that keeps the
// right-hand side dark, and the flash of success.
#pragma once

#include <SDL3/SDL.h>

#include <cstdint>

// Draws one frame of the backdrop into the background draw list for a W x H window at
// UI scale U, t seconds after start. Reads App (glow, flash, installed, steps, shown_step,
// icon) and changes nothing; the same inputs always give the same picture.
// The layers that do not move are drawn once into a texture on g_ren and redrawn only
// when the window's size, the haze's colour or a still step ring changes; without a
// renderer that can draw into textures every layer is drawn each frame.
void draw_backdrop(float W, float H, float U, float t);

// The same picture with every layer drawn each frame, as it is without the still picture.
void draw_backdrop_direct(float W, float H, float U, float t);

// Frees the still picture; called before the renderer goes, and safe to call again.
void release_backdrop();

// The renderer lost what its textures held (its render targets, or its whole device): the
// still picture is drawn anew on the next frame.
void forget_still_picture();

// The still picture's texture while there is one; for tests that look into it.
SDL_Texture* still_picture_texture();

// A fixed pseudo-random value in [0, 1) for `x`: the same on every frame and every run.
float noise01(uint32_t x);

// How many thin rings surround the centre: they are 21 x U apart and reach the window's
// diagonal; the first is always drawn.
int backdrop_ring_count(float W, float H, float U);
