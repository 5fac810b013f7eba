// libFuzzer entry: any bytes as one backend output line, read the way the front-end reads
// every line (up to its first NUL byte), then looked into the way the messages are.
#include "backend/json.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line((const char*)data, size);
  const char* cursor = line.c_str();
  J value;
  bool ok = jparse(cursor, value);
  if (cursor < line.c_str() || cursor > line.c_str() + line.size()) __builtin_trap();
  if (ok && value.kind == 5) {
    const J& steps = value["steps"];
    size_t n = value["type"].str.size() + value["line"].str.size() + (value["done"].num > 0);
    for (const J& step : steps.arr) n += step["id"].str.size();
    if (n == (size_t)-1) __builtin_trap();  // keeps the lookups from being optimised away
  }
  std::string s;
  cursor = line.c_str();
  jstring(cursor, s);
  return 0;
}
