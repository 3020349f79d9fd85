// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

inline constexpr double kRingStandardA4 = 440.0;

// One bell of a ring: its recording and what the user said about it.
struct RingBell {
    QString recording;              // absolute path, whatever the file holds
    std::optional<double> byEarHz;  // the tone kept as the bell's pitch; none until kept
    QString comment;
    // Fields this Veltane does not know, written back as they were read.
    QJsonObject others = {};
};

// A ring of bells as the user built it, in the order the bells were added.
struct Ring {
    double a4Hz = kRingStandardA4;
    std::vector<RingBell> bells;
    QJsonObject others = {};  // as for a bell
};
