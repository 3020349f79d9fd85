#pragma once

#include <QIcon>
#include <cstdint>
#include <string>

#include "CDialog.h"
#include "CProgressCtrl.h"
#include "CScrollBar.h"
#include "EngineHost.h"
#include "ScrollInfo.h"
#include "ToneEngine.h"

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

    // Last, so it is destroyed first: a stream still running is stopped while
    // the controls it reports to exist.
    ToneEngine m_engine;
};
