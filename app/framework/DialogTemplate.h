#pragma once

#include <cstdint>
#include <span>

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

// Dialog window styles.
namespace dialog_style {
inline constexpr std::uint32_t kPopup = 0x0001;
inline constexpr std::uint32_t kCaption = 0x0002;
inline constexpr std::uint32_t kSysMenu = 0x0004;
inline constexpr std::uint32_t kModalFrame = 0x0008;
inline constexpr std::uint32_t kVisible = 0x0010;
inline constexpr std::uint32_t kAppWindow = 0x0020;
}  // namespace dialog_style

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
