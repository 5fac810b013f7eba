// What a screen reader says unasked as the views change: a new view's title, each new
// step and every tenth of a build's progress (after what it is saying), and an outcome or
// an error at once. On its default settings a screen reader only beeps for a progress bar
// that moves, so these sayings carry the text.
#pragma once

#include "state/app.h"

#include <string>
#include <vector>

struct Heard {
  int view = -1;
  std::string title;
  int current = -2;  // the step last told
  int tenth = 0;     // the tenths of the progress last told
};

struct Saying {
  std::string text;
  bool assertive = false;
};

// A view's main message: the form's subtitle, the running step, the done view's sentence,
// or the error, its detail and the command to run.
std::string view_message(const App& app, int view);

// What to say after a frame that drew `view` (App.view when the frame began) under
// `title`; notes what was said in `heard`.
std::vector<Saying> news(Heard& heard, const App& app, int view, const std::string& title);

// Says the news of the frame just drawn, when a screen reader listens.
void announce_news(int view);
