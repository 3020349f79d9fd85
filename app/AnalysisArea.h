// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <optional>

#include "NoteName.h"
#include "RecordingAnalysis.h"

class QBoxLayout;
class PartialTable;
class QLabel;
class QPushButton;
class SpectrumView;

// The area below the tone controls: the recording's spectrum with its peaks and
// strike estimate, the table of its named partials below it, the tone's note,
// and the ways to put the tone on a peak (a click on the spectrum, a row of
// the table, Ctrl+Right and Ctrl+Left anywhere in the window, Tune to Strike;
// Alt+P takes the keyboard to the table). It only asks for tones, by toneRequested; the owner
// retunes and reports back through SetToneFrequency. Window thread only.
class AnalysisArea : public QWidget {
    Q_OBJECT

  public:
    explicit AnalysisArea(QWidget* parent = nullptr);
    ~AnalysisArea() override;

    // The tone's range and step; requested tones are clamped and rounded to it.
    void SetToneRange(double lowestHz, double highestHz, double stepHz);
    void SetToneFrequency(double hz);
    // The A4 all note names follow; 440 Hz unless set.
    void SetReferenceA4(double hz);

    // A recording is being analysed / has been / there is none to analyse.
    void ShowWorking();
    void ShowAnalysis(std::optional<RecordingAnalysis> analysis);
    void ShowNoRecording();

    // A row below the spectrum where further controls may be added.
    QBoxLayout* ExtraControls() const { return m_extraControls; }
    SpectrumView* Spectrum() const { return m_spectrum; }
    PartialTable* Partials() const { return m_partials; }

    // The peak next above (up) or below the tone within its range, if any.
    std::optional<double> NextPeak(bool up) const;

  signals:
    void toneRequested(double hz);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The spectrum and the table in a splitter; the readings and buttons below.
    void LayOut();
    void RequestTone(double hz);
    // The spectrum and strike of analysis (none: empty), with status below it.
    void Show(std::optional<RecordingAnalysis> analysis, const QString& status);
    void ShowStrike();
    void ShowTone();
    QString NoteText(double hz) const;

    SpectrumView* m_spectrum;
    PartialTable* m_partials;
    QLabel* m_status;
    QLabel* m_strike;
    QLabel* m_tone;
    QPushButton* m_tuneToStrike;
    QBoxLayout* m_extraControls;
    std::optional<RecordingAnalysis> m_analysis;
    double m_lowestHz = 100.0;
    double m_highestHz = 1500.0;
    double m_stepHz = 0.1;
    double m_toneHz = 440.0;
    double m_a4 = kStandardA4;
};
