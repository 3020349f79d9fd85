// SPDX-License-Identifier: GPL-3.0-or-later
// ring_export RING CSV PDF: opens the ring in the ring view offscreen, waits for
// its table, and exports it through the view's own buttons, for the command-line
// test to read back with other tools.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "RingTableModel.h"
#include "RingView.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: ring_export RING CSV PDF\n");
        return 2;
    }
    QStringList answers{QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])};
    const auto answer = [&](auto...) { return answers.takeFirst(); };
    RingView view(nullptr, RingPrompts{answer, answer, [](auto...) { return QStringList(); }});
    if (!view.OpenRing(QString::fromLocal8Bit(argv[1])) ||
        !QTest::qWaitFor([&] { return view.Model()->Complete(); }, 60000)) {
        std::fprintf(stderr, "%s\n", qPrintable(view.Problem()));
        return 1;
    }
    for (const char* button : {"exportCsv", "exportPdf"}) {
        QTest::mouseClick(view.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    if (!view.Problem().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(view.Problem()));
        return 1;
    }
    return 0;
}
