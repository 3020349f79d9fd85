// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What the listening aids and the file dialog keep between runs, in the
// desktop's usual settings place. Window thread.
class ListeningSettings {
  public:
    double a4 = 440.0;  // Hz
    bool loop = false;
    bool bothEars = false;
    std::string lastFolder;  // empty: the file dialog's own default

    // A missing, unreadable or damaged settings file, or a value out of its
    // range, gives the defaults for what cannot be trusted; never an error.
    static ListeningSettings Load();
    // Errors are ignored: the settings are a convenience, never worth a message.
    void Save() const;
};
