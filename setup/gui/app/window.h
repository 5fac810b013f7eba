// The window, its renderer and the emblem.
#pragma once

#include <SDL3/SDL.h>

extern SDL_Window* g_win;
extern SDL_Renderer* g_ren;

// Window height for a desktop of the given height (0 or less: no display mode known);
// the width is always height * 16 / 9.
int window_height_for_desktop(int desktop_height);

// The primary display's desktop size; false when SDL does not know it.
bool desktop_size(int* width, int* height);

// Creates the window (desktop-derived size when width is 0), the renderer with vsync,
// the minimum size and the picker lock. False with SDL's reason when it cannot.
bool open_window(int width, int height);

// Window icon and emblem texture from App.root + "/assets/icon.png"; a missing file
// leaves SDL's default icon and no emblem.
void load_icon();

// The emblem made again from its file (the game's icon when one came, else the setup's
// own), after the renderer lost its textures. A file gone meanwhile leaves no emblem.
void reload_emblem();

// The font atlas as a texture on g_ren, uploaded first when the GUI has not done so yet
// (the shapes of the draw lists take their white pixel from it); null when it cannot be.
SDL_Texture* font_atlas_texture();

// A PNG file as a texture on the window's renderer, scaled linearly; null when either
// the file or the texture fails.
SDL_Texture* load_texture(const char* path);
