// Weighted build progress and frame-rate independent easing.
#include "app/animate.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<StepRow> steps_in_state(int n, int state) {
  std::vector<StepRow> steps(n);
  for (auto& s : steps) s.state = state;
  return steps;
}

TEST(WeightedProgress, NoStepsWeighNothing) {
  Progress p = weighted_progress({}, 0.5f);
  EXPECT_EQ(p.total, 0);
  EXPECT_EQ(p.done, 0);
}

TEST(WeightedProgress, ThirteenStepsUseTheTable) {
  auto steps = steps_in_state(13, 0);
  EXPECT_FLOAT_EQ(weighted_progress(steps, 0).total, 111);
  steps[0].state = 2;
  steps[1].state = 2;
  steps[8].state = 1;  // the heaviest step, half done
  Progress p = weighted_progress(steps, 0.5f);
  EXPECT_FLOAT_EQ(p.done, 1 + 3 + 15);
}

TEST(WeightedProgress, StepsPastThePositionsOfTheTableWeighOne) {
  auto steps = steps_in_state(15, 2);
  Progress p = weighted_progress(steps, 0);
  EXPECT_FLOAT_EQ(p.total, 113);
  EXPECT_FLOAT_EQ(p.done, 113);
  steps[14].state = 1;
  EXPECT_FLOAT_EQ(weighted_progress(steps, 0.25f).done, 112.25f);
}

TEST(Easing, DoesNotDependOnTheFrameRate) {
  // One second at 30, 60 and 144 frames a second ends in the same place.
  for (int fps : {30, 60, 144}) {
    float v = 0;
    for (int i = 0; i < fps; i++) v = ease(v, 1.0f, 6.0f, 1.0f / fps);
    EXPECT_NEAR(v, 1 - std::exp(-6.0f), 1e-4) << fps;
  }
}

TEST(Easing, FlashHalvesInAboutAQuarterSecondAndIsGoneAfter177) {
  App app;
  app.flash = 1;
  for (int i = 0; i < 27; i++) ease_flash_and_glow(app, 0.01f);
  EXPECT_NEAR(app.flash, 0.5f, 0.01f);
  app.flash = 1;
  ease_flash_and_glow(app, std::log(100.0f) / 2.6f + 0.001f);
  EXPECT_LT(app.flash, 0.01f);
}

TEST(Easing, GlowTargetsByView) {
  App app;
  app.view = 1;  // building with no steps: a quarter
  ease_flash_and_glow(app, 100);
  EXPECT_NEAR(app.glow, 0.25f, 1e-5);
  app.steps = steps_in_state(13, 2);
  ease_flash_and_glow(app, 100);
  EXPECT_NEAR(app.glow, 1.0f, 1e-5);
  app.view = 0;
  ease_flash_and_glow(app, 100);
  EXPECT_NEAR(app.glow, 0.0f, 1e-5);
  app.installed = true;
  ease_flash_and_glow(app, 100);
  EXPECT_NEAR(app.glow, 1.0f, 1e-5);
}

TEST(Easing, ShownStepDropsAtOnceAndRisesSmoothly) {
  App app;
  app.steps = steps_in_state(13, 0);
  app.steps[0].state = 1;
  app.step_frac = 0.5f;
  ease_shown_progress(app, 0.1f);
  EXPECT_NEAR(app.shown_step, 0.5f * (1 - std::exp(-0.8f)), 1e-5);
  app.step_frac = 0;  // a new step started
  ease_shown_progress(app, 0.001f);
  EXPECT_EQ(app.shown_step, 0);
  EXPECT_GT(app.shown_total, 0);
}

TEST(Easing, ShownTotalAimsAtZeroWithoutSteps) {
  App app;
  app.shown_total = 0.7f;
  ease_shown_progress(app, 100);
  EXPECT_NEAR(app.shown_total, 0, 1e-6);
}

}  // namespace
