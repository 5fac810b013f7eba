// The column's measures and the status line's entries.
#include "screens/column.h"
#include "screens/patterns.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnMeasures, ReferenceCanvas) {
  Measures form = column_measures(1620, 1080, 1.0f, 0);
  EXPECT_FLOAT_EQ(form.x0, 996);
  EXPECT_FLOAT_EQ(form.cw, 542);
  EXPECT_FLOAT_EQ(form.pad, 4);
  EXPECT_NEAR(form.top, 102.6, 1e-3);
  EXPECT_FLOAT_EQ(form.half, 264);
  // The column window's size as the column sets it: content plus padding, down to 20 above
  // the bottom edge.
  EXPECT_FLOAT_EQ(form.cw + 2 * form.pad, 550);
  EXPECT_NEAR(1080 - form.top - 20, 957.4, 1e-3);
  Measures other = column_measures(1620, 1080, 1.0f, 3);
  EXPECT_NEAR(other.top, 140.4, 1e-3);
  EXPECT_NEAR(1080 - other.top - 20, 919.6, 1e-3);
  EXPECT_FLOAT_EQ(other.x0, 996);
}

TEST(ColumnMeasures, SmallWindowRoundsEdgesDownAndPaddingUp) {
  float U = 720.0f / 1080.0f;
  Measures m = column_measures(1280, 720, U, 1);
  EXPECT_FLOAT_EQ(m.x0, 787);
  EXPECT_FLOAT_EQ(m.cw, 428);
  EXPECT_FLOAT_EQ(m.pad, 3);
  EXPECT_NEAR(m.top, 93.6, 1e-3);
  EXPECT_NEAR(m.half, (428 - 14 * U) / 2, 1e-4);
}

TEST(StatusItems, NothingButTheVersionUntilThisPcIsChecked) {
  App a;
  a.gpu = "NVIDIA GeForce RTX 3060";
  a.version = "1.4.0";
  EXPECT_TRUE(status_items(a).empty());
}

TEST(StatusItems, GraphicsCardThenBuildTools) {
  App a;
  a.info_ready = true;
  a.gpu = "NVIDIA GeForce RTX 3060";
  auto items = status_items(a);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "NVIDIA GeForce RTX 3060");
  EXPECT_TRUE(items[0].ok);
  EXPECT_EQ(items[1].text, "Build tools ready");
  EXPECT_TRUE(items[1].ok);
}

TEST(StatusItems, MissingCardAndToolsAreOrangeAndCountedWithoutSingular) {
  App a;
  a.info_ready = true;
  a.missing = {"cmake"};
  auto items = status_items(a);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "No NVIDIA graphics card found");
  EXPECT_FALSE(items[0].ok);
  EXPECT_EQ(items[1].text, "1 build tools to install");
  EXPECT_FALSE(items[1].ok);
  a.missing = {"cmake", "ninja", "gcc"};
  EXPECT_EQ(status_items(a)[1].text, "3 build tools to install");
}

}  // namespace
