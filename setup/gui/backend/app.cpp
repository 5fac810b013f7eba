#include "backend/app.h"

App A;
