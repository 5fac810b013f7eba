// The progress view's texts and measures: title, headline, percentage, step line, and
// the height of the list.
#include "screens/announce.h"
#include "screens/progress.h"

#include <gtest/gtest.h>

namespace {

std::vector<StepRow> rows(int n) {
  std::vector<StepRow> steps;
  for (int i = 0; i < n; i++)
    steps.push_back({"s" + std::to_string(i), "Step title " + std::to_string(i), 0});
  return steps;
}

TEST(ProgressTitle, StoppingWinsThenOneMomentForASingleStep) {
  App a;
  EXPECT_STREQ(progress_title(a), "BUILDING");
  a.steps = rows(1);
  EXPECT_STREQ(progress_title(a), "ONE MOMENT");
  a.steps = rows(2);
  EXPECT_STREQ(progress_title(a), "BUILDING");
  a.cancelling = true;
  EXPECT_STREQ(progress_title(a), "STOPPING");
  a.steps = rows(1);
  EXPECT_STREQ(progress_title(a), "STOPPING");
}

TEST(ProgressHeadline, IsTheRunningStepOrStarting) {
  App a;
  a.steps = rows(3);
  EXPECT_EQ(progress_headline(a), "Starting");
  a.current = 2;
  EXPECT_EQ(progress_headline(a), "Step title 2");
  a.current = -7;
  EXPECT_EQ(progress_headline(a), "Starting");
}

TEST(PercentText, RoundsHalfUp) {
  EXPECT_EQ(percent_text(0), "0%");
  EXPECT_EQ(percent_text(0.004f), "0%");
  EXPECT_EQ(percent_text(0.005f), "1%");
  EXPECT_EQ(percent_text(0.5f), "50%");
  EXPECT_EQ(percent_text(0.995f), "100%");
  EXPECT_EQ(percent_text(1), "100%");
}

TEST(StepLine, CountsStepsAndTheElapsedTime) {
  const char* dot = "   \xC2\xB7   ";
  App a;
  a.started_at = 10000;
  EXPECT_EQ(step_line(a, 70000), "");  // no steps, no text
  a.steps = rows(3);
  EXPECT_EQ(step_line(a, 12500), std::string("Step 0 of 3") + dot + "2 s");
  a.current = 1;
  EXPECT_EQ(step_line(a, 75000), std::string("Step 2 of 3") + dot + "1 min 05 s");
  a.step_text = "Unpacking 120 of 4000 files";
  EXPECT_EQ(step_line(a, 75000),
            std::string("Unpacking 120 of 4000 files") + dot + "Step 2 of 3" + dot + "1 min 05 s");
  a.steps.clear();
  a.current = -1;
  EXPECT_EQ(step_line(a, 10000),
            std::string("Unpacking 120 of 4000 files") + dot + "Step 0 of 0" + dot + "0 s");
}

TEST(StepLine, FitsTheLongestDuration) {
  App a;
  a.steps = rows(1000);
  a.current = 998;
  a.started_at = 0;
  std::string line = step_line(a, 90061000ull * 1000);
  EXPECT_EQ(line.rfind("Step 999 of 1000", 0), 0u) << line;
  EXPECT_NE(line.find(" h "), std::string::npos) << line;
}

TEST(ListHeight, HoldsAtLeastTwelveRowsAndThenEveryRow) {
  EXPECT_FLOAT_EQ(list_height(0, 1), 396);
  EXPECT_FLOAT_EQ(list_height(12, 1), 396);
  EXPECT_FLOAT_EQ(list_height(13, 1), 429);
  EXPECT_FLOAT_EQ(list_height(20, 1), 660);
  EXPECT_FLOAT_EQ(list_height(20, 0.5f), 330);
  // A box of 10 rows over 40 follows the running row in its middle, within the list.
  EXPECT_FLOAT_EQ(follow_scroll(0, 40, 330, 1), 0);
  EXPECT_FLOAT_EQ(follow_scroll(20, 40, 330, 1), 33 * 20.5f - 165);
  EXPECT_FLOAT_EQ(follow_scroll(39, 40, 330, 1), 33 * 40 - 330);
  EXPECT_FLOAT_EQ(follow_scroll(20, 40, 165, 0.5f), 16.5f * 20.5f - 82.5f);
}

}  // namespace

// What a screen reader is told unasked: each thing once, the progress by tenths, and an
// outcome at once.
TEST(Announcements, TellEachChangeOnceAndOutcomesAtOnce) {
  App a;
  Heard heard;
  auto said = [&](int view, const std::string& title) {
    std::vector<std::string> out;
    for (const Saying& s : news(heard, a, view, title)) out.push_back((s.assertive ? "!" : "") + s.text);
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(said(0, "Tarnwell"), V{"Tarnwell"});
  EXPECT_EQ(said(0, "Tarnwell"), V{});
  a.steps = rows(3);
  EXPECT_EQ(said(1, "BUILDING"), V{"!BUILDING"});
  a.current = 0;
  a.shown_total = 0.25f;
  EXPECT_EQ(said(1, "BUILDING"), (V{"Step title 0", "20%"}));
  a.shown_total = 0.29f;
  EXPECT_EQ(said(1, "BUILDING"), V{});
  a.current = 1;
  a.shown_total = 0.3f;
  EXPECT_EQ(said(1, "BUILDING"), (V{"Step title 1", "30%"}));
  a.error = "The build stopped";
  a.error_detail = "Compiling failed.";
  EXPECT_EQ(said(2, "SETUP STOPPED"), V{"!SETUP STOPPED. The build stopped. Compiling failed."});
  // A new job tells its tenths again from the start.
  a.shown_total = 0.1f;
  EXPECT_EQ(said(1, "BUILDING"), (V{"!BUILDING", "Step title 1", "10%"}));
  a.started_at = 1000;
  a.finished_at = 2000;
  EXPECT_EQ(
      said(3, "Ready to play"),
      V{"!Ready to play. Everything was up to date. Tarnwell is in your Start menu, with the icon from your "
        "game."});
}
