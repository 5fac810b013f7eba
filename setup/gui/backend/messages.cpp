#include "backend/messages.h"

#include "backend/json.h"
#include "backend/protocol.h"
#include "platform/display.h"
#include "state/app.h"
#include "text/language.h"
#include "text/utf8.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

// The first `keep` bytes of `text`, shortened further so that no character is split and
// no mark is parted from the character it belongs to.
static size_t utf8_cut(const std::string& text, size_t keep) {
  if (text.size() <= keep) return text.size();
  return cluster_start(text, keep);
}

std::string cut_text(const std::string& text, size_t keep) {
  if (text.size() <= keep) return text;
  size_t n = utf8_cut(text, keep);
  // The count in thousands as the language groups them: 10,485,760.
  const size_t more = text.size() - n;
  return text.substr(0, n) + "\u2026 " +
         fill(trn("({count} byte more)", "({count} bytes more)", more), {{"count", grouped_text(more)}});
}

void add_log_line(const std::string& line) {
  // Taken by reference: a line of megabytes is cut, never copied whole.
  A.log.push_back(line.size() > LINE_KEEP ? cut_text(line, LINE_KEEP) : line);
  if (A.log.size() > LOG_KEEP) A.log.erase(A.log.begin(), A.log.begin() + LOG_TRIM);
}

// A step's id as it is kept: ids are compared after the same cut.
static std::string kept_id(const std::string& id) { return id.substr(0, utf8_cut(id, FIELD_KEEP)); }

// A path is taken whole or not at all: one longer than any the system takes is no path.
static bool fits_path(const std::string& path) { return path.size() <= PATH_KEEP; }

// The whole line as one JSON object; false for anything else.
static bool read_object(const std::string& line, J& out) {
  const char* cursor = line.c_str();
  return jparse(cursor, out) && out.kind == 5;
}

void apply_info_line(const std::string& line) {
  J r;
  if (!read_object(line, r)) return;
  A.version = cut_text(r["version"].str, FIELD_KEEP);
  if (A.game.empty() && fits_path(r["game"].str)) A.game = r["game"].str;
  if (A.dest.empty() && fits_path(r["dest"].str)) A.dest = r["dest"].str;
  A.gpu = cut_text(r["gpu"].str, FIELD_KEEP);
  if (!A.desktop_set) {
    A.desktop = r["desktop"].b;
    A.desktop_set = true;
  }
  A.installed = r["installed"].b;
  A.install_command = cut_text(r["install_command"].str, COMMAND_KEEP);
  A.can_install = r["can_install"].b;
  A.missing.clear();
  for (const J& name : r["missing"].arr) A.missing.push_back(cut_text(name.str, FIELD_KEEP));
  A.levels.clear();
  for (const J& level : r["levels"].arr) {
    if (A.levels.size() == LEVELS_KEEP) break;
    A.levels.push_back(Level{kept_id(level["id"].str), cut_text(level["name"].str, FIELD_KEEP),
                             cut_text(level["about"].str, LINE_KEEP)});
  }
  A.suggested = kept_id(r["suggested"].str);
  A.suggested_why = cut_text(r["suggested_why"].str, LINE_KEEP);

  const std::string quality = A.quality_kept.empty() ? kept_id(r["quality"].str) : A.quality_kept;
  A.quality_kept.clear();
  for (size_t i = 0; i < A.levels.size(); i++) {
    if (A.levels[i].id == quality) A.quality = (int)i;
    if (A.levels[i].id == A.suggested) A.suggested_name = A.levels[i].name;
  }
  // A reply whose "quality" names no level keeps the earlier choice, but only while that
  // index still lies within the new list.
  if (A.quality < 0 || (size_t)A.quality >= A.levels.size()) A.quality = 0;
  A.info_ready = true;
}

// "done" / "total" as the running step's fraction. Values beyond 1 or below 0 pass; a
// result that is not a finite float (a done of nan or of 1e300) leaves it alone.
static void set_step_frac(double done, double total) {
  if (!(total > 0)) return;
  double frac = done / total;
  if (std::isfinite(frac) && std::fabs(frac) <= FLT_MAX) A.step_frac = (float)frac;
}

