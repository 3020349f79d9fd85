// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <iostream>

#include "CommandLine.h"
#include "FileNameBytes.h"
#include "ToneMatchApp.h"

int main(int argc, char* argv[]) {
    // Read before QApplication exists, so that printing needs no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        // File names are bytes; every one of them reaches the file it names.
        arguments << DecodeFileName(argv[i]);
    }
    CommandLine commandLine(arguments);
    if (const std::optional<int> status = commandLine.Run(std::cout, std::cerr)) {
        std::cout.flush();
        return *status;
    }
    QApplication application(argc, argv);
    // Lets the desktop match the window to its menu entry (the installed
    // example.veltane.Veltane.desktop), under Wayland too.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.veltane.Veltane"));
    theApp.m_startFile = commandLine.StartFile();
    theApp.InitInstance();
    return 0;
}
