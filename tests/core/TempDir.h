#pragma once
// Moved to tests/support, where every suite finds it.
#include "../support/TempDir.h"
