#pragma once

#include "LoadResult.h"

// The text shown to the user for a failed load; nullptr for success.
const char* LoadMessage(LoadResult result);
