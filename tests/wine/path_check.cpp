// path_check.exe PATH...: prints for each PATH the folder that holds it, as the browser
// goes up, one a line; "(places)" above a root.
// path_check.exe --list CODE ROOT FOLDER: lists FOLDER in the language CODE (catalogs in
// ROOT\locale) and prints why it cannot be read, or "(read)".
#include "text/language.h"
#include "widgets/listing.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc == 5 && strcmp(argv[1], "--list") == 0) {
    use_language(argv[3], argv[2]);
    Listing listing = list_folder(argv[4], Pick::DEST, false);
    printf("%s\n", listing.error.empty() ? "(read)" : listing.error.c_str());
    return 0;
  }
  for (int i = 1; i < argc; i++) {
    std::string up = parent_folder(argv[i]);
    printf("%s\n", up.empty() ? "(places)" : up.c_str());
  }
  return 0;
}
