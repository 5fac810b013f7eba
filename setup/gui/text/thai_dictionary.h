// Where libthai finds its word-break dictionary, for th_brk_new().
#pragma once

// nullptr: libthai's own default, which is right where libthai is the system's (Linux).
// On Windows the program carries Debian's thbrk.tri beside itself: its path in the form
// libthai's fopen() opens, or nullptr when the file is missing or has no such name.
const char* thai_dictionary_path();
