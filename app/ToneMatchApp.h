// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "CWinApp.h"

struct VersionBlock;

// The application: reads its version strings and runs the main dialog.
class CToneMatchApp : public CWinApp {
  public:
    CToneMatchApp();

    // Runs the main dialog to its end; false, so the program ends with it.
    bool InitInstance() override;

    // Looks up company, description, version and copyright, in that order. No
    // block (no version information) leaves all four empty; a key that is not
    // found leaves its string empty.
    void ReadVersionStrings(const VersionBlock* block);

    std::string m_description;
    std::string m_company;
    std::string m_version;
    std::string m_copyright;
    // A recording named on the command line, loaded when the dialog runs.
    std::string m_startFile;
};

extern CToneMatchApp theApp;
