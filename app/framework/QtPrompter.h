// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Prompter.h"

// Qt's own widgets, the same on every platform (no native file dialog).
class QtPrompter : public Prompter {
  public:
    void MessageBox(const std::string& text, const std::string& title) override;
    std::optional<std::string> OpenFileName(const std::string& qtFilter) override;
    std::optional<std::string> OpenFileNameIn(const std::string& qtFilter,
                                              const std::string& initialDir) override;
};
