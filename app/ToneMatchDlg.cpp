// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneMatchDlg.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>

#include "AccessibleNames.h"
#include "AfxDispatch.h"
#include "AfxMessageBox.h"
#include "AnalysisArea.h"
#include "CDataExchange.h"
#include "CFileDialog.h"
#include "DialogUnits.h"
#include "FileDropFilter.h"
#include "LoadMessage.h"
#include "LoadProgressWindow.h"
#include "LoadSoundFile.h"
#include "MainDialogTemplate.h"
#include "Resource.h"
#include "RingSide.h"
#include "RingView.h"
#include "SoundFile.h"
#include "ToneMatchApp.h"
#include "WindowShortcut.h"
#include "waveout/SdlCapture.h"

namespace {

// Scroll positions are tenths of a hertz.
constexpr int kScrollMin = 1000;
constexpr int kScrollMax = 15075;
constexpr UINT kScrollPage = 75;
constexpr int kLowestStop = 1000;    // 100.0 Hz
constexpr int kHighestStop = 15000;  // 1500.0 Hz; only a drag reaches 15001
constexpr std::int32_t kAmplitudePerVolumeStep = 327;
constexpr int kHighestDragStop = 15001;  // 1500.1 Hz, the highest thumb position
constexpr int kLineStep = 1;
constexpr int kPageStep = 100;

// A frequency in Hz as the nearest scroll position, halves upward, within the
// positions a user can reach. The small nudge keeps a typed 100.05 (stored as
// 100.04999…) a half and so rounding up, as written.
int ScrollPositionFor(double hz) {
    const double tenths = std::clamp(hz, kLowestStop / 10.0, kHighestDragStop / 10.0) * 10.0;
    return static_cast<int>(std::floor(tenths + 0.5 + 1e-9));
}

// Puts widgets in the tab order after after, in their order.
void ChainTabOrder(QWidget* after, const QList<QWidget*>& widgets) {
    for (QWidget* next : widgets) {
        if (after != nullptr) {
            QWidget::setTabOrder(after, next);
        }
        after = next;
    }
}

QRect PixelsOf(const DialogArea& area, const QWidget* window) {
    return DialogUnits(window->font()).ToPixels(area.x, area.y, area.cx, area.cy);
}

}  // namespace

CToneMatchDlg::CToneMatchDlg(WaveOut& device, CWnd* parent)
    : CDialog(kMainDialogTemplate, parent),
      m_hIcon(AfxGetApp() != nullptr ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : QIcon()),
      m_engine(device, *this) {
    OnBnClicked(IDC_READ_WAVEFORM, [this] { OnReadWaveform(); });
    OnBnClicked(IDC_START_STOP, [this] { OnStartStopPlay(); });
}

CToneMatchDlg::~CToneMatchDlg() {
    m_analysis.Cancel();
    // A dialog torn down without ending (a test, an exception) must not leave
    // the device calling back into it.
    if (m_engine.IsOpen()) {
        m_engine.CloseOutput();
    }
    m_engine.FreeBuffers();
}

void CToneMatchDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PROGRESS, m_progress);
    DDX_Control(dx, IDC_FREQUENCY_SCROLL, m_frequencyScroll);
    DDX_Slider(dx, IDC_VOLUME, m_volume);
    DDX_Text(dx, IDC_FREQUENCY, m_frequency);
    DDX_Text(dx, IDC_FILENAME, m_fileName);
    DDX_Text(dx, IDC_DESCRIPTION, m_description);
    DDX_Text(dx, IDC_COPYRIGHT, m_copyright);
    DDX_Text(dx, IDC_COMPANY, m_company);
    DDX_Text(dx, IDC_VERSION, m_version);
}

bool CToneMatchDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);

    m_description = theApp.m_description;
    m_company = theApp.m_company;
    m_version = theApp.m_version;
    m_copyright = theApp.m_copyright;

    InitFrequencyScroll();
    m_progress.SetRange(0, 100);
    BuildAnalysisArea();
    BuildRingSide();

    UpdateData(false);
    UpdatePlayButton();
    CreateListeningControls();
    NameMainDialogControls(*this);
    ApplySettings();
    ConnectListeningControls();
    InstallShortcuts();
    InstallFileDrop();
    CreateRecordControl();

    m_engine.AllocateBuffers();
    m_engine.InitOscillator(m_frequency);  // also sets 44100 Hz
    if (!m_engine.OpenOutput()) {
        AfxMessageBox("No output device for this format!");
        OnCancel();
        return false;
    }
    if (!m_ring->OpenAtStart(m_startFile) && !m_startFile.empty()) {
        LoadOnceRunning(m_startFile);
    }
    return true;
}

