// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingText.h"

#include <QFileInfo>
#include <charconv>
#include <cmath>

#include "NoteName.h"

namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + '"';
}

template <typename Cells>
std::string Line(const Cells& cells, char separator, std::string_view end, bool csv) {
    std::string line;
    for (const auto& cell : cells) {
        if (&cell != &*std::begin(cells)) {
            line += separator;
        }
        const std::string text(cell);
        line += csv ? CsvField(text) : text;
    }
    return line += end;
}

}  // namespace

std::string FormatNumber(const std::optional<double>& value, int decimals) {
    if (!value) {
        return {};
    }
    // Not printf: the window's locale may write a decimal comma.
    char text[64];
    const double smallest = 0.5 * std::pow(10.0, -decimals);
    const double shown = std::abs(*value) < smallest ? 0.0 : *value;
    const auto end =
        std::to_chars(text, text + sizeof text, shown, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::vector<std::string> RingCells(const Ring& ring, const RingRow& row) {
    const BellNumbers& n = row.numbers;
    std::vector<std::string> cells{
        row.number ? std::to_string(*row.number) : std::string(),
        QFileInfo(ring.bells[row.bell].recording).fileName().toStdString()};
    cells.push_back(FormatNumber(n.nominalHz, 2));
    const NoteName note = n.nominalHz ? NoteOf(*n.nominalHz, ring.a4Hz) : NoteName{};
    cells.push_back(note.name);
    cells.push_back(n.nominalHz ? FormatNumber(note.cents, 1) : std::string());
    cells.push_back(FormatNumber(n.strikeHz, 2));
    cells.push_back(FormatNumber(n.byEarHz, 2));
    for (const std::optional<double>& cents : n.fromNominalCents) {
        cells.push_back(FormatNumber(cents, 1));
    }
    cells.push_back(FormatNumber(n.fromTenorCents, 1));
    cells.push_back(FormatNumber(n.scaleDeviationCents, 1));
    return cells;
}

std::string RingTsv(const Ring& ring, std::span<const RingRow> rows) {
    std::string text = Line(kRingColumns, '\t', "\n", false);
    for (const RingRow& row : rows) {
        text += Line(RingCells(ring, row), '\t', "\n", false);
    }
    return text;
}

std::string RingCsv(const Ring& ring, std::span<const RingRow> rows) {
    std::vector<std::string> header(kRingColumns.begin(), kRingColumns.end());
    header.insert(header.end(), kRingCsvExtraColumns.begin(), kRingCsvExtraColumns.end());
    std::string text = Line(header, ',', "\r\n", true);
    for (const RingRow& row : rows) {
        std::vector<std::string> cells = RingCells(ring, row);
        cells.push_back(FormatNumber(row.numbers.byEarFromStrikeCents, 1));
        cells.push_back(ring.bells[row.bell].comment.toStdString());
        text += Line(cells, ',', "\r\n", true);
    }
    return text;
}
