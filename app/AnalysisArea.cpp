// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisArea.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>

#include "PartialTable.h"
#include "SpectrumView.h"

AnalysisArea::AnalysisArea(QWidget* parent)
    : QWidget(parent),
      m_spectrum(new SpectrumView(this)),
      m_partials(new PartialTable(this)),
      m_status(new QLabel(this)),
      m_strike(new QLabel(this)),
      m_tone(new QLabel(this)),
      m_tuneToStrike(new QPushButton(QStringLiteral("Tune to &Strike"), this)),
      m_extraControls(new QHBoxLayout) {
    LayOut();
    connect(m_spectrum, &SpectrumView::clicked, this, &AnalysisArea::RequestTone);
    connect(m_partials, &PartialTable::partialChosen, this, &AnalysisArea::RequestTone);
    auto* toTable = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_P), this);
    toTable->setContext(Qt::WindowShortcut);
    connect(toTable, &QShortcut::activated, m_partials, [this] {
        m_partials->setFocus(Qt::ShortcutFocusReason);
        if (m_partials->currentRow() < 0 && m_partials->rowCount() > 0) {
            m_partials->setCurrentCell(0, 0);  // tunes to the first partial
        }
    });
    connect(m_tuneToStrike, &QPushButton::clicked, this, [this] {
        if (m_analysis && m_analysis->strike) {
            RequestTone(m_analysis->strike->frequencyHz);
        }
    });
    // Ctrl+Right and Ctrl+Left work wherever the focus is in this window, the
    // read-only boxes (which would take them to move by words) included.
    qApp->installEventFilter(this);
    ShowNoRecording();
    ShowTone();
}

namespace {

// A unit of the splitter's first division (scaled to the space there is).
constexpr int kProportion = 1000;

}  // namespace

void AnalysisArea::LayOut() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // The spectrum above, the table below; the user may move the line between.
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_spectrum);
    splitter->addWidget(m_partials);
    // Two thirds to the spectrum, whose names and axis need the height.
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({2 * kProportion, kProportion});
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);
    auto* readings = new QHBoxLayout;
    readings->setSpacing(16);
    readings->addWidget(m_tone);
    readings->addWidget(m_strike, 1);
    readings->addWidget(m_status);
    readings->addWidget(m_tuneToStrike);
    layout->addLayout(readings);
    layout->addLayout(m_extraControls);
    m_tuneToStrike->setAutoDefault(false);
    m_tuneToStrike->setEnabled(false);
}

AnalysisArea::~AnalysisArea() {
    qApp->removeEventFilter(this);
}

void AnalysisArea::SetToneRange(double lowestHz, double highestHz, double stepHz) {
    m_lowestHz = lowestHz;
    m_highestHz = highestHz;
    m_stepHz = stepHz;
}

void AnalysisArea::SetToneFrequency(double hz) {
    m_toneHz = hz;
    m_spectrum->SetToneFrequency(hz);
    ShowTone();
}

void AnalysisArea::SetReferenceA4(double hz) {
    m_a4 = hz;
    ShowTone();
    ShowStrike();
    m_partials->Show(m_analysis, m_a4);
}

void AnalysisArea::ShowWorking() {
    Show(std::nullopt, QStringLiteral("Analysing..."));
}

void AnalysisArea::ShowAnalysis(std::optional<RecordingAnalysis> analysis) {
    const bool empty = !analysis || analysis->spectrum.peaks.empty();
    Show(std::move(analysis), empty ? QStringLiteral("No partials found.") : QString());
}

void AnalysisArea::ShowNoRecording() {
    Show(std::nullopt, QStringLiteral("No recording analysed."));
}

void AnalysisArea::Show(std::optional<RecordingAnalysis> analysis, const QString& status) {
    m_analysis = std::move(analysis);
    m_status->setText(status);
    m_spectrum->SetAnalysis(m_analysis);
    m_partials->Show(m_analysis, m_a4);
    ShowStrike();
}

QString AnalysisArea::NoteText(double hz) const {
    const NoteName note = NoteOf(hz, m_a4);
    return QStringLiteral("%1 %2 cents")
        .arg(QString::fromStdString(note.name), QString::fromStdString(FormatCents(note.cents)));
}

void AnalysisArea::ShowTone() {
    m_tone->setText(QStringLiteral("Tone: %1").arg(NoteText(m_toneHz)));
}

void AnalysisArea::ShowStrike() {
    const bool has = m_analysis && m_analysis->strike;
    m_tuneToStrike->setEnabled(has);
    if (!has) {
        m_strike->setText(m_analysis ? QStringLiteral("Strike: none") : QString());
        return;
    }
    const StrikeEstimate& strike = *m_analysis->strike;
    m_strike->setText(
        QStringLiteral("Strike: %1 Hz, %2 (%3)")
            .arg(strike.frequencyHz, 0, 'f', 2)
            .arg(NoteText(strike.frequencyHz),
                 QString::fromUtf8(BasisName(strike.basis).data(),
                                   static_cast<qsizetype>(BasisName(strike.basis).size()))));
}

void AnalysisArea::RequestTone(double hz) {
    const double stepped = std::round(hz / m_stepHz) * m_stepHz;
    emit toneRequested(std::clamp(stepped, m_lowestHz, m_highestHz));
}

std::optional<double> AnalysisArea::NextPeak(bool up) const {
    if (!m_analysis) {
        return std::nullopt;
    }
    std::optional<double> next;
    for (const Peak& peak : m_analysis->spectrum.peaks) {
        // Peaks as the tone can play them: on its steps, within its range.
        const double hz = std::round(peak.frequencyHz / m_stepHz) * m_stepHz;
        const bool beyond = up ? hz > m_toneHz + m_stepHz / 2 : hz < m_toneHz - m_stepHz / 2;
        if (!beyond || hz < m_lowestHz || hz > m_highestHz) {
            continue;
        }
        if (!next || (up ? hz < *next : hz > *next)) {
            next = hz;
        }
    }
    return next;
}

bool AnalysisArea::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool right = key->key() == Qt::Key_Right;
        if ((right || key->key() == Qt::Key_Left) && key->modifiers() == Qt::ControlModifier) {
            if (const std::optional<double> hz = NextPeak(right)) {
                emit toneRequested(*hz);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
