// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <ostream>

// veltane --ring FILE...: the table of a ring file (.vring) or of the
// recordings named, as tab-separated values, with no window and no sound
// device. Each recording that cannot be loaded keeps its row and has its
// message on err. The exit status: 0 done, 1 a file that could not be read,
// 2 usage.
class RingCommand {
  public:
    explicit RingCommand(QStringList files) : m_files(std::move(files)) {}

    int Run(std::ostream& out, std::ostream& err) const;

    // A file name the command line takes as a ring rather than a recording.
    static bool IsRingFile(const QString& path);

  private:
    QStringList m_files;
};
