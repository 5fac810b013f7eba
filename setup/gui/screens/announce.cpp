#include "screens/announce.h"

#include "access/a11y.h"
#include "screens/outcome.h"
#include "screens/progress.h"
#include "text/language.h"

#include <algorithm>

std::string view_message(const App& app, int view) {
  if (view == 0) return tr("Hollow Lantern, built on this PC from your own copy of the game.");
  if (view == 1) return progress_headline(app);
  if (view != 2) return done_sentence(app.finished_at - app.started_at, app.desktop);
  // The error first, then its detail, then the command to run when there is one.
  std::string text = app.error;
  if (!app.error_detail.empty()) text += (text.empty() ? "" : ". ") + app.error_detail;
  if (!app.error_command.empty()) text += (text.empty() ? "" : ". ") + app.error_command;
  return text;
}

std::vector<Saying> news(Heard& heard, const App& app, int view, const std::string& title) {
  std::vector<Saying> out;
  if (view != heard.view || title != heard.title) {
    // An outcome, and the start of a job, are said at once: nothing else tells a reader
    // that the focus moved on to another view.
    if (view >= 2)
      out.push_back({title + ". " + view_message(app, view), true});
    else
      out.push_back({title, view == 1});
    if (view == 1 && heard.view != 1) {
      heard.current = -2;
      heard.tenth = 0;
    }
  }
  heard.view = view;
  heard.title = title;
  if (view != 1) return out;
  if (app.current >= 0 && app.current != heard.current) out.push_back({progress_headline(app), false});
  heard.current = app.current;
  int tenth = std::clamp((int)(app.shown_total * 10 + 0.0001f), 0, 10);
  if (tenth > heard.tenth) out.push_back({percent_text(tenth / 10.0f), false});
  heard.tenth = std::max(heard.tenth, tenth);
  return out;
}

void announce_news(int view) {
  if (!g_a11y_on) return;
  static Heard heard;
  for (const Saying& s : news(heard, A, view, a11y_frame_title())) a11y_announce(s.text, s.assertive);
}
