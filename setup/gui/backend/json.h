// JSON values and the small, lenient reader for the backend's output lines. The reader
// accepts much that is not strict JSON and refuses only what it cannot read; there is no
// writer, the front-end never produces JSON.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct J {
  int32_t kind = 0;  // 0 null, 1 bool, 2 number, 3 string, 4 array, 5 object
  bool b = false;
  double num = 0;
  std::string str;
  std::vector<J> arr;
  std::vector<std::pair<std::string, J>> obj;  // input order; a repeated key gives two members

  // The first member called `name`; `none` when there is none or this is not an object.
  const J& operator[](const char* name) const;
};

// The shared empty value that lookups return for a missing member: reads as null, false,
// 0, an empty string and an empty list.
const J& none();

// Containers nest at most this deep, and one text holds at most this many values (keys
// not counted): more fails like any text that does not read. The values bound what a
// parse may take, since a value is larger than the two bytes that can write one.
constexpr int JSON_MAX_DEPTH = 64;
constexpr size_t JSON_MAX_VALUES = 100000;

// Reads one value at the cursor (NUL-terminated text) into `out`, advancing the cursor
// past what was read. Text after the value is left unread. False when no value reads;
// `out` may then hold a partly built value, which the caller discards.
bool jparse(const char*& cursor, J& out);

// Reads the quoted string whose opening quote is at the cursor, appending its decoded
// bytes to `out` and advancing past the closing quote.
bool jstring(const char*& cursor, std::string& out);
