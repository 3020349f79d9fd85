// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>
#include <cmath>

#include "FileNameBytes.h"
#include "NoteName.h"
#include "RingAnalyser.h"
#include "RingDocument.h"
#include "RingText.h"

namespace {

const std::optional<RecordingAnalysis> kNoAnalysis;
const std::string kNoError;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString SignedCents(const std::optional<double>& cents) {
    return cents ? Text(FormatCents(*cents)) : QString();
}

const char* const kHeaders[RingTableModel::kColumnCount] = {
    "Bell",       "Recording",       "Nominal", "By ear", "Strike",     "Ear \u2212 strike",
    "Hum",        "Prime",           "Tierce",  "Quint",  "Superquint", "Octave nominal",
    "From tenor", "Scale deviation", "Comment"};

}  // namespace

RingTableModel::RingTableModel(QObject* parent) : QAbstractTableModel(parent) {}

// The analysers end before the rest of the model: no result can come after.
RingTableModel::~RingTableModel() {
    m_analysers.clear();
}

std::optional<QString> RingTableModel::Open(const QString& path) {
    RingParse parse = ReadRing(path);
    if (const QString* why = std::get_if<QString>(&parse)) {
        return *why;
    }
    Reset(std::move(std::get<Ring>(parse)), QFileInfo(path).absoluteFilePath());
    m_saveError.reset();
    Analyse(0);
    return std::nullopt;
}

std::optional<QString> RingTableModel::Create(const QString& path) {
    Reset(Ring{}, QFileInfo(path).absoluteFilePath());
    Save();
    return m_saveError;
}

void RingTableModel::Reset(Ring ring, const QString& path) {
    beginResetModel();
    m_analysers.clear();
    m_inbox.Clear();
    m_ring = std::move(ring);
    m_path = path;
    m_ids.clear();
    for (std::size_t i = 0; i < m_ring.bells.size(); ++i) {
        m_ids.push_back(m_nextId++);
    }
    m_analyses.assign(m_ring.bells.size(), std::nullopt);
    m_errors.assign(m_ring.bells.size(), std::string());
    m_pending = 0;
    m_rows = RingTable(m_ring, m_analyses);
    endResetModel();
}

void RingTableModel::AddRecordings(const QStringList& paths) {
    if (!IsOpen() || paths.isEmpty()) {
        return;
    }
    // New bells have no numbers yet, so their rows come after every other.
    const std::size_t first = m_ring.bells.size();
    beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(paths.size()) - 1);
    for (const QString& path : paths) {
        m_ring.bells.push_back({QFileInfo(path).absoluteFilePath(), std::nullopt, {}});
        m_ids.push_back(m_nextId++);
        m_analyses.emplace_back();
        m_errors.emplace_back();
    }
    m_rows = RingTable(m_ring, m_analyses);
    endInsertRows();
    Save();
    Analyse(first);
}

void RingTableModel::RemoveBellAt(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    const std::size_t bell = m_rows[static_cast<std::size_t>(row)].bell;
    const auto at = [bell](auto& list) { list.erase(list.begin() + static_cast<long>(bell)); };
    // A result still to come for it will find no bell.
    const bool pending = !m_analyses[bell] && m_errors[bell].empty();
    m_pending -= pending ? 1 : 0;
    // The other rows keep their order; their numbers may change.
    beginRemoveRows({}, row, row);
    at(m_ring.bells);
    at(m_ids);
    at(m_analyses);
    at(m_errors);
    m_rows = RingTable(m_ring, m_analyses);
    endRemoveRows();
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
    Save();
    if (pending && m_pending == 0) {
        emit complete();
    }
}

void RingTableModel::Keep(int row, double hz) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_ring.bells[m_rows[static_cast<std::size_t>(row)].bell].byEarHz = hz;
    m_rows = RingTable(m_ring, m_analyses);
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
    Save();
}

void RingTableModel::Save() {
    m_saveError = WriteRing(m_ring, m_path);
    if (m_saveError) {
        emit saveFailed(*m_saveError);
    } else {
        emit saved();
    }
}

void RingTableModel::Analyse(std::size_t firstBell) {
    std::vector<std::string> paths;
    std::vector<quint64> ids;
    for (std::size_t i = firstBell; i < m_ring.bells.size(); ++i) {
        paths.push_back(EncodeFileName(m_ring.bells[i].recording));
        ids.push_back(m_ids[i]);
    }
    if (paths.empty()) {
        emit complete();
        return;
    }
    m_pending += static_cast<int>(paths.size());
    m_inbox.Expect(paths.size());
    m_analysers.push_back(std::make_unique<RingAnalyser>(
        std::move(paths), [this, ids](std::size_t bell, BellAnalysis analysis) {
            m_inbox.Put(ids[bell], std::move(analysis));
        }));
}

void RingTableModel::Take(std::vector<RingInbox::Result> results) {
    bool taken = false;
    for (RingInbox::Result& result : results) {
        const auto found = std::find(m_ids.begin(), m_ids.end(), result.id);
        if (found == m_ids.end()) {
            continue;  // a bell removed, or of a ring closed since
        }
        const auto bell = static_cast<std::size_t>(found - m_ids.begin());
        m_analyses[bell] = std::move(result.analysis.analysis);
        m_errors[bell] = std::move(result.analysis.error);
        --m_pending;
        taken = true;
    }
    if (!taken) {
        return;
    }
    Renumber();
    if (m_pending == 0) {
        m_analysers.clear();
        emit complete();
    }
}

