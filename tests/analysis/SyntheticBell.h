// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <span>
#include <string>
#include <vector>

// One exponentially decaying partial of a synthetic bell.
struct SyntheticPartial {
    double frequencyHz;
    double levelDb;       // at the strike, relative to the other partials
    double decaySeconds;  // time constant of the amplitude
    std::string name;     // the name the analysis should give it; "" for none
};

// A struck bell: its partials summed from a short silence on, scaled to 0.8 of
// full scale, with white noise 60 dB below the strongest partial; 16-bit mono.
inline std::vector<std::int16_t> SyntheticBell(std::span<const SyntheticPartial> partials,
                                               int sampleRate, double seconds,
                                               double leadSeconds = 0.1) {
    const auto count = static_cast<std::size_t>(seconds * sampleRate);
    const auto lead = static_cast<std::size_t>(leadSeconds * sampleRate);
    std::vector<double> sum(count, 0.0);
    double totalAmplitude = 0.0;
    for (const SyntheticPartial& p : partials) {
        const double amplitude = std::pow(10.0, p.levelDb / 20.0);
        totalAmplitude += amplitude;
        for (std::size_t n = lead; n < count; ++n) {
            const double t = static_cast<double>(n - lead) / sampleRate;
            sum[n] += amplitude * std::exp(-t / p.decaySeconds) *
                      std::sin(2.0 * std::numbers::pi * p.frequencyHz * t);
        }
    }
    const double scale = totalAmplitude > 0.0 ? 0.8 * 32767.0 / totalAmplitude : 0.0;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, scale * 1e-3);
    std::vector<std::int16_t> samples(count);
    for (std::size_t n = 0; n < count; ++n) {
        samples[n] = static_cast<std::int16_t>(
            std::clamp(std::lround(sum[n] * scale + noise(random)), -32768L, 32767L));
    }
    return samples;
}
