// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordControl.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "BlockLevel.h"
#include "WriteMonoWav.h"
#include "waveout/CaptureSource.h"

namespace {

// A second of samples at the highest rate a device is likely to give: a poll
// normally finds 50 ms; a late one takes the rest at its next turn.
constexpr std::size_t kBlockSamples = 192000;

QString TakeName(const QDateTime& when, int attempt) {
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return attempt == 0 ? QStringLiteral("bell-%1.wav").arg(stamp)
                        : QStringLiteral("bell-%1-%2.wav").arg(stamp).arg(attempt + 1);
}

// A name no earlier take has, so that none is replaced.
QString FreeTakePath(const QDir& folder) {
    const QDateTime now = QDateTime::currentDateTime();
    QString path;
    for (int attempt = 0; path.isEmpty() || QFileInfo::exists(path); ++attempt) {
        path = folder.absoluteFilePath(TakeName(now, attempt));
    }
    return path;
}

// Whole seconds: the label then changes once a second, not at every poll.
QString ElapsedText(qint64 seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// A label as wide as the widest text it shows, so that a new text repaints it
// alone and never lays the row out again.
void FixWidth(QLabel* label, const QString& widest) {
    label->setFixedWidth(label->fontMetrics().horizontalAdvance(widest) + 4);
}

QString EndNote(TakeEnd end, double waitSeconds) {
    if (end == TakeEnd::kNoStrike) {
        return QStringLiteral("No strike was heard in %1 s; nothing was saved.")
            .arg(waitSeconds, 0, 'g', 4);
    }
    return QStringLiteral("Stopped before a strike was heard; nothing was saved.");
}

}  // namespace

RecordControl::RecordControl(std::unique_ptr<CaptureSource> source, QWidget* parent)
    : QWidget(parent),
      m_source(std::move(source)),
      m_button(new QPushButton(QStringLiteral("&Record"), this)),
      m_silence(new QCheckBox(QStringLiteral("Silence the tone while recording"), this)),
      m_meter(new QProgressBar(this)),
      m_level(new QLabel(this)),
      m_elapsed(new QLabel(this)),
      m_note(new QLabel(this)),
      m_settings(RecordSettings::Load()),
      m_block(kBlockSamples) {
    m_button->setCheckable(true);
    m_button->setAutoDefault(false);
    m_meter->setRange(0, int(-kMeterFloorDb * 10));
    m_meter->setTextVisible(false);
    m_meter->setAccessibleName(QStringLiteral("Input level"));
    m_silence->setChecked(m_settings.silenceTone);
    FixWidth(m_level, QStringLiteral("-100.0 dBFS"));
    FixWidth(m_elapsed, QStringLiteral("00:00"));
    m_note->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : {static_cast<QWidget*>(m_button), static_cast<QWidget*>(m_meter),
                            static_cast<QWidget*>(m_level), static_cast<QWidget*>(m_elapsed)}) {
        row->addWidget(widget);
    }
    row->addWidget(m_silence);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addWidget(m_note);
    ShowLevel(BlockLevel::kSilenceDb);

    // Ctrl+R wherever the focus is in the window this control is part of.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, m_button, &QPushButton::click);
    connect(m_button, &QPushButton::clicked, this, &RecordControl::Toggle);
    connect(m_silence, &QCheckBox::toggled, this, [this](bool on) {
        m_settings.silenceTone = on;
        m_settings.Save();
    });
    connect(&m_poll, &QTimer::timeout, this, &RecordControl::Poll);
    if (const int fd = m_source->ReadyDescriptor(); fd >= 0) {
        m_ready = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        m_ready->setEnabled(false);
        connect(m_ready, &QSocketNotifier::activated, this, &RecordControl::Poll);
    }
    m_poll.setInterval(m_ready ? kWatchMs : kPollMs);
}

// The window is going: the device closes, and no one is left to hear signals.
RecordControl::~RecordControl() {
    if (IsRecording()) {
        m_source->Stop();
    }
}

QList<QWidget*> RecordControl::TabOrder() const {
    return {m_button, m_silence};
}

void RecordControl::Cancel() {
    if (IsRecording()) {
        EndListening();
        Tell(QStringLiteral("Recording cancelled; nothing was saved."));
    }
}

void RecordControl::Toggle() {
    if (!IsRecording()) {
        Begin();
        return;
    }
    Finish(m_take->Stop());
}

