// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>
#include <string>

// Lets a window take a file dropped on it from a file manager. The drop is
// answered at once; the handler runs afterwards from the event loop, so a
// message box it shows does not hold up the program the file came from.
// Window thread.
class FileDropFilter : public QObject {
  public:
    using Handler = std::function<void(const std::string& path)>;

    // Installs itself on window (which it accepts drops for) and lives as its child.
    FileDropFilter(QWidget* window, Handler handler);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_window;
    Handler m_handler;
};
