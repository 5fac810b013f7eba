// Which font the system itself would draw a character with, where the program's own
// fonts have no glyph for it: fontconfig on Linux, the Fonts folder and its font links on
// Windows. Han characters follow the UI language.
#pragma once

#include <string>
#include <vector>

struct FontFace {
  std::string path;  // empty: no font found
  int index = 0;     // the face within a collection (.ttc)
};

// The UI language as a code such as "ja", "ko", "zh-Hans", "zh-Hant", "en"; call before
// the fonts are built. Until it is called, the language comes from the environment.
void set_font_language(const std::string& code);
const std::string& font_language();

// The language of the environment: LANGUAGE, LC_ALL, LC_MESSAGES, LANG on Linux ("ja_JP.UTF-8"
// gives "ja", "zh_TW" gives "zh-Hant"); the user's UI language on Windows.
std::string language_from_environment();

// The CJK languages in the order their fonts are preferred for UI language `code`: the
// UI language's own first, so that a Han character takes its glyph forms.
std::vector<std::string> cjk_order(const std::string& code);

// The system's font for `c` (never a colour-only or variable font, which the rasteriser
// cannot read), or an empty path.
FontFace system_font_for(char32_t c);

// The same for several characters at once, one answer each. On Windows each candidate file
// is read once in the whole run, for the characters it covers.
std::vector<FontFace> system_fonts_for(const std::vector<char32_t>& chars);
