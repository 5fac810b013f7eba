// The animated picture behind the screen column.
#pragma once

void draw_backdrop(float W, float H, float U, float t);
