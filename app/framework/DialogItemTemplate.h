// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What kind of window a dialog item becomes.
enum class ControlKind {
    PushButton,
    DefPushButton,
    Trackbar,
    Static,
    Edit,
    ScrollBar,
    ProgressBar,
    GroupBox,
};

// Item styles that change behaviour or look.
namespace item_style {
inline constexpr std::uint32_t kTabStop = 0x0001;
inline constexpr std::uint32_t kReadOnly = 0x0002;
inline constexpr std::uint32_t kBorder = 0x0004;
inline constexpr std::uint32_t kAutoHScroll = 0x0008;
inline constexpr std::uint32_t kNoTicks = 0x0010;
inline constexpr std::uint32_t kHorizontal = 0x0020;
inline constexpr std::uint32_t kRectThumb = 0x0040;
}  // namespace item_style

// One control of a dialog template. Position and size are in dialog units.
struct DialogItemTemplate {
    int id;
    ControlKind kind;
    const char* text;
    short x;
    short y;
    short cx;
    short cy;
    std::uint32_t style;
};
