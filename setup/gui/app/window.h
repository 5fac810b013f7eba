// Opening the window with its renderer, and its icon and emblem.
#pragma once

#include "platform/display.h"

// Window height for a desktop of the given height (0 or less: no display mode known);
// the width is always height * 16 / 9.
int window_height_for_desktop(int desktop_height);

// Creates the window (desktop-derived size when width is 0), the renderer with vsync,
// the minimum size and the picker lock. False with SDL's reason when it cannot.
bool open_window(int width, int height);

// Window icon and emblem texture from App.root + "/assets/icon.png"; a missing file
// leaves SDL's default icon and no emblem.
void load_icon();

// The emblem made again from its file (the game's icon when one came, else the setup's
// own), after the renderer lost its textures. A file gone meanwhile leaves no emblem.
void reload_emblem();
