// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableWidget>
#include <optional>
#include <vector>

#include "RecordingAnalysis.h"

// The recording's named partials, one a row in ascending frequency (a
// doublet's two peaks as two rows): name, Hz, note and cents, the interval
// from the bell's reference partial (the nominal, or a tubular bell's fourth
// mode), level, decay and a doublet's beat. Choosing a row, by mouse or key,
// asks for a tone at that partial. Window thread only.
class PartialTable : public QTableWidget {
    Q_OBJECT

  public:
    enum Column { kName, kHz, kNote, kInterval, kLevel, kDecay, kBeat, kColumns };

    explicit PartialTable(QWidget* parent = nullptr);

    // The named partials of analysis (none: no rows), notes reckoned from a4.
    void Show(const std::optional<RecordingAnalysis>& analysis, double a4);

    // The partial shown in row.
    double FrequencyOfRow(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }

  signals:
    void partialChosen(double hz);

  private:
    void FillRow(int row, const Peak& peak, double referenceHz, double a4);

    std::vector<double> m_rows;  // Hz, a row each
};
