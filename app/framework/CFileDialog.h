// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>

#include "AfxDefs.h"

inline constexpr UINT OFN_EXPLORER = 0x00080000;

// The file-open dialog: one file, the typed name need not exist. The filter is
// in the form "Description|*.a;*.b|...|".
class CFileDialog {
  public:
    CFileDialog(bool openFileDialog, const char* defaultExtension = nullptr,
                const char* fileName = nullptr, UINT flags = OFN_EXPLORER,
                const char* filter = nullptr);

    // IDOK when the user confirmed a name, IDCANCEL otherwise.
    int DoModal();
    std::string GetPathName() const { return m_path; }
    // The folder the dialog opens in; empty (the default) leaves it to the dialog.
    void SetInitialDir(std::string folder) { m_initialDir = std::move(folder); }

    // "Waveform files (.wav, .mp3)|*.wav;*.mp3|" becomes
    // "Waveform files (.wav, .mp3) (*.wav *.mp3)".
    static std::string ToQtFilter(const std::string& filter);

  private:
    std::string m_filter;
    std::string m_path;
    std::string m_initialDir;
};
