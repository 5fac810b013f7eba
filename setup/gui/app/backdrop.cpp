#include "app/backdrop.h"

void draw_backdrop(float, float, float, float) {}
