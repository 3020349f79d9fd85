// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "waveout/WaveFormat.h"
#include "waveout/WaveHeader.h"

using MmResult = std::uint32_t;
inline constexpr MmResult MMSYSERR_NOERROR = 0;
inline constexpr MmResult MMSYSERR_ERROR = 1;
inline constexpr MmResult MMSYSERR_INVALHANDLE = 5;
inline constexpr MmResult MMSYSERR_INVALPARAM = 11;
inline constexpr MmResult WAVERR_BADFORMAT = 32;
inline constexpr MmResult WAVERR_STILLPLAYING = 33;
inline constexpr MmResult WAVERR_UNPREPARED = 34;

inline constexpr std::uint32_t WOM_OPEN = 0x3BB;
inline constexpr std::uint32_t WOM_CLOSE = 0x3BC;
inline constexpr std::uint32_t WOM_DONE = 0x3BD;  // 957

class WaveOut;

// Called on the device's notification thread, never on the caller's thread and
// never from inside the audio callback. For WOM_DONE, param1 is the WaveHeader*.
using WaveOutCallback = void (*)(WaveOut* device, std::uint32_t message, void* instance,
                                 std::uintptr_t param1, std::uintptr_t param2);

// A wave output device with the semantics of a double-buffered PCM stream:
// written buffers play in the order they were written; each finished buffer is
// reported exactly once by a WOM_DONE notification, in that same order, on a
// thread of the device's own. All methods are called from one client thread
// (the window thread), never from inside the callback, except where noted.
class WaveOut {
  public:
    virtual ~WaveOut() = default;

    // Whether the default device can play this format; leaves nothing open.
    virtual MmResult Query(const WaveFormatEx& format) = 0;
    virtual MmResult Open(const WaveFormatEx& format, WaveOutCallback callback, void* instance) = 0;
    // Prepare / Unprepare / Write may also be called from the callback for the
    // header being reported.
    virtual MmResult PrepareHeader(WaveHeader& header) = 0;
    virtual MmResult UnprepareHeader(WaveHeader& header) = 0;
    virtual MmResult Write(WaveHeader& header) = 0;
    // Stops playback and returns every queued buffer as done (WOM_DONE each);
    // returns once those notifications have run. Never called from the callback.
    virtual MmResult Reset() = 0;
    // After Close returns, no callback runs any more.
    virtual MmResult Close() = 0;

  protected:
    // The header flags' rules, the same on every open device: a header still
    // queued cannot be unprepared.
    static MmResult MarkPrepared(WaveHeader& header) {
        header.dwFlags |= WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    static MmResult MarkUnprepared(WaveHeader& header) {
        if ((header.dwFlags & WHDR_INQUEUE) != 0) {
            return WAVERR_STILLPLAYING;
        }
        header.dwFlags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
};
