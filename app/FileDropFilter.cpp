// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDropFilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "FileNameBytes.h"

namespace {

// The first local file among the dragged items, as the file system's bytes;
// empty when there is none.
std::string LocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (std::string path = LocalFileBytes(url); !path.empty()) {
            return path;
        }
    }
    return {};
}

}  // namespace

FileDropFilter::FileDropFilter(QWidget* window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window) {
        return false;
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (LocalFile(drag->mimeData()).empty()) {
                drag->ignore();
            } else {
                drag->acceptProposedAction();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            std::string path = LocalFile(drop->mimeData());
            if (path.empty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            QTimer::singleShot(0, this, [this, file = std::move(path)] { m_handler(file); });
            return true;
        }
        default:
            return false;
    }
}
