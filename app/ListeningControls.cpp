// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListeningControls.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "DialogUnits.h"

namespace {

// Child rectangles in dialog units, relative to the group box.
struct Place {
    short x, y, cx, cy;
};
constexpr Place kLoop{10, 12, 40, 12};
constexpr Place kBothEars{55, 12, 55, 12};
constexpr Place kTuneLabel{115, 14, 30, 12};
constexpr Place kTuneEntry{145, 12, 45, 13};
constexpr Place kA4Label{205, 14, 22, 12};
constexpr Place kA4Box{230, 12, 60, 13};

QString ShownText(double hz) {
    return QLocale::c().toString(hz, 'f', 1);
}

}  // namespace

ListeningControls::ListeningControls(QWidget* parent)
    : QGroupBox(QStringLiteral("Listening"), parent),
      m_loop(new QCheckBox(QStringLiteral("&Loop"), this)),
      m_bothEars(new QCheckBox(QStringLiteral("&Both ears"), this)),
      m_tuneTo(new QLineEdit(this)),
      m_a4(new QDoubleSpinBox(this)) {
    auto* tuneLabel = new QLabel(QStringLiteral("&Tune to:"), this);
    auto* a4Label = new QLabel(QStringLiteral("A&4 ="), this);
    tuneLabel->setBuddy(m_tuneTo);
    a4Label->setBuddy(m_a4);

    const DialogUnits units(font());
    const auto place = [&](QWidget* widget, const Place& p) {
        widget->setGeometry(units.ToPixels(p.x, p.y, p.cx, p.cy));
    };
    place(m_loop, kLoop);
    place(m_bothEars, kBothEars);
    place(tuneLabel, kTuneLabel);
    place(m_tuneTo, kTuneEntry);
    place(a4Label, kA4Label);
    place(m_a4, kA4Box);

    m_loop->setAccessibleName(QStringLiteral("Loop"));
    m_bothEars->setAccessibleName(QStringLiteral("Both ears"));
    m_tuneTo->setAccessibleName(QStringLiteral("Tune to, hertz"));
    m_a4->setAccessibleName(QStringLiteral("A4 reference, hertz"));

    // A file dropped here loads like one dropped anywhere else on the window,
    // instead of landing in the entry as text.
    m_tuneTo->setAcceptDrops(false);
    m_a4->setAcceptDrops(false);

    m_a4->setRange(kLowestA4, kHighestA4);
    m_a4->setDecimals(1);
    m_a4->setSingleStep(0.1);
    m_a4->setSuffix(QStringLiteral(" Hz"));
    m_a4->setValue(kDefaultA4);
    m_a4->setKeyboardTracking(false);  // a change is a finished number, not each key

    for (QWidget* widget : TabOrder()) {
        widget->setFocusPolicy(Qt::StrongFocus);
    }
    m_tuneTo->installEventFilter(this);
    m_a4->installEventFilter(this);

    connect(m_loop, &QCheckBox::toggled, this, &ListeningControls::loopChanged);
    connect(m_bothEars, &QCheckBox::toggled, this, &ListeningControls::bothEarsChanged);
    connect(m_a4, &QDoubleSpinBox::valueChanged, this, &ListeningControls::a4Changed);
    // Leaving the entry without Enter puts back what the tone is.
    connect(m_tuneTo, &QLineEdit::editingFinished, this, [this] {
        if (!m_tuneTo->hasFocus()) {
            ShowFrequency(m_shownHz);
        }
    });
}

QList<QWidget*> ListeningControls::TabOrder() const {
    return {m_loop, m_bothEars, m_tuneTo, m_a4};
}

bool ListeningControls::Loop() const {
    return m_loop->isChecked();
}

bool ListeningControls::BothEars() const {
    return m_bothEars->isChecked();
}

double ListeningControls::A4() const {
    return m_a4->value();
}

void ListeningControls::SetLoop(bool loop) {
    const QSignalBlocker blocker(m_loop);
    m_loop->setChecked(loop);
}

void ListeningControls::SetBothEars(bool bothEars) {
    const QSignalBlocker blocker(m_bothEars);
    m_bothEars->setChecked(bothEars);
}

void ListeningControls::SetA4(double hz) {
    const QSignalBlocker blocker(m_a4);
    m_a4->setValue(std::round(std::clamp(hz, kLowestA4, kHighestA4) * 10.0) / 10.0);
}

void ListeningControls::ShowFrequency(double hz) {
    m_shownHz = hz;
    m_tuneTo->setText(ShownText(hz));
}

void ListeningControls::ApplyTypedFrequency() {
    QString text = m_tuneTo->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double hz = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(hz)) {
        ShowFrequency(m_shownHz);  // not a number: the tone stays as it is
        return;
    }
    emit frequencyTyped(hz);
    m_tuneTo->selectAll();
}

bool ListeningControls::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_tuneTo) {
                ApplyTypedFrequency();
                return true;
            }
            if (watched == m_a4) {
                m_a4->interpretText();
                m_a4->selectAll();
                return true;
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
