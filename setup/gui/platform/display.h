// The window and its renderer as every room reaches them: the handles, the desktop's size,
// and textures on the renderer. The window itself is opened by app/window.h.
#pragma once

#include <SDL3/SDL.h>

extern SDL_Window* g_win;
extern SDL_Renderer* g_ren;

// The primary display's desktop size; false when SDL does not know it.
bool desktop_size(int* width, int* height);

// The font atlas as a texture on g_ren, uploaded first when the GUI has not done so yet
// (the shapes of the draw lists take their white pixel from it); null when it cannot be.
SDL_Texture* font_atlas_texture();

// A picture as a texture on the window's renderer, smoothed when drawn at another size;
// null when the texture cannot be made.
SDL_Texture* texture_of(SDL_Surface* surface);

// A PNG file as a texture on the window's renderer, scaled linearly; null when either
// the file or the texture fails.
SDL_Texture* load_texture(const char* path);
