// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecayRates.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "RealFft.h"
#include "WindowedSpectrum.h"

namespace {

// The frames: a few dozen short spectra spread evenly over the long stretch,
// not one a hop, so that the time view costs about as much as the spectrum.
// Each is about 0.15 s or more (4096 samples at 22.05 kHz): its window's main
// lobe (4 bins, 22 Hz either side) then keeps the closest partials of a large
// bell (a prime and tierce 27 Hz apart) out of each other's level. An
// exponential decay looks the same through any window, so a frame's level
// falls along the same line as the partial's, however long the frame; the
// frames may overlap where the recording is short.
constexpr std::size_t kFrames = 40;
constexpr double kFrameSeconds = 0.15;
// The noise near a peak: the median power of the block of this many bins
// around it (about 340 Hz), which the few partials' lobes in it do not move.
constexpr std::size_t kNoiseBlockBins = 64;

struct Frames {
    std::size_t length = 0;
    std::size_t hop = 0;
    std::size_t count = 0;
};

Frames ChooseFrames(const LongStretch& stretch) {
    Frames frames;
    frames.length = std::bit_ceil(static_cast<std::size_t>(kFrameSeconds * stretch.sampleRate));
    const std::size_t n = stretch.samples.size();
    if (n < frames.length + kFrames) {
        return {};
    }
    frames.hop = (n - frames.length) / (kFrames - 1);
    frames.count = kFrames;
    return frames;
}

// The bins whose median power is the noise floor near a peak in block.
BinRange NoiseBlock(std::size_t block, BinRange range) {
    const std::size_t from = std::max(range.low, block * kNoiseBlockBins);
    return {from, std::min(range.high, from + kNoiseBlockBins - 1), range.binHz};
}

// The bins of each peak of the stretch and their blocks of kNoiseBlockBins
// around them: all of the frames' power that is read.
struct PeakBins {
    BinRange range;
    std::vector<std::size_t> bins;  // a peak each
    std::vector<BinRange> noise;    // a peak each: the block its noise is read from
    std::vector<BinRange> blocks;   // those blocks, ascending, each once
};

PeakBins BinsOf(std::span<const Peak> peaks, const LongStretch& stretch, std::size_t length) {
    PeakBins bins{
        {4, length / 2 - 4, stretch.sampleRate / static_cast<double>(length)}, {}, {}, {}};
    const BinRange& range = bins.range;
    for (const Peak& peak : peaks) {
        const std::size_t bin = std::clamp<std::size_t>(
            static_cast<std::size_t>(std::lround(peak.frequencyHz / range.binHz)), range.low,
            range.high);
        bins.bins.push_back(bin);
        bins.noise.push_back(NoiseBlock(bin / kNoiseBlockBins, range));
    }
    bins.blocks = bins.noise;
    std::sort(bins.blocks.begin(), bins.blocks.end(),
              [](const BinRange& a, const BinRange& b) { return a.low < b.low; });
    bins.blocks.erase(
        std::unique(bins.blocks.begin(), bins.blocks.end(),
                    [](const BinRange& a, const BinRange& b) { return a.low == b.low; }),
        bins.blocks.end());
    return bins;
}

// The windowed power of one frame of the stretch over the blocks, each at
// bins low - 1 to high + 1; the other bins are left as they were.
void FramePower(std::span<const float> frame, RealFft& fft, const PeakBins& bins,
                std::span<float> power) {
    std::ranges::copy(frame, fft.Input().begin());
    fft.Transform();
    for (const BinRange& block : bins.blocks) {
        WindowedPower(fft.Output(), block, power);
    }
}

// Levels in dB, and whether each stands clear of the noise: a peak's frames
// one after another, so that its fit reads them in a row.
struct Track {
    Track(std::size_t peaks, std::size_t count)
        : frames(count), levelDb(peaks * count), clear(peaks * count) {}
    // Where peak column's frame f is kept.
    std::size_t At(std::size_t column, std::size_t f) const { return column * frames + f; }
    double Level(std::size_t column, std::size_t f) const { return levelDb[At(column, f)]; }
    bool Clear(std::size_t column, std::size_t f) const { return clear[At(column, f)] != 0; }