void CToneMatchDlg::InitFrequencyScroll() {
    m_scrollInfo.cbSize = sizeof(SCROLLINFO);
    m_scrollInfo.fMask = SIF_ALL;
    m_scrollInfo.nMin = kScrollMin;
    m_scrollInfo.nMax = kScrollMax;
    m_scrollInfo.nPage = kScrollPage;
    m_scrollInfo.nPos = m_scrollPos;
    m_frequencyScroll.SetScrollInfo(&m_scrollInfo, true);
    m_frequencyScroll.EnableScrollBar(ESB_ENABLE_BOTH);
}

void CToneMatchDlg::LoadOnceRunning(const std::string& path) {
    // As if Read Waveform had chosen it, once the window's event loop runs.
    QMetaObject::invokeMethod(
        GetSafeHwnd(), [this, path] { AfxDispatch([&] { LoadRecording(path); }); },
        Qt::QueuedConnection);
}

void CToneMatchDlg::BuildAnalysisArea() {
    QWidget* window = GetSafeHwnd();
    auto* area = new AnalysisArea(window);
    area->setGeometry(PixelsOf(kAnalysisArea, window));
    area->SetToneRange(kLowestStop / 10.0, kHighestStop / 10.0, 0.1);
    area->SetToneFrequency(m_frequency);
    QObject::connect(area, &AnalysisArea::toneRequested, area,
                     [this](double hz) { AfxDispatch([&] { SetToneFromAnalysis(hz); }); });
    area->show();
    m_analysisArea = area;
}

// A bell chosen in the ring loads as Read Waveform loads it; Keep takes the tone.
void CToneMatchDlg::BuildRingSide() {
    QWidget* window = GetSafeHwnd();
    m_ring = new RingSide(
        window, PixelsOf(kRingArea, window),
        [this](const std::string& path) { AfxDispatch([&] { LoadRecording(path); }); },
        [this] { return m_frequency; });
    if (m_analysisArea) {
        m_analysisArea->ExtraControls()->addWidget(m_ring->Button(), 0, Qt::AlignLeft);
    }
}

void CToneMatchDlg::SetToneFromAnalysis(double hz) {
    TuneTo(
        std::clamp(static_cast<std::int32_t>(std::lround(hz * 10.0)), kLowestStop, kHighestStop));
}

void CToneMatchDlg::StartAnalysis() {
    m_analysis.Cancel();
    if (!m_analysisArea) {
        return;
    }
    if (!theSoundFile.m_loaded) {
        m_analysisArea->ShowNoRecording();
        return;
    }
    m_analysisArea->ShowWorking();
    // The samples stay put until the next load, which cancels this first.
    m_analysis.Start(theSoundFile.Samples(),
                     static_cast<int>(theSoundFile.m_format.SamplesPerSec()),
                     theSoundFile.m_peakMagnitude, m_analysisArea);
}

void CToneMatchDlg::StopStream() {
    m_analysis.Cancel();
    m_engine.CloseOutput();
    m_engine.FreeBuffers();
}

void CToneMatchDlg::OnOK() {
    m_ending = true;
    if (m_record) {
        m_record->Cancel();
    }
    if (m_load != nullptr) {
        m_load->Cancel();
        m_exitAfterLoad = IDOK;  // ended once the load has let go
        return;
    }
    StopStream();
    CDialog::OnOK();
}

void CToneMatchDlg::OnCancel() {
    m_ending = true;
    if (m_record) {
        m_record->Cancel();
    }
    if (m_load != nullptr) {
        m_load->Cancel();
        m_exitAfterLoad = IDCANCEL;
        return;
    }
    StopStream();
    CDialog::OnCancel();
}

void CToneMatchDlg::UpdatePlayButton() {
    if (HWND button = GetDlgItem(IDC_START_STOP)) {
        button->setEnabled(theSoundFile.m_loaded);
    }
}

void CToneMatchDlg::OnHScroll(UINT code, UINT /*position*/, HWND sender) {
    if (sender != nullptr && sender == m_frequencyScroll.GetSafeHwnd()) {
        m_frequencyScroll.GetScrollInfo(&m_scrollInfo, SIF_ALL);
        m_scrollPos = ScrolledPosition(code);
        ApplyScrollPosition();
    } else {
        UpdateData(true);
        // A take being recorded keeps the tone silent; it comes back at this volume.
        const std::int32_t amplitude = m_volume * kAmplitudePerVolumeStep;
        if (m_toneSilenced) {
            m_amplitudeBeforeRecording = amplitude;
        } else {
            m_engine.SetAmplitude(amplitude);
        }
        UpdateData(false);
    }
}

