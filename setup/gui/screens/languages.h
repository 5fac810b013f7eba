// The language list: opened from the "Language" item at the foot of the form, it shows
// every language that has its catalog, each in its own name, and takes the one chosen by
// mouse, keyboard or gamepad at once. Escape or the gamepad's back button closes it.
#pragma once

extern bool g_languages_open;

// Opens the list with the window's language selected.
void open_languages();

// The list in the column, while it is open.
void view_languages(float cw, float U);

// After the "Language" item is drawn: true in the frame it should take the focus back.
bool languages_closed_now();
