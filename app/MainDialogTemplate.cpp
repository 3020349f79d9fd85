// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainDialogTemplate.h"

#include <array>

#include "AfxDefs.h"
#include "Resource.h"

namespace {

using namespace item_style;
using enum ControlKind;

constexpr std::uint32_t kReadOnlyEdit = kReadOnly | kAutoHScroll | kTabStop;

// Positions in dialog units: x, y, width, height.
constexpr std::array<DialogItemTemplate, 21> kItems{{
    {IDOK, DefPushButton, "EXIT", 245, 12, 60, 14, kTabStop},
    {IDC_VOLUME, Trackbar, "Slider1", 55, 138, 155, 12,
     kTabStop | kHorizontal | kNoTicks | kRectThumb},
    {IDC_STATIC, Static, "Frequency", 15, 120, 40, 12, 0},
    {IDC_FREQUENCY, Edit, "", 230, 138, 45, 13, kReadOnlyEdit | kBorder},
    {IDC_FREQUENCY_SCROLL, ScrollBar, "", 60, 120, 245, 10, kHorizontal},
    {IDC_READ_WAVEFORM, PushButton, "Read Waveform", 15, 66, 60, 12, kTabStop},
    {IDC_FILENAME_LABEL, Static, "Filename:", 85, 66, 30, 12, 0},
    {IDC_FILENAME, Edit, "", 120, 66, 105, 12, kReadOnlyEdit},
    {IDC_START_STOP, PushButton, "Start / Stop Play", 15, 84, 60, 12, kTabStop},
    {IDC_PROGRESS, ProgressBar, "Progress1", 85, 84, 140, 12, kBorder},
    {IDC_STATIC, GroupBox, "Application Control", 5, 0, 310, 48, 0},
    {IDC_DESCRIPTION, Edit, "", 15, 12, 90, 12, kReadOnlyEdit},
    {IDC_COPYRIGHT, Edit, "", 135, 12, 100, 12, kReadOnlyEdit},
    {IDC_COMPANY, Edit, "", 15, 30, 115, 12, kReadOnlyEdit},
    {IDC_VERSION, Edit, "", 170, 30, 20, 12, kReadOnlyEdit},
    {IDC_WEBSITE, Static, "veltane.example", 245, 30, 64, 12, 0},
    {IDC_STATIC, Static, "Version:", 135, 30, 30, 12, 0},
    {IDC_STATIC, GroupBox, "Sound File", 5, 54, 310, 48, 0},
    {IDC_STATIC, GroupBox, "Generated Tone", 5, 108, 310, 48, 0},
    {IDC_STATIC, Static, "Volume", 15, 138, 30, 12, 0},
    {IDC_STATIC, Static, "Hertz", 285, 138, 20, 12, 0},
}};

}  // namespace

const DialogTemplate kMainDialogTemplate{
    IDD_MAIN_DIALOG,
    "Veltane",
    320,
    354,  // 161 for the tone and file controls, then the listening and analysis areas
    "MS Sans Serif",
    8,
    dialog_style::kPopup | dialog_style::kCaption | dialog_style::kSysMenu |
        dialog_style::kModalFrame | dialog_style::kVisible | dialog_style::kAppWindow,
    kItems,
};
