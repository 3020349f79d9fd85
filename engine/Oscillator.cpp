#include "Oscillator.h"

#include <cmath>

Oscillator Oscillator::Start(double frequencyHz, double samplesPerSec) {
    const double y1 = std::cos(kTwoPi * frequencyHz / samplesPerSec);
    return Oscillator(y1, 1.0, 2.0 * y1);
}

void Oscillator::Retune(double omega) {
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
    if (m_y1 > m_y2) {
        q = -q;
    }
    m_y2 = c * m_y1 + q * s;  // cos(θ - ω)
}
