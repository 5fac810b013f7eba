// UTF-8 decoding and the places where text may be cut: never inside a character, never
// inside a grapheme cluster (a letter and its marks, a Hangul syllable written in jamo, a
// flag, an emoji sequence joined by zero-width joiners).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The character that starts at `at`, and the byte after it in `next`. A malformed
// sequence reads as U+FFFD one byte long, so every loop over a text moves on.
char32_t utf8_decode(const std::string& text, size_t at, size_t* next);

// The characters of text[from, to) and the byte where each starts.
void utf8_chars(const std::string& text, size_t from, size_t to, std::vector<uint32_t>& chars,
                std::vector<size_t>& starts);

// Appends `c` (at most U+10FFFF) to `out` as UTF-8, through FriBidi's writer; a
// surrogate half on its own is written in its three bytes as it is (the JSON reader's
// lone \u escapes rely on it).
void utf8_append(std::string& out, char32_t c);

// Format characters that draw nothing: zero-width spaces and joiners, direction marks,
// embeddings and isolates, the byte-order mark, the soft hyphen.
bool is_invisible(char32_t c);

// Grapheme cluster boundaries, as Unicode's extended grapheme clusters define them.
// Each call looks only at the text around `at`, back to the nearest place that is a
// boundary whatever comes before it.

// The greatest cluster boundary at or before `at` (0 and text.size() are boundaries).
size_t cluster_start(const std::string& text, size_t at);

// The next cluster boundary after `at` (at < text.size()).
size_t next_cluster(const std::string& text, size_t at);
