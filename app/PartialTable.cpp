// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialTable.h"

#include <QApplication>
#include <QHeaderView>
#include <cmath>

#include "NoteName.h"

namespace {

QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString FromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The reference partial's frequency: its stronger peak when it is a doublet.
std::optional<double> ReferenceHz(const RecordingAnalysis& analysis) {
    const std::string_view name = ReferencePartial(analysis.kind);
    std::optional<double> hz;
    double level = -1e300;
    for (const Peak& peak : analysis.spectrum.peaks) {
        if (!name.empty() && peak.partial == name && peak.levelDb > level) {
            hz = peak.frequencyHz;
            level = peak.levelDb;
        }
    }
    return hz;
}

}  // namespace

PartialTable::PartialTable(QWidget* parent) : QTableWidget(0, kColumns, parent) {
    setHorizontalHeaderLabels({QStringLiteral("Partial"), QStringLiteral("Hz"),
                               QStringLiteral("Note"), QStringLiteral("Interval"),
                               QStringLiteral("dB"), QStringLiteral("dB/s"),
                               QStringLiteral("Beat Hz")});
    horizontalHeaderItem(kInterval)->setToolTip(
        QStringLiteral("Cents from the nominal (a tubular bell's: from its fourth mode)"));
    horizontalHeaderItem(kLevel)->setToolTip(QStringLiteral("Level below the strongest peak"));
    horizontalHeaderItem(kDecay)->setToolTip(QStringLiteral("Level lost each second"));
    horizontalHeaderItem(kBeat)->setToolTip(QStringLiteral("A doublet's beat rate"));
    verticalHeader()->hide();
    // As low as the header and a row: the spectrum above takes what it needs.
    setMinimumHeight(3 * (fontMetrics().height() + 4));
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(QStringLiteral("Partials"));
    // Out of the Tab chain, which keeps the dialog's own order; a click or
    // Alt+P gives it the keys.
    setFocusPolicy(Qt::ClickFocus);
    // A click asks for its row's tone even when the row is the current one; a
    // key that moves to another row asks for that one's.
    connect(this, &QTableWidget::cellClicked, this,
            [this](int row, int) { emit partialChosen(FrequencyOfRow(row)); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (row >= 0 && row != previous && !(QApplication::mouseButtons() & Qt::LeftButton)) {
            emit partialChosen(FrequencyOfRow(row));
        }
    });
}

void PartialTable::Show(const std::optional<RecordingAnalysis>& analysis, double a4) {
    const QSignalBlocker quiet(this);  // filling the table chooses nothing
    setRowCount(0);
    m_rows.clear();
    if (!analysis) {
        return;
    }
    const std::optional<double> reference = ReferenceHz(*analysis);
    for (const Peak& peak : analysis->spectrum.peaks) {
        if (!peak.partial.empty()) {
            m_rows.push_back(peak.frequencyHz);
            insertRow(rowCount());
            FillRow(rowCount() - 1, peak, reference.value_or(0.0), a4);
        }
    }
}

void PartialTable::FillRow(int row, const Peak& peak, double referenceHz, double a4) {
    const NoteName note = NoteOf(peak.frequencyHz, a4);
    const auto put = [&](Column column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(column == kName ? Qt::AlignLeft | Qt::AlignVCenter
                                               : Qt::AlignRight | Qt::AlignVCenter);
        setItem(row, column, item);
    };
    put(kName, FromStd(peak.partial));
    put(kHz, Number(peak.frequencyHz, 2));
    put(kNote, QStringLiteral("%1 %2").arg(FromStd(note.name), FromStd(FormatCents(note.cents))));
    if (referenceHz > 0.0) {
        put(kInterval, FromStd(FormatCents(1200.0 * std::log2(peak.frequencyHz / referenceHz))));
    }
    put(kLevel, Number(peak.levelDb, 1));
    if (peak.decayDbPerSecond) {
        put(kDecay, Number(*peak.decayDbPerSecond, 2));
    }
    if (peak.beatHz) {
        put(kBeat, Number(*peak.beatHz, 2));
    }
}
