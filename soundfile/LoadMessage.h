// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LoadResult.h"

// The text shown to the user for a failed load; nullptr for success.
const char* LoadMessage(LoadResult result);