int CToneMatchDlg::ScrolledPosition(UINT code) const {
    // Line and page steps stop at the ends of the range; only a drag reaches
    // the highest thumb position.
    const auto step = [this](int delta) {
        return std::clamp(m_scrollPos + delta, kLowestStop, kHighestStop);
    };
    switch (code) {
        case SB_LINELEFT:
            return step(-kLineStep);
        case SB_LINERIGHT:
            return step(kLineStep);
        case SB_PAGELEFT:
            return step(-kPageStep);
        case SB_PAGERIGHT:
            return step(kPageStep);
        case SB_THUMBPOSITION:
            return m_scrollInfo.nPos;
        case SB_THUMBTRACK:
            return m_scrollInfo.nTrackPos;
        case SB_LEFT:
            return kLowestStop;
        case SB_RIGHT:
            return kHighestStop;
        default:  // SB_ENDSCROLL and anything else leave the position
            return m_scrollPos;
    }
}

void CToneMatchDlg::ApplyScrollPosition() {
    m_scrollInfo.nPos = m_scrollPos;
    m_frequencyScroll.SetScrollInfo(&m_scrollInfo, true);
    // Every message retunes, even one that leaves the position: the engine
    // publishes the frequency before it raises the request.
    m_frequency = m_scrollPos / 10.0;
    m_engine.SetFrequency(m_frequency);
    UpdateData(false);
    if (m_listening) {
        m_listening->ShowFrequency(m_frequency);
    }
    if (m_analysisArea) {
        m_analysisArea->SetToneFrequency(m_frequency);
    }
}

void CToneMatchDlg::TuneTo(int scrollPosition) {
    m_frequencyScroll.GetScrollInfo(&m_scrollInfo, SIF_ALL);
    m_scrollPos = scrollPosition;
    ApplyScrollPosition();
}

void CToneMatchDlg::OnFrequencyTyped(double hz) {
    TuneTo(ScrollPositionFor(hz));
}

void CToneMatchDlg::OnOctave(bool up) {
    // Only a jump that lands inside the range moves; half of an odd number of
    // tenths rounds up to the next step.
    if (up && 2 * m_scrollPos <= kHighestDragStop) {
        TuneTo(2 * m_scrollPos);
    } else if (!up && m_scrollPos >= 2 * kLowestStop) {
        TuneTo((m_scrollPos + 1) / 2);
    }
}

void CToneMatchDlg::CreateListeningControls() {
    QWidget* window = GetSafeHwnd();
    m_listening = new ListeningControls(window);
    m_listening->setGeometry(PixelsOf(kListeningArea, window));
    m_listening->show();

    // The template's tab order stays; the new controls follow its last stop.
    QWidget* lastTabStop = nullptr;
    for (const DialogItemTemplate& item : Template().items) {
        if ((item.style & item_style::kTabStop) != 0) {
            lastTabStop = GetDlgItem(item.id);
        }
    }
    ChainTabOrder(lastTabStop, m_listening->TabOrder());
}

void CToneMatchDlg::ApplySettings() {
    m_settings = ListeningSettings::Load();
    m_listening->SetLoop(m_settings.loop);
    m_listening->SetBothEars(m_settings.bothEars);
    m_listening->SetA4(m_settings.a4);
    if (m_analysisArea) {
        m_analysisArea->SetReferenceA4(m_settings.a4);
    }
    m_listening->ShowFrequency(m_frequency);
    m_engine.SetLoop(m_settings.loop);
    m_engine.SetBothEars(m_settings.bothEars);
}

void CToneMatchDlg::ConnectListeningControls() {
    QWidget* window = GetSafeHwnd();
    QObject::connect(m_listening, &ListeningControls::loopChanged, window, [this](bool on) {
        m_engine.SetLoop(on);
        SaveSettings();
    });
    QObject::connect(m_listening, &ListeningControls::bothEarsChanged, window, [this](bool on) {
        m_engine.SetBothEars(on);
        SaveSettings();
    });
    QObject::connect(m_listening, &ListeningControls::a4Changed, window, [this](double hz) {
        if (m_analysisArea) {
            m_analysisArea->SetReferenceA4(hz);
        }
        SaveSettings();
    });
    QObject::connect(m_listening, &ListeningControls::frequencyTyped, window,
                     [this](double hz) { AfxDispatch([&] { OnFrequencyTyped(hz); }); });
}