    std::size_t frames;
    std::vector<double> levelDb;
    std::vector<char> clear;
};

// Whether power at bin stands kDecayAboveNoiseDb above the noise near it, the
// median power of its block: the median is at most a level exactly when more
// than half of the block's bins are, which a count tells without sorting.
bool StandsClear(std::span<const float> power, BinRange block, std::size_t bin) {
    static const double kRatio = std::pow(10.0, -kDecayAboveNoiseDb / 10.0);
    const auto highest = static_cast<float>(kRatio * (power[bin] + 1e-30) - 1e-30);
    std::size_t atMost = 0;
    for (std::size_t k = block.low; k <= block.high; ++k) {
        atMost += power[k] <= highest ? 1 : 0;
    }
    return atMost >= (block.high - block.low + 1) / 2 + 1;
}

Track FollowPeaks(std::span<const Peak> peaks, const LongStretch& stretch, const Frames& frames) {
    RealFft fft(frames.length);
    const PeakBins bins = BinsOf(peaks, stretch, frames.length);
    std::vector<float> power(frames.length / 2 + 1);
    Track track(peaks.size(), frames.count);
    for (std::size_t f = 0; f < frames.count; ++f) {
        FramePower(std::span(stretch.samples).subspan(f * frames.hop, frames.length), fft, bins,
                   power);
        for (std::size_t i = 0; i < bins.bins.size(); ++i) {
            const std::size_t bin = bins.bins[i];
            track.levelDb[track.At(i, f)] = 10.0 * std::log10(power[bin] + 1e-30);
            track.clear[track.At(i, f)] = StandsClear(power, bins.noise[i], bin) ? 1 : 0;
        }
    }
    return track;
}

// The slope of the least-squares line through points (t, y) added one by one.
class LeastSquares {
  public:
    void Add(double t, double y) {
        m_n += 1.0;
        m_t += t;
        m_y += y;
        m_tt += t * t;
        m_ty += t * y;
    }
    // At least two points at different t.
    double Slope() const { return (m_n * m_ty - m_t * m_y) / (m_n * m_tt - m_t * m_t); }
    double At(double t) const { return (m_y + Slope() * (m_n * t - m_t)) / m_n; }

  private:
    double m_n = 0.0;
    double m_t = 0.0;
    double m_y = 0.0;
    double m_tt = 0.0;
    double m_ty = 0.0;
};

// A peak's decay line: its slope in dB/s, and the most its level strays from
// it in dB.
struct DecayLine {
    double slope = 0.0;
    double strayDb = 0.0;
};

// The least-squares line through the levels of peak column from its loudest
// frame to the last that stands clear of the noise, over the frames that do;
// none when that lasts under kShortestDecaySeconds.
std::optional<DecayLine> FitDecay(const Track& track, std::size_t column, double frameSeconds) {
    const std::size_t frames = track.frames;
    const auto clear = [&](std::size_t f) { return track.Clear(column, f); };
    std::size_t loudest = 0;
    for (std::size_t f = 1; f < frames; ++f) {
        if (track.Level(column, f) > track.Level(column, loudest)) {
            loudest = f;
        }
    }
    std::size_t last = loudest;
    for (std::size_t f = loudest; f < frames; ++f) {
        last = clear(f) ? f : last;
    }
    if (!clear(loudest) ||
        static_cast<double>(last - loudest) * frameSeconds < kShortestDecaySeconds) {
        return std::nullopt;
    }
    LeastSquares line;
    for (std::size_t f = loudest; f <= last; ++f) {
        if (clear(f)) {
            line.Add(static_cast<double>(f) * frameSeconds, track.Level(column, f));
        }
    }
    DecayLine fit{line.Slope(), 0.0};
    for (std::size_t f = loudest; f <= last; ++f) {
        if (clear(f)) {
            const double off =
                track.Level(column, f) - line.At(static_cast<double>(f) * frameSeconds);
            fit.strayDb = std::max(fit.strayDb, std::abs(off));
        }
    }
    return fit;
}

}  // namespace

std::vector<double> MeasureDecays(std::span<Peak> peaks, const LongStretch& stretch) {
    std::vector<double> strayDb(peaks.size(), std::numeric_limits<double>::infinity());
    const Frames frames = ChooseFrames(stretch);
    if (frames.count == 0 || peaks.empty()) {
        return strayDb;
    }
    const Track track = FollowPeaks(peaks, stretch, frames);
    const double frameSeconds = static_cast<double>(frames.hop) / stretch.sampleRate;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        if (const std::optional<DecayLine> line = FitDecay(track, i, frameSeconds)) {
            peaks[i].decayDbPerSecond = -line->slope;
            strayDb[i] = line->strayDb;
        }
    }
    return strayDb;
}
