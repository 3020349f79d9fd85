// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// The framework's two blocking conversations with the user. The program uses
// the Qt one; dialog tests install their own to answer without a person.
class Prompter {
  public:
    virtual ~Prompter() = default;

    // A modal message box: text, the application's name as title, an OK button,
    // no icon. Returns when it is dismissed; the window thread keeps processing
    // events meanwhile.
    virtual void MessageBox(const std::string& text, const std::string& title) = 0;

    // A modal file-open dialog for one file. qtFilter is in Qt's form
    // ("Name (*.a *.b);;Other (*)"). The typed name need not exist. Returns the
    // chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> OpenFileName(const std::string& qtFilter) = 0;

    // The same, opening in initialDir (empty: wherever the dialog would open).
    virtual std::optional<std::string> OpenFileNameIn(const std::string& qtFilter,
                                                      const std::string& /*initialDir*/) {
        return OpenFileName(qtFilter);
    }
};