void CToneMatchDlg::InstallShortcuts() {
    QWidget* window = GetSafeHwnd();
    // The tone stays put while a load has the window's controls disabled.
    AddWindowShortcut(window, QKeySequence(Qt::CTRL | Qt::Key_Up), [this] {
        if (m_load == nullptr) {
            OnOctave(true);
        }
    });
    AddWindowShortcut(window, QKeySequence(Qt::CTRL | Qt::Key_Down), [this] {
        if (m_load == nullptr) {
            OnOctave(false);
        }
    });
    // As a click: the button's own handler, and nothing while it is disabled.
    const auto press = [this](int id) {
        if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id))) {
            button->click();
        }
    };
    AddWindowShortcut(window, QKeySequence(Qt::CTRL | Qt::Key_O),
                      [press] { press(IDC_READ_WAVEFORM); });
    AddWindowShortcut(window, QKeySequence(Qt::CTRL | Qt::Key_P),
                      [press] { press(IDC_START_STOP); });
}

void CToneMatchDlg::InstallFileDrop() {
    new FileDropFilter(GetSafeHwnd(), [this](const std::string& path) {
        if (!m_ring->OpenDropped(path)) {
            AfxDispatch([&] { LoadRecording(path); });
        }
    });
}

void CToneMatchDlg::CreateRecordControl() {
    QWidget* window = GetSafeHwnd();
    std::unique_ptr<CaptureSource> source = std::move(m_captureSource);
    if (!source) {
        source = std::make_unique<SdlCapture>();
    }
    m_record = new RecordControl(std::move(source), window);
    m_record->setGeometry(PixelsOf(kRecordArea, window));
    m_record->show();
    ChainTabOrder(m_listening->TabOrder().back(), m_record->TabOrder());
    QObject::connect(m_record, &RecordControl::silenceTone, window,
                     [this] { SilenceToneForTake(); });
    QObject::connect(m_record, &RecordControl::toneBack, window, [this] { BringToneBack(); });
    m_silentClose.setSingleShot(true);
    m_silentClose.setInterval(
        std::chrono::milliseconds(std::lround(RecordControl::kToneTailSeconds * 1000.0)));
    QObject::connect(&m_silentClose, &QTimer::timeout, window, [this] { CloseSilentOutput(); });
    // With a ring open the take joins it, and its selection loads it. The tone
    // is given its amplitude first, so that the load's open brings it back at
    // the take's rate, with no open at the old rate before.
    QObject::connect(m_record, &RecordControl::takeSaved, window, [this](const QString& path) {
        AfxDispatch([&] {
            EndToneSilence();
            if (!m_ring || !m_ring->View()->AddTake(path)) {
                LoadRecording(QFile::encodeName(path).toStdString());
            }
        });
    });
}

// Nothing need play while a take is recorded with the tone silenced: the tone
// glides out, and once it has left the output's buffers (the time the record
// control keeps out of the take) the output closes, which stops the device's
// threads and the refills' progress updates for the rest of the take.
void CToneMatchDlg::SilenceToneForTake() {
    m_amplitudeBeforeRecording = m_engine.Amplitude();
    m_toneSilenced = true;
    m_engine.GlideToAmplitude(0);
    m_silentClose.start();
}

void CToneMatchDlg::CloseSilentOutput() {
    if (!m_toneSilenced || m_load != nullptr || !m_engine.IsOpen()) {
        return;
    }
    m_quietRefillWait = true;
    m_engine.CloseOutput();
    m_quietRefillWait = false;
}

// The tone's amplitude as it was, or as the volume was set meanwhile; it
// glides in with the next fill.
void CToneMatchDlg::EndToneSilence() {
    if (!m_toneSilenced) {
        return;
    }
    m_silentClose.stop();
    m_toneSilenced = false;
    m_engine.GlideToAmplitude(m_amplitudeBeforeRecording);
}

// After a take that loaded, the load has opened the output at the take's rate;
// otherwise it opens again as it was (rate, recording, frequency), the tone
// gliding in from silence. Not while a load runs (it opens the output itself)
// nor once the window is ending.
void CToneMatchDlg::BringToneBack() {
    EndToneSilence();
    if (!m_engine.IsOpen() && m_load == nullptr && !m_ending) {
        RestartStream();
    }
}

void CToneMatchDlg::SaveSettings() {
    if (m_listening) {
        m_settings.loop = m_listening->Loop();
        m_settings.bothEars = m_listening->BothEars();
        m_settings.a4 = m_listening->A4();
    }
    m_settings.Save();
}

