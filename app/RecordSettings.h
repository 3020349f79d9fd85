// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What the record control keeps between runs, in the [Record] group of the
// program's settings file (~/.config/veltane/veltane.conf):
//   Folder=PATH          where takes are saved; empty: DefaultFolder()
//   SilenceTone=true     the tone is silenced while recording
//   NoStrikeWait=60      seconds to wait for a strike, 1 to 600
// Window thread.
class RecordSettings {
  public:
    static constexpr double kDefaultNoStrikeWait = 60.0;  // s
    static constexpr double kShortestNoStrikeWait = 1.0;
    static constexpr double kLongestNoStrikeWait = 600.0;

    std::string folder;  // empty: DefaultFolder()
    bool silenceTone = true;
    double noStrikeWait = kDefaultNoStrikeWait;

    // The user's music folder's Veltane subfolder.
    static std::string DefaultFolder();
    // The folder takes go to: the one kept, or the default.
    std::string TakeFolder() const { return folder.empty() ? DefaultFolder() : folder; }

    // Damaged or out-of-range values give their defaults; never an error.
    static RecordSettings Load();
    // Errors are ignored: the settings are a convenience, never worth a message.
    void Save() const;
};
