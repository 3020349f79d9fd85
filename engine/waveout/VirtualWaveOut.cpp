// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/VirtualWaveOut.h"

#include <cstring>

VirtualWaveOut::~VirtualWaveOut() {
    Reset();
    Close();
}

MmResult VirtualWaveOut::Query(const WaveFormatEx& format) {
    std::lock_guard lock(m_mutex);
    if (m_refuseQuery || format.wFormatTag != kWaveFormatPcm || format.nChannels == 0 ||
        format.nSamplesPerSec == 0) {
        return WAVERR_BADFORMAT;
    }
    return MMSYSERR_NOERROR;
}

MmResult VirtualWaveOut::Open(const WaveFormatEx& format, WaveOutCallback callback,
                              void* instance) {
    std::lock_guard lock(m_mutex);
    if (m_open) {
        return MMSYSERR_ERROR;
    }
    if (m_refuseOpen) {
        return WAVERR_BADFORMAT;
    }
    m_open = true;
    m_quit = false;
    m_format = format;
    m_callback = callback;
    m_instance = instance;
    ++m_openCount;
    m_thread = std::thread(&VirtualWaveOut::NotificationLoop, this);
    return MMSYSERR_NOERROR;
}

MmResult VirtualWaveOut::PrepareHeader(WaveHeader& header) {
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return MMSYSERR_INVALHANDLE;
    }
    return MarkPrepared(header);
}

MmResult VirtualWaveOut::UnprepareHeader(WaveHeader& header) {
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return MMSYSERR_INVALHANDLE;
    }
    return MarkUnprepared(header);
}

MmResult VirtualWaveOut::Write(WaveHeader& header) {
    std::lock_guard lock(m_mutex);
    if (!m_open) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((header.dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if (m_refuseWrite) {
        return MMSYSERR_ERROR;
    }
    header.dwFlags = (header.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    m_queued.push_back(&header);
    ++m_writeCount;
    if (m_keepWrites) {
        Written copy{m_format, &header, std::vector<std::int16_t>(header.dwBufferLength / 2)};
        std::memcpy(copy.values.data(), header.lpData, copy.values.size() * 2);
        m_written.push_back(std::move(copy));
    }
    return MMSYSERR_NOERROR;
}

MmResult VirtualWaveOut::Reset() {
    std::unique_lock lock(m_mutex);
    if (!m_open) {
        return MMSYSERR_INVALHANDLE;
    }
    while (!m_queued.empty()) {
        m_pending.push_back(m_queued.front());
        m_queued.pop_front();
        ++m_finished;
    }
    const std::uint64_t ticket = m_finished;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_delivered >= ticket; });
    return MMSYSERR_NOERROR;
}

MmResult VirtualWaveOut::Close() {
    std::unique_lock lock(m_mutex);
    if (!m_open) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!m_queued.empty()) {
        return WAVERR_STILLPLAYING;
    }
    m_quit = true;
    m_changed.notify_all();
    lock.unlock();
    m_thread.join();  // it delivers what is pending first
    lock.lock();
    m_open = false;
    m_callback = nullptr;
    m_instance = nullptr;
    return MMSYSERR_NOERROR;
}

bool VirtualWaveOut::FinishNext(bool wait) {
    std::unique_lock lock(m_mutex);
    if (!m_open || m_queued.empty()) {
        return false;
    }
    m_pending.push_back(m_queued.front());
    m_queued.pop_front();
    const std::uint64_t ticket = ++m_finished;
    m_changed.notify_all();
    if (wait) {
        m_changed.wait(lock, [&] { return m_delivered >= ticket; });
    }
    return true;
}

void VirtualWaveOut::NotificationLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_quit || !m_pending.empty(); });
        if (m_pending.empty()) {
            return;  // quit, with everything delivered
        }
        WaveHeader* header = m_pending.front();
        m_pending.pop_front();
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        const WaveOutCallback callback = m_callback;
        void* const instance = m_instance;
        lock.unlock();
        callback(this, WOM_DONE, instance, reinterpret_cast<std::uintptr_t>(header), 0);
        lock.lock();
        ++m_delivered;
        m_changed.notify_all();
    }
}

void VirtualWaveOut::RefuseQuery(bool refuse) {
    std::lock_guard lock(m_mutex);
    m_refuseQuery = refuse;
}

void VirtualWaveOut::RefuseOpen(bool refuse) {
    std::lock_guard lock(m_mutex);
    m_refuseOpen = refuse;
}

void VirtualWaveOut::RefuseWrite(bool refuse) {
    std::lock_guard lock(m_mutex);
    m_refuseWrite = refuse;
}

void VirtualWaveOut::KeepWrites(bool keep) {
    std::lock_guard lock(m_mutex);
    m_keepWrites = keep;
}

std::vector<VirtualWaveOut::Written> VirtualWaveOut::WrittenBuffers() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::size_t VirtualWaveOut::WriteCount() const {
    std::lock_guard lock(m_mutex);
    return m_writeCount;
}

std::size_t VirtualWaveOut::QueuedCount() const {
    std::lock_guard lock(m_mutex);
    return m_queued.size();
}

bool VirtualWaveOut::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

int VirtualWaveOut::OpenCount() const {
    std::lock_guard lock(m_mutex);
    return m_openCount;
}
