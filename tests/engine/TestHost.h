// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <thread>
#include <vector>

#include "EngineHost.h"

// Stands in for the dialog: records the progress positions the refills report.
class TestHost final : public EngineHost {
  public:
    void SetProgressPos(int position) override {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(position);
    }
    void WaitForRefill() override { std::this_thread::yield(); }
    std::vector<int> Progress() const {
        std::lock_guard lock(m_mutex);
        return m_progress;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<int> m_progress;
};
