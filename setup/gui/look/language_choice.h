// The language the player chose in the window: remembered in the user's configuration
// folder (XDG_CONFIG_HOME or ~/.config on Linux, %APPDATA% on Windows) for the next start,
// and applied while the window runs, fonts included.
#pragma once

#include <string>

// The file that remembers the choice: <config>/tarnwell/language (Tarnwell\language on
// Windows); "" when no configuration folder is known.
std::string saved_language_path();

// The code saved there, "" when none or one the table does not have.
std::string saved_language();

// Remembers `code` for the next start; false when it could not be written.
bool save_language(const std::string& code);

// The language to use at start: --lang's when it names one, else the saved one, else the
// system's.
std::string start_language(const std::string& lang_option);

// Asks for `code` to become the window's language before the next frame.
void ask_language(const std::string& code);
// Before a frame is begun: makes the language asked for the window's own (catalog, faces
// for its script, title, the variable the backend reads). True when it changed.
bool apply_asked_language(const std::string& root);
