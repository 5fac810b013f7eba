#include "app/animate.h"

#include <cmath>

const float STEP_WEIGHT[13] = {1, 3, 1, 1, 12, 10, 8, 6, 30, 12, 25, 1, 1};

Progress weighted_progress(const std::vector<StepRow>& steps, float step_frac) {
  Progress p;
  for (size_t i = 0; i < steps.size(); i++) {
    float weight = i < 13 ? STEP_WEIGHT[i] : 1.0f;
    p.total += weight;
    if (steps[i].state == 2) p.done += weight;
    if (steps[i].state == 1) p.done += weight * step_frac;
  }
  return p;
}

float ease(float value, float target, float rate, float dt) {
  return value + (1.0f - std::exp(-rate * dt)) * (target - value);
}

void ease_flash_and_glow(App& app, float dt) {
  app.flash *= std::exp(-2.6f * dt);
  float target;
  if (app.view == 1) {
    Progress p = weighted_progress(app.steps, app.step_frac);
    target = p.total > 0 ? 0.25f + 0.75f * p.done / p.total : 0.25f;
  } else {
    target = app.view == 3 || app.installed ? 1.0f : 0.0f;
  }
  app.glow = ease(app.glow, target, 2.0f, dt);
}

void ease_shown_progress(App& app, float dt) {
  Progress p = weighted_progress(app.steps, app.step_frac);
  float target = p.total > 0 ? p.done / p.total : 0.0f;
  app.shown_total = ease(app.shown_total, target, 6.0f, dt);
  // The running step's arc never runs ahead of the backend: a new step starts at 0 at once.
  if (app.shown_step > app.step_frac)
    app.shown_step = app.step_frac;
  else
    app.shown_step = ease(app.shown_step, app.step_frac, 8.0f, dt);
}