// The rows take their new order with the selection and current row kept on
// the same bells.
void RingTableModel::Renumber() {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> bells;
    for (const QModelIndex& index : before) {
        bells.push_back(m_rows[static_cast<std::size_t>(index.row())].bell);
    }
    m_rows = RingTable(m_ring, m_analyses);
    for (qsizetype i = 0; i < before.size(); ++i) {
        changePersistentIndex(
            before[i], index(RowOfBell(bells[static_cast<std::size_t>(i)]), before[i].column()));
    }
    emit layoutChanged();
}

int RingTableModel::RowOfBell(std::size_t bell) const {
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].bell == bell) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

const RingBell& RingTableModel::BellAt(int row) const {
    return m_ring.bells[RowAt(row).bell];
}

const std::optional<RecordingAnalysis>& RingTableModel::AnalysisAt(int row) const {
    return row >= 0 && row < rowCount() ? m_analyses[RowAt(row).bell] : kNoAnalysis;
}

const std::string& RingTableModel::ErrorAt(int row) const {
    return row >= 0 && row < rowCount() ? m_errors[RowAt(row).bell] : kNoError;
}

int RingTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RingTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString RingTableModel::Pitch(const std::optional<double>& hz) const {
    if (!hz) {
        return {};
    }
    const NoteName note = NoteOf(*hz, m_ring.a4Hz);
    return QStringLiteral("%1  %2 %3")
        .arg(Text(FormatNumber(hz, 2)), Text(note.name), Text(FormatCents(note.cents)));
}

QVariant RingTableModel::Display(const RingRow& row, int column) const {
    const BellNumbers& n = row.numbers;
    if (column >= kFirstPartial && column < kFromTenor) {
        return Text(
            FormatNumber(n.fromNominalCents[static_cast<std::size_t>(column - kFirstPartial)], 1));
    }
    switch (column) {
        case kBell:
            return row.number ? QString::number(*row.number) : QString();
        case kRecording: {
            const QString name = QFileInfo(m_ring.bells[row.bell].recording).fileName();
            const std::string& error = m_errors[row.bell];
            return error.empty() ? name : QStringLiteral("%1 (%2)").arg(name, Text(error));
        }
        case kNominalColumn:
            return Pitch(n.nominalHz);
        case kStrike:
            return Pitch(n.strikeHz);
        case kByEar:
            return Pitch(n.byEarHz);
        case kEarFromStrike:
            return SignedCents(n.byEarFromStrikeCents);
        case kFromTenor:
            return Text(FormatNumber(n.fromTenorCents, 1));
        case kScaleDeviation:
            return SignedCents(n.scaleDeviationCents);
        case kComment:
            return m_ring.bells[row.bell].comment;
        default:
            return {};
    }
}

// How far a partial column's interval lies from its usual value, in cents;
// nothing for another column or a partial not found.
std::optional<double> RingTableModel::OffUsual(const RingRow& row, int column) const {
    if (column < kFirstPartial || column >= kFromTenor) {
        return std::nullopt;
    }
    const auto partial = static_cast<std::size_t>(column - kFirstPartial);
    const std::optional<double>& cents = row.numbers.fromNominalCents[partial];
    if (!cents) {
        return std::nullopt;
    }
    return UnusualBy(kUsualIntervals[partial], *cents);
}

// An interval off its usual value is tinted: warm above, cool below.
QVariant RingTableModel::Background(const RingRow& row, int column) const {
    const std::optional<double> off = OffUsual(row, column);
    if (!off || std::abs(*off) <= kUnusualCents) {
        return {};
    }
    return QBrush(*off > 0 ? QColor(255, 205, 170) : QColor(175, 210, 255));
}

QVariant RingTableModel::ToolTip(const RingRow& row, int column) const {
    if (column == kRecording) {
        const std::string& error = m_errors[row.bell];
        return m_ring.bells[row.bell].recording + (error.empty() ? QString() : "\n" + Text(error));
    }
    const std::optional<double> off = OffUsual(row, column);
    if (!off) {
        return {};
    }
    const auto partial = static_cast<std::size_t>(column - kFirstPartial);
    return QStringLiteral("%1 cents from the usual %2")
        .arg(Text(FormatCents(*off)),
             Text(FormatNumber(kUsualIntervals[partial].cents, 0)) +
                 (kUsualIntervals[partial].justCents
                      ? " / " + Text(FormatNumber(*kUsualIntervals[partial].justCents, 0))
                      : QString()));
}

QVariant RingTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const RingRow& row = RowAt(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return Display(row, index.column());
        case Qt::BackgroundRole:
            return Background(row, index.column());
        case Qt::ToolTipRole:
            return ToolTip(row, index.column());
        case Qt::TextAlignmentRole:
            return index.column() == kRecording || index.column() == kComment
                       ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant RingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf8(kHeaders[section]);
}

Qt::ItemFlags RingTableModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == kComment ? flags | Qt::ItemIsEditable : flags;
}

bool RingTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != kComment || role != Qt::EditRole) {
        return false;
    }
    QString& comment = m_ring.bells[RowAt(index.row()).bell].comment;
    if (comment == value.toString()) {
        return true;
    }
    comment = value.toString();
    emit dataChanged(index, index);
    Save();
    return true;
}
