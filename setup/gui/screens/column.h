// The screen column: one fixed window on the right that draws the current view, the Quit
// link under the form, and the status line at the bottom left of the window.
#pragma once

#include "state/app.h"

#include <string>
#include <vector>

// Draws everything but the backdrop, once per frame between NewFrame and Render.
void column(float W, float H, float U, float t);

// One entry of the status line: its text, and whether it is good news (a check) or not
// (an orange dot).
struct StatusItem {
  std::string text;
  bool ok = false;
};

// The graphics card and build tools entries; none until this PC has been checked.
std::vector<StatusItem> status_items(const App& app);
