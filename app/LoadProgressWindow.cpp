// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoadProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

constexpr int kSteps = 1000;

}  // namespace

LoadProgressWindow::LoadProgressWindow(QWidget* parent) : m_parent(parent) {
    m_clock.start();
}

LoadProgressWindow::~LoadProgressWindow() {
    delete m_dialog.data();
}

bool LoadProgressWindow::Report(std::uint64_t done, std::uint64_t total) {
    if (!m_dialog && m_clock.elapsed() >= kShowAfterMs) {
        Show();
    }
    if (m_dialog && total > 0) {
        m_dialog->setValue(static_cast<int>(std::min(done, total) * kSteps / total));
    }
    // What the user does meanwhile (Cancel, EXIT, the close box) is seen here.
    QCoreApplication::processEvents();
    return !m_cancelled;
}

void LoadProgressWindow::Show() {
    // Not modal: the window's own controls are disabled for the load's time,
    // but EXIT and the close box still end the program.
    m_dialog = new QProgressDialog(QStringLiteral("Loading the recording..."),
                                   QStringLiteral("Cancel"), 0, kSteps, m_parent);
    m_dialog->setWindowTitle(QStringLiteral("Loading"));
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    // Its Cancel button, Escape and its close box alike.
    QObject::connect(m_dialog, &QProgressDialog::canceled, [this] { m_cancelled = true; });
    QObject::connect(m_dialog, &QDialog::rejected, [this] { m_cancelled = true; });
    m_dialog->show();
}