static void start_message(const J& m) {
  if (fits_path(m["log"].str)) A.log_path = m["log"].str;
  size_t unlisted = 0;
  for (const J& step : m["steps"].arr) {
    if (A.steps.size() >= STEPS_KEEP) {
      unlisted++;
      continue;
    }
    A.steps.push_back(StepRow{kept_id(step["id"].str), cut_text(step["title"].str, FIELD_KEEP), 0});
  }
  if (unlisted)
    add_log_line(
        fill(trn("({count} more step is not listed)", "({count} more steps are not listed)", unlisted),
             {{"count", std::to_string(unlisted)}}));
}

static void step_message(const J& m) {
  const std::string id = kept_id(m["step"].str);
  for (size_t i = 0; i < A.steps.size(); i++) {
    if (A.steps[i].id != id) continue;
    if (m["state"].str == "started") {
      A.steps[i].state = 1;
      A.current = (int)i;
      A.step_text.clear();
    } else {
      A.steps[i].state = 2;
    }
    A.step_frac = 0;
    return;
  }
}

static void icon_message(const J& m) {
  if (SDL_Texture* texture = load_texture(m["path"].str.c_str())) {
    if (A.icon) SDL_DestroyTexture(A.icon);
    A.icon = texture;
    A.icon_path = m["path"].str;
  }
  A.flash = 1.0f;
}

static void end_message(const J& m) {
  A.finished_at = SDL_GetTicks();
  A.launcher = fits_path(m["play"].str) ? m["play"].str : cut_text(m["play"].str, FIELD_KEEP);
  const std::string& result = m["result"].str;
  if (result == "ok" && A.launcher.empty()) {
    A.view = 0;
    ask_info();  // a finished installation of build tools: look at this PC again
  } else if (result == "ok") {
    A.view = 3;
    A.flash = 1.0f;
    A.installed = true;
  } else if (result == "cancelled") {
    A.view = 0;
  } else {
    A.view = 2;  // shows what the last "error" message left
  }
  A.focused = false;
}

// Warnings past WARNINGS_KEEP are counted in one last entry; all of them are in the log.
static void warning_message(const std::string& text) {
  add_log_line("warning: " + text);
  if (A.warnings.size() < WARNINGS_KEEP) {
    A.warnings.push_back(cut_text(text, LINE_KEEP));
    return;
  }
  A.more_warnings++;
  std::string more = fill(
      trn("{count} more warning is in the log.", "{count} more warnings are in the log.", A.more_warnings),
      {{"count", std::to_string(A.more_warnings)}});
  if (A.warnings.size() == WARNINGS_KEEP)
    A.warnings.push_back(more);
  else
    A.warnings.back() = more;
}

static void apply_message(const J& m) {
  const std::string& type = m["type"].str;
  if (type == "start") {
    start_message(m);
  } else if (type == "step") {
    step_message(m);
  } else if (type == "progress") {
    A.step_text = cut_text(m["text"].str, LINE_KEEP);
    set_step_frac(m["done"].num, m["total"].num);
  } else if (type == "log") {
    add_log_line(m["line"].str);
  } else if (type == "warning") {
    warning_message(m["text"].str);
  } else if (type == "error") {
    A.error = cut_text(m["text"].str, LINE_KEEP);
    A.error_detail = cut_text(m["detail"].str, DETAIL_KEEP);
    A.error_command = cut_text(m["command"].str, COMMAND_KEEP);
  } else if (type == "icon") {
    icon_message(m);
  } else if (type == "end") {
    end_message(m);
  }
}

void apply_job_lines(std::vector<std::string>& lines) {
  for (std::string& line : lines) {
    J m;
    if (read_object(line, m))
      apply_message(m);
    else
      add_log_line(line);  // not a message: shown as it came, bounded like the log
  }
}