void RecordControl::Begin() {
    m_settings = RecordSettings::Load();
    m_settings.silenceTone = m_silence->isChecked();
    const std::string problem = m_source->Start();
    if (!problem.empty()) {
        m_button->setChecked(false);
        Tell(QString::fromStdString(problem));
        return;
    }
    m_take = std::make_unique<TakeRecorder>(m_source->Rate(), m_settings.noStrikeWait);
    m_button->setChecked(true);
    m_clock.start();
    m_shownSeconds = -1;
    m_poll.start();
    if (m_ready) {
        m_ready->setEnabled(true);
    }
    Tell(QStringLiteral("Listening: strike the bell."));
    m_toneTail = 0;
    if (m_settings.silenceTone) {
        m_toneTail = std::size_t(kToneTailSeconds * m_source->Rate());
        m_toneSilenced = true;
        emit silenceTone();
    }
}

void RecordControl::Poll() {
    if (!m_take) {
        return;  // a wake-up already on its way when the take ended
    }
    const bool wasStruck = m_take->Struck();
    std::size_t count = 0;
    std::size_t read = 0;
    double levelDb = BlockLevel::kSilenceDb;
    while (m_take->End() == TakeEnd::kNone && (count = m_source->Read(m_block)) > 0) {
        const std::span heard(m_block.data(), count);
        levelDb = BlockLevel::Of(heard).dbfs;
        read += count;
        const std::size_t tail = std::min(m_toneTail, count);
        m_toneTail -= tail;
        m_take->Feed(heard.subspan(tail));
    }
    // A poll that comes before the device's next block keeps the last level
    // rather than flickering to the meter's floor.
    if (read > 0) {
        ShowLevel(levelDb);
    }
    if (const qint64 seconds = m_clock.elapsed() / 1000; seconds != m_shownSeconds) {
        m_shownSeconds = seconds;
        m_elapsed->setText(ElapsedText(seconds));
    }
    if (m_take->Struck() && !wasStruck) {
        Tell(QStringLiteral("Recording the bell..."));
    }
    if (m_take->End() != TakeEnd::kNone) {
        Finish(m_take->End());
    } else if (const std::string fault = m_source->Fault(); !fault.empty()) {
        EndListening();
        Tell(QString::fromStdString(fault) + QStringLiteral(" Nothing was saved."));
    }
}

// The bar and the label change (and repaint) only when what they show does, in
// tenths of a dB: a steady or silent input costs a poll no text and no paint.
void RecordControl::ShowLevel(double dbfs) {
    const double shown = std::max(dbfs, kMeterFloorDb);
    const int tenths = dbfs <= kMeterFloorDb ? kNoLevel : int(std::lround(dbfs * 10));
    if (tenths == m_shownTenths) {
        return;
    }
    m_shownTenths = tenths;
    m_meter->setValue(int(std::lround((shown - kMeterFloorDb) * 10)));
    m_level->setText(tenths == kNoLevel ? QStringLiteral("-inf dBFS")
                                        : QStringLiteral("%1 dBFS").arg(tenths / 10.0, 0, 'f', 1));
}

void RecordControl::Finish(TakeEnd end) {
    const std::unique_ptr<TakeRecorder> take = std::move(m_take);
    StopListening();
    if (take->Take().empty()) {
        Tell(EndNote(end, m_settings.noStrikeWait));
    } else {
        Save(*take);
    }
    GiveToneBack();
}

void RecordControl::EndListening() {
    StopListening();
    GiveToneBack();
}

void RecordControl::StopListening() {
    m_poll.stop();
    if (m_ready) {
        m_ready->setEnabled(false);
    }
    m_source->Stop();
    if (const std::uint64_t overruns = m_source->OverrunCount(); overruns > 0) {
        std::fprintf(stderr, "veltane: the input device overran %" PRIu64 " times\n", overruns);
    }
    m_take.reset();
    m_button->setChecked(false);
    ShowLevel(BlockLevel::kSilenceDb);
}

void RecordControl::GiveToneBack() {
    if (m_toneSilenced) {
        m_toneSilenced = false;
        emit toneBack();
    }
}

void RecordControl::Save(const TakeRecorder& take) {
    const QDir folder(QString::fromStdString(m_settings.TakeFolder()));
    if (!folder.mkpath(QStringLiteral("."))) {
        Tell(QStringLiteral("The folder %1 could not be created; the take was not saved.")
                 .arg(folder.absolutePath()));
        return;
    }
    const QString path = FreeTakePath(folder);
    if (const std::string problem = WriteMonoWav(path.toStdString(), take.Take(), take.Rate());
        !problem.empty()) {
        Tell(QString::fromStdString(problem));
        return;
    }
    QString note = QStringLiteral("Saved as %1.").arg(QFileInfo(path).fileName());
    if (BlockLevel::Of(take.Take()).clipped) {
        note += QStringLiteral(
            " The take is clipped: the sound reached the input's limit. Move the microphone "
            "further from the bell or turn the input level down, and record it again.");
    }
    Tell(note);
    emit takeSaved(path);
}

void RecordControl::Tell(const QString& text) {
    m_note->setText(text);
}
