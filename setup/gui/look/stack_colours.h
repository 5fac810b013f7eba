// The colours with which a stack of faint same-coloured discs is drawn as one mesh.
#pragma once

#include <imgui.h>

// Fills zones[0 .. count - 1] (count at most 64) for disc_stack: the colours of discs of
// colour `rgb` with alphas[i], packed as lone discs have them. On g_ren each zone gets the
// single colour whose one blend comes closest to what the renderer makes of its discs
// blended in turn, measured once per set of colours; without a renderer, the exact
// composite. False when no disc shows at all.
bool stack_colours(ImVec4 rgb, const float* alphas, int count, ImU32* zones);

// The same over one opaque colour `base`: each zone's colour is then opaque, what the
// discs over it make of the base.
bool stack_colours_over(ImU32 base, ImVec4 rgb, const float* alphas, int count, ImU32* zones);

// Forgets what was measured; called before the renderer goes.
void forget_stack_colours();
