// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundFile.h"

#include <algorithm>
#include <cstring>
#include <new>

CSoundFile theSoundFile;

void CSoundFile::AllocSamples(std::int32_t count) {
    m_samples.reset();
    m_samplesAllocated = 0;
    const std::int32_t room = std::max<std::int32_t>(count, 0);
    // Uninitialised on purpose: the mix-down writes every sample it keeps. Room
    // for one at least, as std::malloc(0) may give no buffer at all.
    void* buffer = std::malloc(std::max<std::size_t>(static_cast<std::size_t>(room), 1) * 2);
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    m_samples.reset(static_cast<std::int16_t*>(buffer));
    m_samplesAllocated = room;
}

std::string CSoundFile::GetFileName() const {
    const std::size_t slash = m_path.rfind('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

std::string CSoundFile::GetExtension() const {
    const std::string name = GetFileName();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void CSoundFile::CopyFormat(const FormatArea& source, FormatArea& destination) {
    std::copy_n(source.bytes.begin(), FormatArea::kBaseSize, destination.bytes.begin());
}

std::span<const std::int16_t> CSoundFile::Samples() const {
    if (!m_loaded || m_samples == nullptr) {
        return {};
    }
    const std::int32_t count = std::clamp(m_sampleCount, 0, m_samplesAllocated);
    return {m_samples.get(), static_cast<std::size_t>(count)};
}
