// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BellAnalysis.h"
#include "Ring.h"
#include "RingInbox.h"
#include "RingTable.h"

class RingAnalyser;

// The open ring as a table: one row a bell in bell order, re-sorted as the
// analyses of its recordings come in from their threads. Every change is
// written to the ring file at once; when the write fails the change stays in
// memory, saveFailed says why, and the next write that succeeds carries it.
// Window thread only.
class RingTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column {
        kBell,
        kRecording,
        kNominalColumn,
        kByEar,  // beside the nominal, so that a narrow view shows what was kept
        kStrike,
        kEarFromStrike,
        kFirstPartial,  // then one column per entry of kUsualIntervals
        kFromTenor = kFirstPartial + static_cast<int>(kUsualIntervals.size()),
        kScaleDeviation,
        kComment,
        kColumnCount
    };

    explicit RingTableModel(QObject* parent = nullptr);
    ~RingTableModel() override;

    // Opens the ring file at path and starts analysing its recordings. The
    // reason when it is no ring; the ring open before stays open then.
    std::optional<QString> Open(const QString& path);
    // Starts an empty ring saved at path. The write failure, if any; the ring
    // is open either way.
    std::optional<QString> Create(const QString& path);
    bool IsOpen() const { return !m_path.isEmpty(); }
    const QString& Path() const { return m_path; }

    void AddRecordings(const QStringList& paths);
    void RemoveBellAt(int row);
    void Keep(int row, double hz);

    // The bell at a row of the table.
    const RingBell& BellAt(int row) const;
    // The analysis of the bell at row, once in and when it has one.
    const std::optional<RecordingAnalysis>& AnalysisAt(int row) const;
    // The load message of the bell at row; empty when it loaded or is not in yet.
    const std::string& ErrorAt(int row) const;
    const RingRow& RowAt(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }
    // The table row of ring.bells[bell].
    int RowOfBell(std::size_t bell) const;
    const Ring& GetRing() const { return m_ring; }
    const std::vector<std::optional<RecordingAnalysis>>& Analyses() const { return m_analyses; }
    // Whether every recording's analysis is in.
    bool Complete() const { return m_pending == 0; }
    // The last write's failure; nothing once a write succeeds.
    const std::optional<QString>& SaveError() const { return m_saveError; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  signals:
    void saved();
    void saveFailed(const QString& message);
    // Every analysis of the ring is in.
    void complete();

  private:
    void Reset(Ring ring, const QString& path);
    void Save();
    void Analyse(std::size_t firstBell);
    void Take(std::vector<RingInbox::Result> results);
    void Renumber();
    QVariant Display(const RingRow& row, int column) const;
    std::optional<double> OffUsual(const RingRow& row, int column) const;
    QVariant Background(const RingRow& row, int column) const;
    QVariant ToolTip(const RingRow& row, int column) const;
    QString Pitch(const std::optional<double>& hz) const;

    Ring m_ring;
    QString m_path;
    // Parallel to m_ring.bells: an id no other bell of this model ever had,
    // the analysis and the load message once in.
    std::vector<quint64> m_ids;
    std::vector<std::optional<RecordingAnalysis>> m_analyses;
    std::vector<std::string> m_errors;
    std::vector<RingRow> m_rows;
    quint64 m_nextId = 1;
    int m_pending = 0;
    std::optional<QString> m_saveError;
    RingInbox m_inbox{[this](std::vector<RingInbox::Result> results) { Take(std::move(results)); }};
    std::vector<std::unique_ptr<RingAnalyser>> m_analysers;
};
