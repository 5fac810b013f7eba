// path_check.exe PATH...: prints for each PATH the folder that holds it, as the browser
// goes up, one a line; "(places)" above a root.
#include "widgets/listing.h"

#include <cstdio>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    std::string up = parent_folder(argv[i]);
    printf("%s\n", up.empty() ? "(places)" : up.c_str());
  }
  return 0;
}
