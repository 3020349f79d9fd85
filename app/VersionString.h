// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// One name/value pair of a string block.
struct VersionString {
    std::string_view key;
    std::string_view value;
};
