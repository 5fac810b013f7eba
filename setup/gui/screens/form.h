// The setup form: the game copy, the install folder, the shortcut box, the quality level
// and the button that builds (or plays an installed game).
#pragma once

#include "platform/hand.h"
#include "state/app.h"
#include "widgets/listing.h"

#include <string>

// Draws the form inside the column window.
void view_form(float cw, float U);

// What the game field shows: the part of the path after its last slash or backslash.
std::string shown_name(const std::string& game);

// The text of the link under the game field. Whether `game` is a folder is asked of the
// disk off the frame thread, once for each path; until the answer comes (and when the path
// does not respond) the link offers the folder as for any other game copy.
const char* game_link_text(const std::string& game);

// Both paths chosen and this PC checked: a build may start.
bool form_ready(const App& app);

// The line under the build button that says what is missing or what will happen.
const char* form_status(const App& app);

// The form's item that takes the focus when the form is shown anew (a FormItem): the game
// field or the install folder's while either is empty, else the main button once it can
// be pressed.
int designated_item(const App& app);

// Whether a picker opens the browser in the window rather than the platform's dialog: in a
// session made for a gamepad, and whenever the gamepad was the last hand used.
bool picks_in_window(Hand last);

// The launcher of an installation in `dest`, as Play on the form runs it.
std::string installed_launcher(const std::string& dest);
