// What the in-window browser lists: the entries of one folder by its rules, the places
// above the folders (drives, mounted media, home), free space and whether a folder takes
// files. Paths are byte strings: UTF-8 as the system gives it, kept whole even where a
// Linux name is not valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Which of the form's two choices the browser makes.
enum class Pick { GAME, DEST };

struct Entry {
  std::string name;  // as shown: the entry's name, its invalid UTF-8 replaced
  std::string path;  // the entry itself, byte for byte
  bool folder = false;
};

struct Listing {
  std::vector<Entry> entries;  // folders first, then files, each in natural order
  std::string error;           // why the folder could not be read; empty when it could
  size_t more = 0;             // entries left out past LISTING_MAX
};

// A folder of a million entries is not held whole: the first this many are listed.
constexpr size_t LISTING_MAX = 100000;

// The entries of `folder` that the browser shows: no hidden ones (dot-files; on Windows
// also those with the hidden attribute), folders, and for the game copy the files ending
// in ".nup" (any case), or every file with `all_files`. Links are followed; a broken one
// is left out. At most LISTING_MAX entries are kept, in the order the system gives them
// before they are sorted.
Listing list_folder(const std::string& folder, Pick pick, bool all_files);

// Names compared as a person reads them: case not counting, numbers by their value.
bool natural_less(const std::string& a, const std::string& b);

// A folder that holds "exefs" and "romfs" folders: an unpacked copy of the game.
bool is_game_copy(const std::string& folder);

// `name` with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string readable_name(const std::string& name);

// The folder that holds `path`; empty above a root ("/", "C:\", a share's "\\server\share"):
// the places.
std::string parent_folder(const std::string& path);

// `name` inside `folder`, with one separator between.
std::string join_path(const std::string& folder, const std::string& name);

// The last part of a path ("/" and "C:\" stay whole).
std::string last_part(const std::string& path);

bool is_folder(const std::string& path);

// Free bytes for an ordinary user on the volume of `folder`; false when unknown.
bool free_bytes(const std::string& folder, uint64_t& out);

// "12.3 GB free", as the window's language writes it.
std::string free_text(uint64_t bytes);

// Creates and removes a test file in `folder`: empty when that worked, else the reason.
std::string try_writing(const std::string& folder);

// The home folder, without a separator at its end.
std::string home_folder();

struct Place {
  std::string name;     // shown
  std::string path;     // entered
  std::string detail;   // a volume's label and free space (place_detail), or empty
  bool volume = false;  // a drive or mount, whose detail is asked of it separately
};

// The top of the browser: on Windows every drive letter, on Linux "/" and the media
// mounted under /media, /run/media and /mnt; then Home, Desktop and Downloads where they
// exist. The volumes themselves are not asked anything here (a hung one would hold the
// whole list): their details come from place_detail, one volume a question.
std::vector<Place> places();

// A volume's label (Windows) and free space, as the places show them; empty when unknown.
std::string place_detail(const std::string& volume);

// True when `path` is `folder` or lies inside it. A root ("/", "C:") stands for itself
// alone: a folder on it is not within it.
bool path_within(const std::string& path, const std::string& folder);

// What a question about `path` that does not come back is remembered as: the network or
// removable volume that holds it, else the path itself. Asks nothing of the disk.
std::string hang_key(const std::string& path);
