// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteName.h"

#include <array>
#include <cmath>
#include <cstdio>

NoteName NoteOf(double hz, double a4) {
    static constexpr std::array<const char*, 12> kNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                        "F#", "G",  "G#", "A",  "A#", "B"};
    const double midi = 69.0 + 12.0 * std::log2(hz / a4);
    const double nearest = std::round(midi);
    const auto number = static_cast<long>(nearest);
    const long pitchClass = ((number % 12) + 12) % 12;
    const long octave = (number - pitchClass) / 12 - 1;
    NoteName note;
    note.name = std::string(kNames[static_cast<std::size_t>(pitchClass)]) + std::to_string(octave);
    note.cents = std::round((midi - nearest) * 1000.0) / 10.0;
    return note;
}

std::string FormatCents(double cents) {
    char text[32];
    // "-0.0" reads as a fault; a value that rounds to zero is "+0.0".
    const double shown = std::abs(cents) < 0.05 ? 0.0 : cents;
    std::snprintf(text, sizeof text, "%+.1f", shown);
    return text;
}
