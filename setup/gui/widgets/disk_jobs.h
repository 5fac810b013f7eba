// The window's questions to the disk, answered off the frame thread, so that a slow
// folder, a hung network mount or a drive whose server is off never holds the window.
// Questions run one at a time, in the order asked. One that has run for over a second
// without an answer is taken for stuck: what it was about (the network or removable
// volume, else the path itself) is remembered as not responding, its asker is answered so
// at once, and the next question starts beside it. At most DISK_LEFT_MAX such threads are
// left to themselves; past that the next question waits for one of them to come back.
// A question about a path remembered as not responding is answered so without asking the
// disk again, until the stuck question that made it so comes back.
#pragma once

#include "widgets/listing.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct DiskAnswer {
  Listing listing;            // a folder's entries
  std::vector<Place> places;  // the places above the folders
  std::string folder;         // the folder the question was about
  std::string why;            // what went wrong; empty when it worked
  uint64_t free = 0;          // free bytes of `folder`'s volume, when `free_known`
  bool free_known = false;
  std::vector<std::string> paths;  // folders asked about whether they are game copies
  std::vector<char> games;         // for each of `paths`: 1 a game copy, 0 not
  std::string detail;              // a place's label and free space
  bool hung = false;  // not asked: `folder` does not respond (`why` says so), nothing else is set
};

using DiskWork = std::function<void(DiskAnswer&)>;

// Threads of stuck questions left to run on by themselves, at most.
constexpr size_t DISK_LEFT_MAX = 3;
// A question unanswered after this long is taken for stuck.
constexpr uint64_t DISK_STUCK_MS = 1000;

// Asks `work` to be done off the frame thread; returns the question's ticket. `about` is
// the path the work reads (empty: none in particular, such as the list of places).
uint64_t disk_ask(const std::string& about, DiskWork work);

// True, with the answer moved into `out`, once the question `ticket` has been answered.
bool disk_take(uint64_t ticket, DiskAnswer& out);

// The answer to `ticket` is no longer wanted: a question not started yet is not asked.
void disk_drop(uint64_t ticket);

// Moves finished questions on and starts waiting ones; true when an answer came in. Called
// on every turn of the frame loop.
bool disk_tend();
