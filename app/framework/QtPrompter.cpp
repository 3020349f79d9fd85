// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtPrompter.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <memory>

namespace {
QWidget* DialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}
}  // namespace

void QtPrompter::MessageBox(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, DialogParent());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

std::optional<std::string> QtPrompter::OpenFileName(const std::string& qtFilter) {
    return OpenFileNameIn(qtFilter, std::string());
}

std::optional<std::string> QtPrompter::OpenFileNameIn(const std::string& qtFilter,
                                                      const std::string& initialDir) {
    // The dialog is hidden once exec() returns; its teardown (the file system
    // model's thread, the dialog's own state written to disk: 15-35 ms) is left
    // to the event loop, so that what the choice starts comes first. Without a
    // parent to take it at the end, it goes at once.
    QWidget* parent = DialogParent();
    const auto teardown = [parent](QFileDialog* dialog) {
        if (parent != nullptr) {
            dialog->deleteLater();
        } else {
            delete dialog;
        }
    };
    const std::unique_ptr<QFileDialog, decltype(teardown)> dialog(
        new QFileDialog(parent, QString(), QString::fromStdString(initialDir),
                        QString::fromStdString(qtFilter)),
        teardown);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (dialog->exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    // The file system's bytes for the name, not a UTF-8 round trip.
    return QFile::encodeName(files.first()).toStdString();
}
