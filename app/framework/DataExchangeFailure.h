// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Thrown inside data exchange when a control holds a value that cannot be taken;
// UpdateData catches it and returns false. Never leaves the framework.
struct DataExchangeFailure {};
