// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "VersionString.h"

// An executable's version information: the fixed versions and one string block
// for one language and code page.
struct VersionBlock {
    std::array<std::uint16_t, 4> fileVersion;
    std::array<std::uint16_t, 4> productVersion;
    std::uint16_t language;  // 0x0409
    std::uint16_t codePage;  // 0x04B0
    std::span<const VersionString> strings;
};

// Looks up a value by its key path, "\StringFileInfo\040904B0\CompanyName".
// Names and hex digits compare without regard to case, as the platform's
// lookup does. Nothing for a path that names no string.
std::optional<std::string_view> VerQueryValue(const VersionBlock& block, std::string_view subBlock);

// The version information compiled into this program.
const VersionBlock& ExecutableVersionBlock();
