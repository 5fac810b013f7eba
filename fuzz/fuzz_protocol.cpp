// libFuzzer entry: any bytes as a run of backend output lines, applied to the record by the
// real functions in the order poll_backend applies them. A line that starts with "I" is a
// line of the info query (without the "I"), any other a line of the job. After every line
// the record must still be one the views can draw, within the job's memory bounds.
#include "backend/messages.h"
#include "state/app.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

static void check(const App& a) {
  const size_t MARK = 40;  // "... (N bytes more)"
  bool ok = a.view >= 0 && a.view <= 3;
  ok &= a.current == -1 || (a.current >= 0 && (size_t)a.current < a.steps.size());
  ok &= a.levels.empty() || (a.quality >= 0 && (size_t)a.quality < a.levels.size());
  ok &= a.log.size() <= LOG_KEEP && a.steps.size() <= STEPS_KEEP && a.warnings.size() <= WARNINGS_KEEP + 1;
  for (const std::string& line : a.log) ok &= line.size() <= LINE_KEEP + MARK;
  for (const std::string& w : a.warnings) ok &= w.size() <= LINE_KEEP + MARK;
  for (const StepRow& row : a.steps)
    ok &= row.id.size() <= FIELD_KEEP && row.title.size() <= FIELD_KEEP + MARK;
  ok &= std::isfinite(a.step_frac);
  // Single texts, whatever their source, each within its own bound.
  ok &= a.step_text.size() <= LINE_KEEP + MARK && a.error.size() <= LINE_KEEP + MARK;
  ok &= a.error_detail.size() <= DETAIL_KEEP + MARK && a.error_command.size() <= COMMAND_KEEP + MARK;
  ok &= a.version.size() <= FIELD_KEEP + MARK && a.gpu.size() <= FIELD_KEEP + MARK;
  ok &= a.install_command.size() <= COMMAND_KEEP + MARK && a.suggested_why.size() <= LINE_KEEP + MARK;
  ok &= a.levels.size() <= LEVELS_KEEP;
  for (const Level& l : a.levels)
    ok &= l.name.size() <= FIELD_KEEP + MARK && l.about.size() <= LINE_KEEP + MARK;
  ok &= a.game.size() <= PATH_KEEP && a.dest.size() <= PATH_KEEP && a.log_path.size() <= PATH_KEEP;
  if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  A = App();
  A.backend = {"/nonexistent/tarnwell-fuzz-backend"};  // an info query asked for starts nothing
  A.view = 1;
  std::string all((const char*)data, size);
  std::vector<std::string> batch;
  size_t start = 0;
  while (start <= all.size()) {
    size_t nl = all.find('\n', start);
    if (nl == std::string::npos) nl = all.size();
    std::string line = all.substr(start, nl - start);
    start = nl + 1;
    if (!line.empty() && line[0] == 'I') {
      apply_info_line(line.substr(1));
    } else {
      batch.assign(1, std::move(line));
      apply_job_lines(batch);
    }
    check(A);
  }
  return 0;
}
