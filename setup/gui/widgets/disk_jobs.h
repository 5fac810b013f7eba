// The browser's questions to the disk, answered off the frame thread, so that a slow
// folder, a hung network mount or a drive whose server is off never holds the window.
// One question runs at a time and the newest wins: the answer to any question but the last
// one asked is thrown away. A question that has run for over a second without an answer is
// left to itself, and the next one starts beside it.
#pragma once

#include "widgets/listing.h"

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
};

using DiskWork = std::function<void(DiskAnswer&)>;

// Asks `work` to be done off the frame thread; returns the question's ticket.
uint64_t disk_ask(DiskWork work);

// True, with the answer moved into `out`, once the question `ticket` has been answered.
bool disk_take(uint64_t ticket, DiskAnswer& out);

// Forgets every question asked: no answer to them will be taken.
void disk_forget();
