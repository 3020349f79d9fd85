// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <cstdint>

class QProgressDialog;
class QWidget;

// Watches a load that runs on the window thread: keeps the window's events
// flowing while it converts and, once it has run for half a second, shows how
// far it is with a Cancel button. Cancel (or Cancel() from the window, as EXIT
// asks) makes the load give up at its next report. Window thread.
class LoadProgressWindow {
  public:
    static constexpr int kShowAfterMs = 500;

    explicit LoadProgressWindow(QWidget* parent);
    LoadProgressWindow(const LoadProgressWindow&) = delete;
    LoadProgressWindow& operator=(const LoadProgressWindow&) = delete;
    ~LoadProgressWindow();

    // The load's report of done out of total bytes; false to cancel it.
    bool Report(std::uint64_t done, std::uint64_t total);
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }

  private:
    void Show();

    QWidget* m_parent;
    QElapsedTimer m_clock;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};
