// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "RecordSettings.h"
#include "TakeRecorder.h"

class CaptureSource;
class QCheckBox;
class QLabel;
class QProgressBar;
class QSocketNotifier;
class QPushButton;

// Records a bell from the default input: Record (or Ctrl+R anywhere in the
// window) starts listening, the take is cut by TakeRecorder's rules, saved as
// bell-YYYYMMDD-HHMMSS.wav in the settings' folder and announced by takeSaved.
// While it listens, a level meter (dBFS, 20 updates a second) and the elapsed
// time show beside the button; what happened last shows in a note below.
// Never blocks the window: the samples are taken from the capture source as
// it signals them (or, for a source that cannot, by a timer), with a slower
// timer for the elapsed time and a device that stops delivering. Window thread
// only.
class RecordControl : public QWidget {
    Q_OBJECT

  public:
    // The meter's 20 updates a second, and no more: each poll wakes the window.
    static constexpr int kPollMs = 50;
    // The watch on the elapsed time and on the device where the source wakes
    // the window itself.
    static constexpr int kWatchMs = 500;
    static constexpr double kMeterFloorDb = -60.0;  // the meter's empty end
    // What the microphone hears first after the tone is silenced is the tone
    // still on its way through the output's buffers and the sound server: it
    // is shown, but kept out of the take and its background level.
    static constexpr double kToneTailSeconds = 0.6;

    RecordControl(std::unique_ptr<CaptureSource> source, QWidget* parent);
    ~RecordControl() override;

    bool IsRecording() const { return m_take != nullptr; }
    // Ends a recording without saving it (the window is closing): the device
    // is closed and the tone given back before it returns.
    void Cancel();

    QPushButton* RecordButton() const { return m_button; }
    QCheckBox* SilenceBox() const { return m_silence; }
    // The controls a Tab visits, in order.
    QList<QWidget*> TabOrder() const;
    QProgressBar* Meter() const { return m_meter; }
    QLabel* LevelLabel() const { return m_level; }
    QLabel* ElapsedLabel() const { return m_elapsed; }
    QLabel* Note() const { return m_note; }

  signals:
    // A take is saved at path (absolute), ready to load.
    void takeSaved(const QString& path);
    // The tone must go quiet for the recording, and may come back after it;
    // always in pairs, toneBack after takeSaved, so that a take loaded at its
    // own rate is what the tone comes back with.
    void silenceTone();
    void toneBack();

  private:
    void Toggle();
    void Begin();
    void Poll();
    void ShowLevel(double dbfs);
    void Finish(TakeEnd end);
    void EndListening();
    void StopListening();
    void GiveToneBack();
    void Save(const TakeRecorder& take);
    void Tell(const QString& text);

    std::unique_ptr<CaptureSource> m_source;
    QPushButton* m_button;
    QCheckBox* m_silence;
    QProgressBar* m_meter;
    QLabel* m_level;
    QLabel* m_elapsed;
    QLabel* m_note;
    QTimer m_poll;
    QSocketNotifier* m_ready = nullptr;  // while the source has a descriptor
    QElapsedTimer m_clock;
    RecordSettings m_settings;
    std::unique_ptr<TakeRecorder> m_take;  // while recording
    std::vector<std::int16_t> m_block;     // what one poll takes from the queue
    bool m_toneSilenced = false;
    std::size_t m_toneTail = 0;  // samples still to keep out of the take
    // What the meter and the elapsed label show: tenths of a dB (kNoLevel below
    // the meter's floor), whole seconds (-1: nothing yet).
    static constexpr int kNoLevel = -100000;
    int m_shownTenths = 0;
    qint64 m_shownSeconds = -1;
};
