// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Ring.h"
#include "RingTable.h"

// The table's columns as text: the command line prints these, the CSV export
// adds kRingCsvExtraColumns after them. Hz to 0.01, cents to 0.1, '.' as the
// decimal point whatever the locale; an empty cell where there is nothing.
inline constexpr std::array<std::string_view, 15> kRingColumns{
    "bell",           "file",       "nominal_hz",     "note",   "cents", "strike_hz",
    "by_ear_hz",      "hum",        "prime",          "tierce", "quint", "superquint",
    "octave_nominal", "from_tenor", "scale_deviation"};
inline constexpr std::array<std::string_view, 2> kRingCsvExtraColumns{"by_ear_from_strike",
                                                                      "comment"};

// Pure: one row's cells under kRingColumns.
std::vector<std::string> RingCells(const Ring& ring, const RingRow& row);

// Pure: header and rows, tab-separated, one line each ending in "\n".
std::string RingTsv(const Ring& ring, std::span<const RingRow> rows);

// Pure: header and rows as RFC 4180 CSV (comma-separated, fields with a comma,
// quote or line break quoted, lines ending in CRLF).
std::string RingCsv(const Ring& ring, std::span<const RingRow> rows);

// Hz or cents with the given decimals, never "-0.0"; empty for none.
std::string FormatNumber(const std::optional<double>& value, int decimals);
