// When the window draws. Where the picture moves and drawing is cheap, every turn draws
// and the display's refresh paces the loop. Otherwise a frame is drawn when something
// changed or a tick is due, and the loop sleeps in between, woken at once by input.
#pragma once

#include "look/effects.h"

#include <cstdint>

// While a job runs on a slow renderer, the moving picture is drawn this often.
constexpr uint64_t SPARE_TICK_MS = 400;
// With the picture still, a running job's elapsed time still changes every second.
constexpr uint64_t STILL_TICK_MS = 1000;
// After the user's input, frames follow at the display's rate for this long where drawing
// is cheap, so that a press, its release and the widgets' answer all show at once; where
// it is slow, the settling frames do.
constexpr uint64_t LIVELY_MS = 250;
// A change is drawn over this many frames, as the GUI settles a layout, focus or scroll
// on the frame after it asked for one.
constexpr int SETTLE_FRAMES = 3;
// The longest a loop that does not draw sleeps before it looks at the backend again, and
// the shortest while output is streaming in.
constexpr uint64_t REST_MS = 50;
constexpr uint64_t STREAM_REST_MS = 2;

struct Pace {
  uint64_t last_drawn = 0;     // SDL_GetTicks of the last frame
  uint64_t lively_until = 0;   // frames at the display's rate until then
  int settle = SETTLE_FRAMES;  // frames still to draw at once
  bool changed = false;        // the backend or a dialog changed something since the last frame
};

// What happened since the last turn.
struct Turn {
  uint64_t now = 0;
  bool input = false;        // the user pressed, moved or scrolled something
  bool urgent = false;       // the window was resized or shown, the view changed, a timer is due
  bool changed = false;      // the backend or a dialog changed what is shown
  bool job_running = false;  // a job runs (its view is shown)
};

// Notes the turn in `pace` and says whether to draw a frame now.
bool frame_due(Pace& pace, const Effects& effects, const Turn& turn);

// After a frame was drawn at `now`.
void frame_drawn(Pace& pace, uint64_t now);

// How long a turn that drew nothing may wait for an event before it looks again.
uint64_t rest_ms(const Pace& pace, const Effects& effects, const Turn& turn, bool streaming);

// True when every turn draws: the picture moves and drawing is cheap, or nothing runs.
bool continuous(const Effects& effects, bool job_running);
