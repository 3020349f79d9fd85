// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonoCollector.h"

#include <algorithm>

#include "MonoMixDown.h"

MonoCollector::MonoCollector(unsigned sum, std::int32_t limit, const ConversionProgress& progress)
    : m_sum(sum),
      m_bytesPerSample(MonoMixDown::BytesPerSample(sum)),
      m_limit(static_cast<std::size_t>(limit)),
      m_progress(progress) {}

bool MonoCollector::Take(std::span<const std::uint8_t> block) {
    // More channels than the mix-down takes are still decoded to the end: a
    // damaged file says so before an unsupported one.
    if (CanMix()) {
        const std::size_t count =
            std::min(block.size() / m_bytesPerSample, m_limit - m_mono.Size());
        m_peak = std::max(m_peak, MonoMixDown::Run(m_sum, block, m_mono.Extend(count)));
    }
    return !m_progress.Cancelled() && !Full();
}