void CToneMatchDlg::OnReadWaveform() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_EXPLORER,
                       "Waveform files (.wav, .mp3)|*.wav;*.mp3|");
    dialog.SetInitialDir(m_settings.lastFolder);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    m_settings.lastFolder = std::filesystem::path(dialog.GetPathName()).parent_path().string();
    // Written once the tone is back (the write waits for the disk, the tone
    // should not), and also when the load leaves by an exception.
    try {
        LoadRecording(dialog.GetPathName());
    } catch (...) {
        SaveSettings();
        throw;
    }
    SaveSettings();
}

void CToneMatchDlg::LoadRecording(const std::string& path) {
    if (m_load != nullptr) {
        return;  // a drop while a load runs: the window takes one at a time
    }
    m_analysis.Cancel();
    m_engine.CloseOutput();
    // The recording is about to change under the engine; until a load succeeds
    // there is nothing to play.
    m_engine.SetRecording({});

    bool cancelled = false;
    const LoadResult result = ReadRecording(path, cancelled);
    if (m_exitAfterLoad != 0) {
        // EXIT or the close box during the load: end now, with no message.
        const int exit = std::exchange(m_exitAfterLoad, 0);
        exit == IDOK ? OnOK() : OnCancel();
        return;
    }
    if (result == LoadResult::kOk) {
        m_fileName = theSoundFile.GetFileName();
        m_engine.SetSampleRate(theSoundFile.m_format.SamplesPerSec());
    }
    m_engine.SetRecording(theSoundFile.Samples());
    if (result != LoadResult::kOk && !cancelled) {
        AfxMessageBox(LoadMessage(result));
    }
    UpdateData(false);
    UpdatePlayButton();
    RestartStream();
    StartAnalysis();
    if (cancelled) {
        // Told once the tone is back: the user asked for it, nothing went wrong.
        AfxMessageBox("Loading cancelled.");
    }
}

LoadResult CToneMatchDlg::ReadRecording(const std::string& path, bool& cancelled) {
    LoadProgressWindow progress(GetSafeHwnd());
    m_load = &progress;
    EnableForLoad(false);
    // Whichever way the load leaves (a read error or a want of memory leaves
    // as an exception, with the stream closed, for the framework to report),
    // the window is given back.
    const auto restore = [this](LoadProgressWindow*) {
        m_load = nullptr;
        EnableForLoad(true);
    };
    const std::unique_ptr<LoadProgressWindow, decltype(restore)> done(&progress, restore);
    LoadOptions options;
    options.progress = [&progress](std::uint64_t part, std::uint64_t total) {
        return progress.Report(part, total);
    };
    const LoadResult result = LoadSoundFile(theSoundFile, path, options);
    cancelled = progress.Cancelled() && result != LoadResult::kOk;
    return result;
}

void CToneMatchDlg::EnableForLoad(bool enable) {
    // EXIT stays: it ends the load and the program.
    for (const DialogItemTemplate& item : Template().items) {
        if (HWND control = GetDlgItem(item.id); control != nullptr && item.id != IDOK) {
            control->setEnabled(enable);
        }
    }
    // The ring too: a bell chosen meanwhile would not be the one loaded.
    QWidget* ring = m_ring ? m_ring->View() : nullptr;
    for (QWidget* area :
         {static_cast<QWidget*>(m_listening.data()), static_cast<QWidget*>(m_analysisArea.data()),
          static_cast<QWidget*>(m_record.data()), ring}) {
        if (area != nullptr) {
            area->setEnabled(enable);
        }
    }
    if (enable) {
        UpdatePlayButton();
    }
}

void CToneMatchDlg::RestartStream() {
    m_engine.RequestRetune();
    if (!m_engine.OpenOutput()) {
        // The stream cannot run at this rate (too low for a whole buffer, or
        // refused by the device): say so, drop the recording rather than keep
        // one that cannot play, and bring the tone back at the default rate.
        m_engine.CloseOutput();
        theSoundFile.m_loaded = false;
        m_engine.SetRecording({});
        UpdatePlayButton();
        m_engine.SetSampleRate(ToneEngine::kDefaultRate);
        m_engine.RequestRetune();
        m_engine.OpenOutput();
        AfxMessageBox("No output device for this format!");
    }
}

void CToneMatchDlg::OnStartStopPlay() {
    m_engine.StartStopPlay();
}

void CToneMatchDlg::SetProgressPos(int position) {
    m_progress.SetPos(position);
}

void CToneMatchDlg::WaitForRefill() {
    if (m_quietRefillWait) {
        // The output closes in the middle of a take, not at the user's word:
        // the refill waits only for its progress update, so that alone runs.
        QCoreApplication::sendPostedEvents(m_progress.GetSafeHwnd(), QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return;
    }
    AfxMessageBox("Click OK...");
}
