// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFileDialog.h"

#include <vector>

#include "AfxMessageBox.h"
#include "Prompter.h"

CFileDialog::CFileDialog(bool /*openFileDialog*/, const char* /*defaultExtension*/,
                         const char* fileName, UINT /*flags*/, const char* filter)
    : m_filter(filter != nullptr ? filter : ""), m_path(fileName != nullptr ? fileName : "") {}

int CFileDialog::DoModal() {
    std::optional<std::string> chosen =
        AfxGetPrompter().OpenFileNameIn(ToQtFilter(m_filter), m_initialDir);
    if (!chosen) {
        return IDCANCEL;
    }
    m_path = std::move(*chosen);
    return IDOK;
}

std::string CFileDialog::ToQtFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start < filter.size()) {
        const std::string::size_type bar = filter.find('|', start);
        const std::string::size_type end = bar == std::string::npos ? filter.size() : bar;
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    std::string result;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) {
            break;  // "||" ends the list
        }
        std::string patterns = parts[i + 1];
        for (char& c : patterns) {
            if (c == ';') {
                c = ' ';
            }
        }
        if (!result.empty()) {
            result += ";;";
        }
        result += parts[i] + " (" + patterns + ")";
    }
    return result;
}
