// The build progress view: title, running step, percentage, step list or raw log, Cancel.
#pragma once

#include "state/app.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Draws the progress view inside the column window; t (seconds) drives the pulse.
void view_progress(float cw, float U, float t);

// "STOPPING", "ONE MOMENT" or "BUILDING".
const char* progress_title(const App& app);

// The running step's title, or "Starting" before any step has started.
std::string progress_headline(const App& app);

// The overall percentage, rounded to the nearest whole number, with its percent sign.
std::string percent_text(float shown_total);

// The line under the percentage: the step's own text, the step count and the elapsed time.
std::string step_line(const App& app, uint64_t now);

// Height of the step list or log area for n steps, when the column has room for it.
float list_height(size_t n, float U);

// The scroll position of a step list box `h` high that shows row `row` of n in its middle,
// as far as the list reaches.
float follow_scroll(int row, size_t n, float h, float U);
