#include "text/fast_path.h"

bool fast_path = true;
