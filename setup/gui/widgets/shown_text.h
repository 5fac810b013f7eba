// Text from paths, the user and the backend as it is drawn: right-to-left runs in their
// visual order with Arabic letters joined, format characters that draw nothing left out,
// and the fonts for its characters asked for.
#pragma once

#include <string>

// `text` ready to draw in the current font. Each part between path separators is
// reordered on its own, so that separators and Latin parts keep their places. Texts seen
// before come from a cache; plain ASCII is returned as it is. The result stays valid
// until the end of the frame.
const std::string& shown_text(const std::string& text);
