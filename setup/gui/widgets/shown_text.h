// Text as it is drawn: every line shaped for the current font (look/shaping), right-to-left
// runs in their display order, format characters that draw nothing left out, and the fonts
// for its characters asked for.
#pragma once

#include <string>

// `text` ready to draw in the current font, line by line. A line without a strong character
// takes the window's direction. Texts seen before come from a cache; plain ASCII draws as
// it is. The result stays valid until the end of the frame.
const std::string& shown_text(const std::string& text);

// The same for a path: each part between separators is shaped on its own and the parts stay
// in their order from left to right, so that separators and Latin parts keep their places
// around a right-to-left folder name.
const std::string& shown_path(const std::string& path);

// A widget's label as drawn: its visible part (before any "##") shown, and the whole label
// kept after "###" as the widget's identity, so that the identity stays when the glyphs the
// shaped text names are renumbered. A plain ASCII label is returned as it is.
std::string shown_label(const char* label);
