// libFuzzer entry: any bytes as a catalog file, read the way the window reads
// locale/<code>.po. What it keeps must be safe to show: valid UTF-8 without a NUL, no empty
// translation, and the placeholders of the English text.
#include "text/po_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>

static bool valid_utf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char b = (unsigned char)s[i];
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || b == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; k++)
      if (((unsigned char)s[i + k] & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Catalog catalog = parse_po(std::string((const char*)data, size), "pl");
  for (const auto& [english, forms] : catalog.messages) {
    if (english.empty() || forms.empty() || !valid_utf8(english)) __builtin_trap();
    for (const std::string& form : forms)
      if (form.empty() || !valid_utf8(form) || placeholders(form) != placeholders(english)) __builtin_trap();
  }
  return 0;
}
