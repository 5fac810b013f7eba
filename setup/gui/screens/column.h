// The screen column: one fixed window on the right that draws the current view.
#pragma once

void column(float W, float H, float U, float t);
