// UTF-8 decoding and the places where text may be cut: never inside a character, never
// between a character and the marks or joined characters that belong to it.
#pragma once

#include <cstddef>
#include <string>

// The character that starts at `at`, and the byte after it in `next`. A malformed
// sequence reads as U+FFFD one byte long, so every loop over a text moves on.
char32_t utf8_decode(const std::string& text, size_t at, size_t* next);

// Appends `c` to `out` as UTF-8.
void utf8_append(std::string& out, char32_t c);

// A mark that joins the character before it: combining marks and vowel signs, variation
// selectors, emoji modifiers and tags, zero-width (non-)joiners, and the character after
// a zero-width joiner.
bool joins_previous(char32_t c);

// Format characters that draw nothing: zero-width spaces and joiners, direction marks,
// embeddings and isolates, the byte-order mark, the soft hyphen.
bool is_invisible(char32_t c);

// The greatest cluster boundary at or before `at` (0 and text.size() are boundaries).
size_t cluster_start(const std::string& text, size_t at);

// The next cluster boundary after `at` (at < text.size()).
size_t next_cluster(const std::string& text, size_t at);
