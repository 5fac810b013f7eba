#include "app/pacing.h"

#include <algorithm>

bool continuous(const Effects& effects, bool job_running) {
  return effects.motion && !(effects.spare && job_running);
}

// The regular tick of a window that does not draw every turn; 0 for none.
static uint64_t tick_ms(const Effects& effects, bool job_running) {
  if (!job_running) return 0;  // a still form or outcome changes only when something happens
  return effects.motion ? SPARE_TICK_MS : STILL_TICK_MS;
}

// The least time between two frames that only the backend's changes ask for: a backend
// sending progress a hundred times a second does not make a slow window draw as often.
static uint64_t change_gap_ms(const Effects& effects, bool job_running) {
  return effects.spare && job_running ? SPARE_TICK_MS : 0;
}

bool frame_due(Pace& pace, const Effects& effects, const Turn& turn) {
  // Where drawing is slow the settling frames answer the input alone.
  if (turn.input && !effects.spare) pace.lively_until = turn.now + LIVELY_MS;
  if (turn.input || turn.urgent) pace.settle = std::max(pace.settle, SETTLE_FRAMES);
  pace.changed |= turn.changed;
  if (continuous(effects, turn.job_running) || pace.settle > 0 || turn.now < pace.lively_until) return true;
  uint64_t since = turn.now - pace.last_drawn;
  if (pace.changed && since >= change_gap_ms(effects, turn.job_running)) return true;
  uint64_t tick = tick_ms(effects, turn.job_running);
  return tick && since >= tick;
}

void frame_drawn(Pace& pace, uint64_t now) {
  pace.last_drawn = now;
  pace.changed = false;
  if (pace.settle > 0) pace.settle--;
}

uint64_t rest_ms(const Pace& pace, const Effects& effects, const Turn& turn, bool streaming) {
  uint64_t rest = streaming ? STREAM_REST_MS : REST_MS;
  uint64_t since = turn.now - pace.last_drawn;
  auto until = [&](uint64_t gap) { return gap > since ? gap - since : 0; };
  if (uint64_t tick = tick_ms(effects, turn.job_running)) rest = std::min(rest, until(tick));
  if (pace.changed) rest = std::min(rest, until(change_gap_ms(effects, turn.job_running)));
  return std::max<uint64_t>(rest, 1);
}
