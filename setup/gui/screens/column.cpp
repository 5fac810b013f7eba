#include "screens/column.h"

void column(float, float, float, float) {}
