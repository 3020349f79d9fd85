// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"

#include <QWidget>

#include "CDialog.h"
#include "Resource.h"

namespace {

struct AccessibleName {
    int id;
    const char* name;
};
constexpr AccessibleName kAccessibleNames[] = {
    {IDOK, "EXIT"},
    {IDC_VOLUME, "Volume"},
    {IDC_FREQUENCY, "Frequency, hertz"},
    {IDC_FREQUENCY_SCROLL, "Frequency"},
    {IDC_READ_WAVEFORM, "Read Waveform"},
    {IDC_FILENAME_LABEL, "Filename:"},
    {IDC_FILENAME, "Filename"},
    {IDC_START_STOP, "Start / Stop Play"},
    {IDC_PROGRESS, "Playback position"},
    {IDC_DESCRIPTION, "Description"},
    {IDC_COPYRIGHT, "Copyright"},
    {IDC_COMPANY, "Company"},
    {IDC_VERSION, "Version"},
    {IDC_WEBSITE, "Website"},
};

}  // namespace

void NameMainDialogControls(CDialog& dialog) {
    for (const AccessibleName& entry : kAccessibleNames) {
        if (HWND control = dialog.GetDlgItem(entry.id)) {
            control->setAccessibleName(QString::fromLatin1(entry.name));
        }
    }
}
