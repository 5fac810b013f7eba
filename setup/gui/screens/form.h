// The setup form: the game copy, the install folder, the shortcut box, the quality level
// and the button that builds (or plays an installed game).
#pragma once

#include "backend/app.h"

#include <string>

// Draws the form inside the column window.
void view_form(float cw, float U);

// What the game field shows: the part of the path after its last slash or backslash.
std::string shown_name(const std::string& game);

// True when the path names an existing folder.
bool is_folder(const std::string& path);

// The text of the link under the game field.
const char* game_link_text(const std::string& game);

// Both paths chosen and this PC checked: a build may start.
bool form_ready(const App& app);

// The line under the build button that says what is missing or what will happen.
const char* form_status(const App& app);

// The line under a picker whose dialog could not open: SDL's reason and the option that
// gives the path instead.
std::string dialog_error_text(const std::string& reason, const char* option);

// The launcher of an installation in `dest`, as Play on the form runs it.
std::string installed_launcher(const std::string& dest);
