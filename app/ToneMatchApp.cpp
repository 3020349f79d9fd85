// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneMatchApp.h"

#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string_view>

#include "ToneMatchDlg.h"
#include "VersionBlock.h"
#include "waveout/SdlWaveOut.h"

CToneMatchApp theApp;

CToneMatchApp::CToneMatchApp() = default;

bool CToneMatchApp::InitInstance() {
    Enable3dControls();
    ReadVersionStrings(&ExecutableVersionBlock());

    SdlWaveOut device;
    CToneMatchDlg dialog(device);
    dialog.LoadAtStart(m_startFile);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // A device that ran short played silence, a gap the user heard; nothing in the
    // window can say so afterwards, and it tells a stalled program from a stalled
    // sound server.
    if (const std::uint64_t underruns = device.UnderrunCount(); underruns > 0) {
        std::fprintf(stderr, "veltane: the sound device ran short of data %" PRIu64 " times\n",
                     underruns);
    }
    return false;
}

void CToneMatchApp::ReadVersionStrings(const VersionBlock* block) {
    m_company.clear();
    m_description.clear();
    m_version.clear();
    m_copyright.clear();
    if (block == nullptr) {
        return;
    }
    const auto lookUp = [block](std::string_view key, std::string& into) {
        if (const std::optional<std::string_view> value = VerQueryValue(*block, key)) {
            into.assign(*value);
        }
    };
    lookUp("\\StringFileInfo\\040904B0\\CompanyName", m_company);
    lookUp("\\StringFileInfo\\040904B0\\FileDescription", m_description);
    lookUp("\\StringFileInfo\\040904B0\\ProductVersion", m_version);
    lookUp("\\StringFileInfo\\040904B0\\LegalCopyright", m_copyright);
}
