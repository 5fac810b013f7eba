// PNG files to and from SDL surfaces, with the results of SDL's own SDL_LoadPNG and
// SDL_SavePNG: null or false on failure, with the reason in SDL_GetError().
#pragma once

#include <SDL3/SDL.h>

SDL_Surface* load_png(const char* path);
bool save_png(SDL_Surface* surface, const char* path);
