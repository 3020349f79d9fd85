// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

// A file's failure as GNU tools tell one, on err: the program, the file's name
// (its bytes), why.
void PrintFileError(std::ostream& err, std::string_view file, std::string_view message);

// The program's command line, read before any window or sound device exists:
// --partials FILE and --strike FILE print the recording's analysis as
// tab-separated values; --help and --version print and end; a FILE alone is
// loaded by the window at start.
class CommandLine {
  public:
    explicit CommandLine(QStringList arguments);

    // Runs what the command line asks for without a window. The exit status
    // when the program should end here (0 done, 1 a file that cannot be
    // loaded, 2 usage); nothing when the window should run.
    std::optional<int> Run(std::ostream& out, std::ostream& err);

    // The recording to load at start; empty for none.
    const std::string& StartFile() const { return m_startFile; }

  private:
    int PrintAnalysis(const std::string& path, bool strike, std::ostream& out,
                      std::ostream& err) const;

    QStringList m_arguments;
    std::string m_startFile;
};
