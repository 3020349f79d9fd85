// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Identifiers of the program's resources and of the main dialog's controls.
inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;

inline constexpr int IDC_VOLUME = 1001;
inline constexpr int IDC_FREQUENCY = 1002;
inline constexpr int IDC_FREQUENCY_SCROLL = 1004;
inline constexpr int IDC_READ_WAVEFORM = 1007;
inline constexpr int IDC_FILENAME_LABEL = 1008;
inline constexpr int IDC_FILENAME = 1009;
inline constexpr int IDC_START_STOP = 1010;
inline constexpr int IDC_PROGRESS = 1011;
inline constexpr int IDC_DESCRIPTION = 1014;
inline constexpr int IDC_COPYRIGHT = 1015;
inline constexpr int IDC_COMPANY = 1016;
inline constexpr int IDC_WEBSITE = 1017;
inline constexpr int IDC_VERSION = 1019;
