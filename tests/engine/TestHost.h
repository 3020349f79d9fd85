#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "EngineHost.h"

// Stands in for the dialog. SetProgressPos can be told to block, as the real
// one does while the window thread is busy; WaitForRefill then plays the user
// who dismisses "Click OK...", which lets the window thread's messages (and so
// the blocked progress update) through.
class TestHost final : public EngineHost {
  public:
    void SetProgressPos(int position) override {
        std::unique_lock lock(m_mutex);
        m_progress.push_back(position);
        m_inProgress = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_block; });
        m_inProgress = false;
        ++m_refills;
        m_changed.notify_all();
    }

    void WaitForRefill() override {
        {
            std::lock_guard lock(m_mutex);
            if (m_waitCalls++ == 0) {
                m_progressBlockedAtFirstWait = m_inProgress;
            }
            m_block = false;
            m_changed.notify_all();
        }
        std::this_thread::yield();
    }

    void BlockProgress() {
        std::lock_guard lock(m_mutex);
        m_block = true;
    }
    void WaitUntilProgressBlocked() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_inProgress; });
    }
    std::vector<int> Progress() const {
        std::lock_guard lock(m_mutex);
        return m_progress;
    }
    int Refills() const {
        std::lock_guard lock(m_mutex);
        return m_refills;
    }
    int WaitCalls() const {
        std::lock_guard lock(m_mutex);
        return m_waitCalls;
    }
    bool ProgressBlockedAtFirstWait() const {
        std::lock_guard lock(m_mutex);
        return m_progressBlockedAtFirstWait;
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int> m_progress;
    bool m_block = false;
    bool m_inProgress = false;
    bool m_progressBlockedAtFirstWait = false;
    int m_refills = 0;  // SetProgressPos calls that returned
    int m_waitCalls = 0;
};
