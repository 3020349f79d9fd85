// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CodecModuleApi.h"

// The codec module, loaded once, on first need, and kept for the run. Found
// by the program's library search path: the build tree's module directory, or
// the package's private library directory beside the installed executable.
class CodecModule {
  public:
    static constexpr char kFileName[] = "libveltane-codec.so";

    // The module's table, or nullptr when it cannot be loaded (a broken
    // install): then the reason has gone to standard error, once, and every
    // conversion is refused. Thread-safe.
    static const CodecModuleApi* Api();
};
