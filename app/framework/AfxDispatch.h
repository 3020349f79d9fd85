// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// Runs one message handler. An exception that escapes it (a file read error, an
// allocation that cannot be met, anything else) is reported in the framework's
// own message box, and the program goes on. Window thread.
void AfxDispatch(const std::function<void()>& handler);
