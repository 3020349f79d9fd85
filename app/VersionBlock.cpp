// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionBlock.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Splits off the next "\"-separated part of a key path.
std::string_view NextPart(std::string_view& path) {
    while (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    const std::size_t end = path.find('\\');
    const std::string_view part = path.substr(0, end);
    path.remove_prefix(end == std::string_view::npos ? path.size() : end);
    return part;
}

}  // namespace

std::optional<std::string_view> VerQueryValue(const VersionBlock& block,
                                              std::string_view subBlock) {
    std::string_view path = subBlock;
    if (!EqualsNoCase(NextPart(path), "StringFileInfo")) {
        return std::nullopt;
    }
    char table[9];
    std::snprintf(table, sizeof table, "%04X%04X", block.language, block.codePage);
    if (!EqualsNoCase(NextPart(path), table)) {
        return std::nullopt;
    }
    const std::string_view key = NextPart(path);
    if (key.empty() || !NextPart(path).empty()) {
        return std::nullopt;
    }
    for (const VersionString& entry : block.strings) {
        if (EqualsNoCase(entry.key, key)) {
            return entry.value;
        }
    }
    return std::nullopt;
}
