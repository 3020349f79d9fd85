// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "waveout/WaveOut.h"

// A wave output device for tests. Nothing plays: the test decides when the
// oldest queued buffer finishes (FinishNext), and every buffer written is kept.
// WOM_DONE is delivered on the device's own notification thread, as a real
// device does, so the client's callback never runs on the test's thread.
//
// Thread safety: every method may be called from any thread; FinishNext(true)
// and Reset wait for the notification thread, so they must not be called from
// inside the callback.
class VirtualWaveOut final : public WaveOut {
  public:
    struct Written {
        WaveFormatEx format;
        const WaveHeader* header = nullptr;
        std::vector<std::int16_t> values;  // the buffer's contents when written
    };

    VirtualWaveOut() = default;
    ~VirtualWaveOut() override;
    VirtualWaveOut(const VirtualWaveOut&) = delete;
    VirtualWaveOut& operator=(const VirtualWaveOut&) = delete;

    MmResult Query(const WaveFormatEx& format) override;
    MmResult Open(const WaveFormatEx& format, WaveOutCallback callback, void* instance) override;
    MmResult PrepareHeader(WaveHeader& header) override;
    MmResult UnprepareHeader(WaveHeader& header) override;
    MmResult Write(WaveHeader& header) override;
    // Returns every queued buffer as done and waits until their WOM_DONEs ran.
    MmResult Reset() override;
    // Refused with WAVERR_STILLPLAYING while buffers are queued.
    MmResult Close() override;

    // Completes the oldest queued buffer. With wait, returns after its WOM_DONE
    // callback has returned; otherwise at once. False when nothing is queued.
    bool FinishNext(bool wait = true);

    // Failure injection, for the client's error paths.
    void RefuseQuery(bool refuse);
    void RefuseOpen(bool refuse);
    void RefuseWrite(bool refuse);
    // Whether Write keeps a copy of each buffer (on by default).
    void KeepWrites(bool keep);

    std::vector<Written> WrittenBuffers() const;
    std::size_t WriteCount() const;
    std::size_t QueuedCount() const;
    bool IsOpen() const;
    int OpenCount() const;  // successful Opens so far

  private:
    void NotificationLoop();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_quit = false;
    WaveFormatEx m_format;
    WaveOutCallback m_callback = nullptr;
    void* m_instance = nullptr;
    std::deque<WaveHeader*> m_queued;   // written, not yet finished, oldest first
    std::deque<WaveHeader*> m_pending;  // finished, WOM_DONE not yet delivered
    std::uint64_t m_finished = 0;       // buffers handed to m_pending so far
    std::uint64_t m_delivered = 0;      // WOM_DONE callbacks returned so far
    bool m_refuseQuery = false;
    bool m_refuseOpen = false;
    bool m_refuseWrite = false;
    bool m_keepWrites = true;
    int m_openCount = 0;
    std::size_t m_writeCount = 0;
    std::vector<Written> m_written;
    std::thread m_thread;  // notification thread, between Open and Close
};
