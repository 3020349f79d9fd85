// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>

#include "VersionBlock.h"

namespace {

// VELTANE_VERSION is the project version, defined by the build.

// StringFileInfo "040904b0" (U.S. English, Unicode code page).
constexpr std::array<VersionString, 12> kStrings{{
    {"Comments", ""},
    {"CompanyName", "Veltane Bellworks, Loughborough"},
    {"FileDescription", "Veltane Program"},
    {"FileVersion", VELTANE_VERSION},
    {"InternalName", "Veltane"},
    {"LegalCopyright", "(C) 2026 Veltane Bellworks"},
    {"LegalTrademarks", ""},
    {"OriginalFilename", "Veltane.EXE"},
    {"PrivateBuild", ""},
    {"ProductName", "Veltane Application"},
    {"ProductVersion", VELTANE_VERSION},
    {"SpecialBuild", ""},
}};

constexpr VersionBlock kVersionBlock{
    {1, 0, 0, 1}, {1, 0, 0, 1}, 0x0409, 0x04B0, kStrings,
};

}  // namespace

const VersionBlock& ExecutableVersionBlock() {
    return kVersionBlock;
}
