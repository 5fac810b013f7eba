// Scratch folders and the small scripts that tests run as child processes.
#pragma once

#include <SDL3/SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
struct Scratch {
  std::string dir;
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwell-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir = pattern;
    EXPECT_FALSE(dir.empty()) << "no scratch folder";
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::string path(const std::string& name) const { return dir + "/" + name; }

  // Writes `bytes` to the file `name` and returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    std::string p = path(name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Calls `step` until `done` holds; false when it still does not after `ms` milliseconds.
// This is a wait for a child process, with room for slow machines, not a timing check.
template <class Done, class Step>
bool wait_for(Done done, Step step, int ms = 30000) {
  Uint64 until = SDL_GetTicks() + (Uint64)ms;
  while (!done()) {
    if (SDL_GetTicks() > until) return false;
    step();
    SDL_Delay(1);
  }
  return true;
}
