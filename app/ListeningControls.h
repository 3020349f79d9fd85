// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;

// The listening aids below the tone controls: Loop, Both ears, a typed
// frequency and the A4 reference. It keeps no tone state of its own: the owner
// hears of every change through the signals and tells it what to show.
// Window thread only.
class ListeningControls : public QGroupBox {
    Q_OBJECT

  public:
    static constexpr double kDefaultA4 = 440.0;  // Hz
    static constexpr double kLowestA4 = 400.0;
    static constexpr double kHighestA4 = 480.0;

    explicit ListeningControls(QWidget* parent);

    bool Loop() const;
    bool BothEars() const;
    double A4() const;  // Hz, 0.1 Hz steps

    // Set without emitting the change signals.
    void SetLoop(bool loop);
    void SetBothEars(bool bothEars);
    void SetA4(double hz);  // clamped to the range, rounded to 0.1 Hz

    // The tone's frequency for the entry; replaces whatever was typed there.
    void ShowFrequency(double hz);

    // The controls a Tab visits, in order.
    QList<QWidget*> TabOrder() const;

    QCheckBox* LoopBox() const { return m_loop; }
    QCheckBox* BothEarsBox() const { return m_bothEars; }
    QLineEdit* TuneEntry() const { return m_tuneTo; }
    QDoubleSpinBox* A4Box() const { return m_a4; }

  signals:
    void loopChanged(bool loop);
    void bothEarsChanged(bool bothEars);
    // A number typed into the entry and confirmed with Enter, as typed: the
    // owner clamps and rounds it and shows the result with ShowFrequency.
    void frequencyTyped(double hz);
    void a4Changed(double hz);

  protected:
    // Enter in the entry or the A4 box applies what was typed there and goes
    // no further, so it never presses the dialog's default button.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyTypedFrequency();

    QCheckBox* m_loop;
    QCheckBox* m_bothEars;
    QLineEdit* m_tuneTo;
    QDoubleSpinBox* m_a4;
    double m_shownHz = 0.0;
};
