// SPDX-License-Identifier: GPL-3.0-or-later
// A bare Qt dialog with the main window's kinds of controls at about its
// layout, the yardstick for how soon such a window can be on the screen.
// Usage: bench_bare_dialog WIDTH HEIGHT (the main window's client size).
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include <array>
#include <cstdlib>
#include <tuple>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("Bare");
    const int width = argc > 2 ? std::atoi(argv[1]) : 640;
    const int height = argc > 2 ? std::atoi(argv[2]) : 322;
    dialog.setFixedSize(width, height);
    // Rectangles in 1/320 of the width and 1/161 of the height, as dialog units.
    const auto place = [&](QWidget* w, int x, int y, int cx, int cy) {
        w->setGeometry(x * width / 320, y * height / 161, cx * width / 320, cy * height / 161);
    };
    place(new QGroupBox("Application Control", &dialog), 5, 0, 310, 48);
    place(new QGroupBox("Sound File", &dialog), 5, 54, 310, 48);
    place(new QGroupBox("Generated Tone", &dialog), 5, 108, 310, 48);
    auto* exit = new QPushButton("EXIT", &dialog);
    place(exit, 245, 12, 60, 14);
    place(new QPushButton("Read Waveform", &dialog), 15, 66, 60, 12);
    place(new QPushButton("Start / Stop Play", &dialog), 15, 84, 60, 12);
    for (const auto& [x, y, cx] :
         {std::array{15, 12, 90}, std::array{135, 12, 100}, std::array{15, 30, 115},
          std::array{170, 30, 20}, std::array{120, 66, 105}, std::array{230, 138, 45}}) {
        auto* edit = new QLineEdit(&dialog);
        edit->setReadOnly(true);
        place(edit, x, y, cx, 12);
    }
    for (const auto& [text, x, y] : {std::tuple{"Version:", 135, 30},
                                     {"Filename:", 85, 66},
                                     {"Frequency", 15, 120},
                                     {"Volume", 15, 138},
                                     {"Hertz", 285, 138},
                                     {"veltane.example", 245, 30}}) {
        place(new QLabel(text, &dialog), x, y, 40, 12);
    }
    place(new QProgressBar(&dialog), 85, 84, 140, 12);
    place(new QScrollBar(Qt::Horizontal, &dialog), 60, 120, 245, 10);
    place(new QSlider(Qt::Horizontal, &dialog), 55, 138, 155, 12);
    QObject::connect(exit, &QPushButton::clicked, &dialog, &QDialog::accept);
    exit->setDefault(true);
    dialog.show();
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
