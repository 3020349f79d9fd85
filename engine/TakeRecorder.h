// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// How a take ended.
enum class TakeEnd {
    kNone,       // still listening or recording
    kDecayed,    // the sound fell far enough below its peak
    kTimeLimit,  // the longest take after the strike was reached
    kStopped,    // the user stopped it (the take is empty if no strike came)
    kNoStrike,   // the wait for a strike ran out; nothing kept
};

// The rules that cut a bell's take out of what the microphone hears, applied
// to samples as they arrive, in 10 ms windows whatever the block sizes:
// - the level of the first half second is the background (never taken as
//   quieter than kQuietestBackgroundDb, so that a dead-silent input does not
//   make its first hiss a strike);
// - the strike is the end of the first window after that at least kStrikeRiseDb
//   above the background, where the rise is known; the take starts
//   kPreRollSeconds before it, so the onset is whole;
// - the take ends when the level over the last 100 ms falls kDecayDropDb below
//   its peak since the strike, kLongestAfterStrikeSeconds after the strike, or
//   at Stop; no strike within the wait ends it with nothing kept.
// Window thread; no device, no clock: the time is the count of samples fed.
class TakeRecorder {
  public:
    static constexpr double kBackgroundSeconds = 0.5;
    static constexpr double kPreRollSeconds = 0.5;
    static constexpr double kStrikeRiseDb = 20.0;
    static constexpr double kDecayDropDb = 45.0;
    static constexpr double kLongestAfterStrikeSeconds = 30.0;
    static constexpr double kDefaultNoStrikeWaitSeconds = 60.0;
    static constexpr double kQuietestBackgroundDb = -70.0;  // dBFS

    // rate in samples per second (at least 100); the wait for a strike in
    // seconds, counted from the first sample.
    TakeRecorder(std::uint32_t rate, double noStrikeWaitSeconds);

    // Takes the next samples heard; returns how the take ended, kNone while it
    // goes on. Samples after the end are ignored.
    TakeEnd Feed(std::span<const std::int16_t> samples);
    // Ends the take where it stands (a no-op once ended).
    TakeEnd Stop();

    TakeEnd End() const { return m_end; }
    bool Struck() const { return m_struck; }
    // The kept samples: from the pre-roll on once struck, empty before.
    std::span<const std::int16_t> Take() const;
    // Where the strike lies in Take(), in samples.
    std::size_t StrikeOffset() const { return m_strikeAt - m_heardStart; }
    double ElapsedSeconds() const { return double(m_total) / m_rate; }
    std::uint32_t Rate() const { return m_rate; }

  private:
    static constexpr std::size_t kDecayWindows = 10;  // 100 ms

    void CloseWindow();
    void WatchForStrike(double db);
    void FollowDecay();
    void DropOldHeard();
    TakeEnd Finish(TakeEnd end);

    std::uint32_t m_rate;
    std::size_t m_window;  // samples in 10 ms
    std::size_t m_backgroundWindows;
    std::uint64_t m_noStrikeWait;  // samples
    std::uint64_t m_longest;       // samples from the strike on
    std::size_t m_preRoll;         // samples

    std::vector<std::int16_t> m_heard;  // from m_heardStart on
    std::uint64_t m_heardStart = 0;     // absolute index of m_heard[0]
    std::uint64_t m_total = 0;          // samples fed (and kept) so far

    double m_windowSum = 0.0;  // squares in the open window
    std::size_t m_windowFill = 0;
    std::size_t m_windowsClosed = 0;
    double m_backgroundSum = 0.0;
    double m_strikeDb = 0.0;  // dBFS a window must reach to be the strike

    bool m_struck = false;
    std::uint64_t m_strikeAt = 0;                  // absolute sample index
    std::array<double, kDecayWindows> m_recent{};  // mean squares of the last windows
    double m_peakDb = -1e9;
    TakeEnd m_end = TakeEnd::kNone;
};
