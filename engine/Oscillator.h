// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A second-order recursive sine oscillator: y[n] = k·y[n-1] - y[n-2] with
// k = 2·cos ω. It keeps no phase and calls no trigonometric function per sample;
// only a retune does. Not thread-safe: one thread at a time runs it.
class Oscillator {
  public:
    static constexpr double kTwoPi = 6.283185307179586;

    Oscillator() = default;
    Oscillator(double y1, double y2, double k) : m_y1(y1), m_y2(y2), m_k(k) {}

    // Starts the wave at cos(ω) one sample after cos(0) = 1, with ω = 2π·f / rate.
    static Oscillator Start(double frequencyHz, double samplesPerSec);

    // Changes the step to omega (radians per sample) without a jump: y1 stays,
    // y2 becomes the value the new step would have had one sample earlier, on the
    // same side of the peak, so the wave goes on from its value in its direction.
    // The pair is put back on the unit circle, so the amplitude is 1 again.
    void Retune(double omega);

    double Next() {
        const double v = m_k * m_y1 - m_y2;
        m_y2 = m_y1;
        m_y1 = v;
        return v;
    }

    double Y1() const { return m_y1; }
    double Y2() const { return m_y2; }
    double K() const { return m_k; }

  private:
    double m_y1 = 0.0;  // newest value, cos θ
    double m_y2 = 0.0;  // the value one sample earlier
    double m_k = 0.0;   // 2·cos ω
};
