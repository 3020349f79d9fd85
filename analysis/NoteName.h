// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

inline constexpr double kStandardA4 = 440.0;

// The nearest equal-tempered note and the distance to it.
struct NoteName {
    std::string name;    // sharps and scientific octave: "A4", "C#5"
    double cents = 0.0;  // -50 to +50, rounded to 0.1
};

// For a frequency above 0 Hz and a reference a4 above 0 Hz.
NoteName NoteOf(double hz, double a4 = kStandardA4);

// Cents with their sign and one decimal: "+3.2", "-0.4", "+0.0".
std::string FormatCents(double cents);
