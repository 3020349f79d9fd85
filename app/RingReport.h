// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class RingTableModel;

// The ring's report as a PDF on A4 (landscape): its name and the date, the
// table as the view shows it, and each bell's spectrum with its named partials
// marked; a ring of up to eight bells on one page. The reason when the file
// cannot be written. Window thread.
std::optional<QString> WriteRingReport(const QString& path, const RingTableModel& model,
                                       const QDateTime& when);
