// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "DialogItemTemplate.h"

// Dialog window styles.
namespace dialog_style {
inline constexpr std::uint32_t kPopup = 0x0001;
inline constexpr std::uint32_t kCaption = 0x0002;
inline constexpr std::uint32_t kSysMenu = 0x0004;
inline constexpr std::uint32_t kModalFrame = 0x0008;
inline constexpr std::uint32_t kVisible = 0x0010;
inline constexpr std::uint32_t kAppWindow = 0x0020;
}  // namespace dialog_style

// A dialog template: the controls are listed in tab order.
struct DialogTemplate {
    int id;
    const char* caption;
    short cx;  // dialog units
    short cy;
    const char* fontName;
    int pointSize;
    std::uint32_t style;
    std::span<const DialogItemTemplate> items;
};
