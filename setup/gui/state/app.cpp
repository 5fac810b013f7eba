#include "state/app.h"

App A;
