// SPDX-License-Identifier: GPL-3.0-or-later
#include "Oscillator.h"

#include <cmath>

Oscillator Oscillator::Start(double frequencyHz, double samplesPerSec) {
    const double y1 = std::cos(kTwoPi * frequencyHz / samplesPerSec);
    return Oscillator(y1, 1.0, 2.0 * y1);
}

void Oscillator::Retune(double omega) {
    // The direction comes from the old step: y2 = cos(θ - ω_old) = y1·cos ω_old +
    // sin θ·sin ω_old, and sin ω_old > 0 for every step below the Nyquist rate,
    // so sin θ has the sign of y2 - y1·cos ω_old. Comparing y1 with y2 instead
    // names the wrong direction when a crest or trough lies between the two
    // samples and the newer one is nearer to it: the wave would turn back.
    const bool falling = m_y2 - m_y1 * (0.5 * m_k) > 0.0;

    const double c = std::cos(omega);
    const double s = std::sin(omega);
    m_k = 2.0 * c;
    // Rounding lets |y1| creep a little above 1; a negative radicand would put a
    // NaN into the recurrence for good, so it is clamped.
    double radicand = 1.0 - m_y1 * m_y1;
    if (radicand < 0.0) {
        radicand = 0.0;
    }
    // q = sin θ: positive while the wave falls, negative while it rises.
    double q = std::sqrt(radicand);
    if (!falling) {
        q = -q;
    }
    m_y2 = c * m_y1 + q * s;  // cos(θ - ω)
}
