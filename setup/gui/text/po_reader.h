// The reader of the gettext catalogs (locale/<code>.po) the window's texts come from.
#pragma once

#include "text/language.h"

#include <cstddef>
#include <string>

// A catalog larger than this is not read (ours are some 20 KB each).
constexpr size_t PO_MAX_BYTES = 4u << 20;

// Reads a .po file's text into the catalog of `code`. Flags and comments belong to the entry
// that follows them. Strings take C's escapes (\n \t \r \" \\, octal \101, hex \x41 and the
// others); an entry with an escape C does not have, an unclosed string or a context is left
// out. The texts are in the charset the header's Content-Type names (UTF-8 when it names
// none) and come out in UTF-8; a catalog in a charset that cannot be converted, or larger
// than PO_MAX_BYTES, gives an empty catalog. A translation that is not valid UTF-8, empty,
// fuzzy, or whose placeholders differ from the English ones is left out (the English text is
// shown instead).
Catalog parse_po(const std::string& text, const std::string& code);

// The catalog of `code` in the .po file at `path`; an empty one of that code when the file
// is missing, unreadable or larger than PO_MAX_BYTES (only that much more is read).
Catalog read_po(const std::string& path, const std::string& code);
