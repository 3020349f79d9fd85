// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

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
    QFileDialog dialog(DialogParent(), QString(), QString::fromStdString(initialDir),
                       QString::fromStdString(qtFilter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    return files.first().toStdString();
}
