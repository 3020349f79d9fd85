// SPDX-License-Identifier: GPL-3.0-or-later
#include "CWinApp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>

namespace {
CWinApp* theOneApp = nullptr;
}

CWinApp::CWinApp(const char* appName) : m_appName(appName) {
    theOneApp = this;
}

CWinApp::~CWinApp() {
    if (theOneApp == this) {
        theOneApp = nullptr;
    }
}

QIcon CWinApp::LoadIcon(int resourceId) const {
    QIcon icon;
    for (const int size : {16, 32}) {
        icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(resourceId).arg(size),
                     QSize(size, size));
    }
    return icon;
}

std::string CWinApp::AppName() const {
    if (m_appName != nullptr) {
        return m_appName;
    }
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

CWinApp* AfxGetApp() {
    return theOneApp;
}

std::string AfxGetAppName() {
    if (theOneApp != nullptr) {
        return theOneApp->AppName();
    }
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}
