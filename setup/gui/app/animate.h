// Time-based values of App that the frame loop eases, and the weighted build progress.
#pragma once

#include "state/app.h"

#include <vector>

// How much of the whole build each step stands for, by position; later steps weigh 1.
extern const float STEP_WEIGHT[13];

struct Progress {
  float done = 0;
  float total = 0;
};

// Finished steps count whole, the running one by `step_frac`, waiting ones not at all.
Progress weighted_progress(const std::vector<StepRow>& steps, float step_frac);

// Moves `value` toward `target` at `rate` per second, independent of the frame rate.
float ease(float value, float target, float rate, float dt);

// Flash decay and the backdrop glow, before the GUI frame starts.
void ease_flash_and_glow(App& app, float dt);

// The eased overall progress and running-step fraction, after the GUI frame started.
void ease_shown_progress(App& app, float dt);
