// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "AnalysisArea.h"
#include "AnalysisRunner.h"
#include "CDialog.h"
#include "CProgressCtrl.h"
#include "CScrollBar.h"
#include "EngineHost.h"
#include "ListeningControls.h"
#include "ListeningSettings.h"
#include "LoadResult.h"
#include "RecordControl.h"
#include "ScrollInfo.h"
#include "ToneEngine.h"
#include "waveout/CaptureSource.h"

class LoadProgressWindow;
class RingSide;
class WaveOut;

// The main dialog: the controls' values, and the tone engine that plays through
// the wave device it is given.
class CToneMatchDlg : public CDialog, private EngineHost {
  public:
    explicit CToneMatchDlg(WaveOut& device, CWnd* parent = nullptr);
    ~CToneMatchDlg() override;

    // Enables Start / Stop Play exactly while a recording is loaded.
    void UpdatePlayButton();

    const ToneEngine& Engine() const { return m_engine; }
    std::int32_t ScrollPosition() const { return m_scrollPos; }

    // Everything Read Waveform does once a path is chosen: the stream stops,
    // the recording is read, a failure is reported in its message box, the
    // stream starts again and the analysis starts. Window thread.
    void LoadRecording(const std::string& path);
    // A recording to load as soon as the dialog runs; "" for none.
    void LoadAtStart(const std::string& path) { m_startFile = path; }
    // Puts the tone on hz (clamped to the scroll bar's stops) the way the
    // scroll bar does: the engine retunes without a click.
    void SetToneFromAnalysis(double hz);
    // The analysis area below the dialog's own controls; null before the
    // window is built.
    AnalysisArea* Analysis() const { return m_analysisArea.data(); }

    // The listening aids below the tone controls (loop, both ears, typed
    // frequency, the A4 reference and its a4Changed signal); null before
    // OnInitDialog and after the window is gone.
    ListeningControls* Listening() const { return m_listening; }
    // Records a bell from the microphone and loads the take; null before
    // OnInitDialog and after the window is gone.
    RecordControl* Record() const { return m_record; }
    // Before the window is built: the input the record control listens to,
    // instead of the default input device.
    void SetCaptureSource(std::unique_ptr<CaptureSource> source) {
        m_captureSource = std::move(source);
    }

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    // Escape and the close box: the stream is stopped and the sample blocks
    // freed before the dialog ends, since notifications use both.
    void OnCancel() override;
    void OnHScroll(UINT code, UINT position, HWND sender) override;
    void OnReadWaveform();
    void OnStartStopPlay();

  private:
    // EngineHost: the notification thread's progress update and the window
    // thread's wait for a running refill.
    void SetProgressPos(int position) override;
    void WaitForRefill() override;

    void StopStream();
    // The steps of LoadRecording: the read, watched (cancelled tells whether
    // the user gave it up), with the window's controls disabled meanwhile;
    // then the stream back at the recording's rate.
    LoadResult ReadRecording(const std::string& path, bool& cancelled);
    void EnableForLoad(bool enable);
    void RestartStream();
    void BuildAnalysisArea();
    // Analyses the loaded recording, or shows that there is none.
    void StartAnalysis();

    void InitFrequencyScroll();
    void LoadOnceRunning(const std::string& path);
    // Where a scroll bar report (SB_*) moves the tone, in tenths of a hertz.
    int ScrolledPosition(UINT code) const;
    // The scroll bar's path for a new scroll position, whoever asked for it:
    // the bar, the typed frequency or an octave jump.
    void ApplyScrollPosition();
    void TuneTo(int scrollPosition);
    void OnFrequencyTyped(double hz);
    void OnOctave(bool up);
    // The window's wiring, in the order OnInitDialog runs it.
    void CreateListeningControls();
    void ApplySettings();
    void ConnectListeningControls();
    void InstallShortcuts();
    void InstallFileDrop();
    void CreateRecordControl();
    void SilenceToneForTake();
    void CloseSilentOutput();
    void EndToneSilence();
    void BringToneBack();
    void BuildRingSide();
    void SaveSettings();

    std::int32_t m_scrollPos = 4400;  // tenths of a hertz
    CProgressCtrl m_progress;
    CScrollBar m_frequencyScroll;
    int m_volume = 25;           // trackbar position, 0 to 100
    double m_frequency = 440.0;  // Hz
    std::string m_fileName = "no file loaded";
    std::string m_description;
    std::string m_copyright;
    std::string m_company;
    std::string m_version;
    QIcon m_hIcon;
    SCROLLINFO m_scrollInfo;
    QPointer<ListeningControls> m_listening;         // owned by the window
    QPointer<RecordControl> m_record;                // owned by the window
    std::unique_ptr<CaptureSource> m_captureSource;  // until the record control takes it
    // While a take is recorded with the tone silenced: the amplitude the tone
    // comes back with (the volume set meanwhile included), and the timer that
    // closes the output once the tone has left it.
    bool m_toneSilenced = false;
    std::int32_t m_amplitudeBeforeRecording = 0;
    QTimer m_silentClose;
    bool m_quietRefillWait = false;  // a refill is waited for without "Click OK..."
    bool m_ending = false;           // EXIT or the close box: the output opens no more
    ListeningSettings m_settings;
    std::string m_startFile;
    // While a load runs: its progress window, and IDOK or IDCANCEL when EXIT
    // or the close box asked to end meanwhile (0 for neither).
    LoadProgressWindow* m_load = nullptr;
    int m_exitAfterLoad = 0;
    QPointer<AnalysisArea> m_analysisArea;  // owned by the window
    QPointer<RingSide> m_ring;              // owned by the window
    // Reads theSoundFile's samples while it runs; cancelled before they change.
    AnalysisRunner m_analysis;

    // Last, so it is destroyed first: a stream still running is stopped while
    // the controls it reports to exist.
    ToneEngine m_engine;
};
