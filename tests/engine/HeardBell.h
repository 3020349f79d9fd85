// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <vector>

// What a microphone hears at 48000 Hz: hiss at noiseDb (RMS, dBFS), and from
// onset on a bell whose partials each start at peak and decay with time
// constant tau (0: they hold).
inline std::vector<std::int16_t> HeardBell(double seconds, double noiseDb, double onset,
                                           double peak, double tau,
                                           std::initializer_list<double> partials = {700.0}) {
    std::vector<std::int16_t> samples(std::size_t(seconds * 48000));
    std::uint32_t seed = 12345;
    const double noise = 32768.0 * std::pow(10.0, noiseDb / 20.0) * std::sqrt(3.0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        double value = noise * (double(seed >> 8) / double(1 << 23) - 1.0);
        const double t = double(i) / 48000 - onset;
        for (const double hz : partials) {
            value += t < 0 ? 0.0
                           : peak * (tau > 0 ? std::exp(-t / tau) : 1.0) *
                                 std::sin(2 * std::numbers::pi * hz * t);
        }
        samples[i] = std::int16_t(std::clamp(std::lround(value), -32768l, 32767l));
    }
    return samples;
}
