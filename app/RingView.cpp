// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingView.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTableView>

#include "RingCommand.h"
#include "RingDocument.h"
#include "RingReport.h"
#include "RingTableModel.h"
#include "RingText.h"

namespace {

const QString kRingFilter = QStringLiteral("Veltane rings (*.vring)");
const QString kRecordingFilter = QStringLiteral("Recordings (*.wav *.WAV *.mp3 *.MP3)");

QString WithSuffix(QString path, const QString& suffix) {
    if (!path.isEmpty() && QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0) {
        path += "." + suffix;
    }
    return path;
}

std::optional<QString> WriteFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return QStringLiteral("%1 could not be written: %2.").arg(path, file.errorString());
    }
    return std::nullopt;
}

}  // namespace

RingView::RingView(QWidget* parent, RingPrompts prompts)
    : QWidget(parent),
      m_prompts(std::move(prompts)),
      m_model(new RingTableModel(this)),
      m_table(new QTableView(this)),
      m_name(new QLabel(tr("No ring open."), this)),
      m_problem(new QLabel(this)) {
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_name);
    // Building the ring above, using it below.
    auto* buttons = new QHBoxLayout;
    auto* moreButtons = new QHBoxLayout;
    layout->addLayout(buttons);
    layout->addLayout(moreButtons);
    buttons->addWidget(AddButton(tr("New ring..."), "newRing", &RingView::NewRing));
    buttons->addWidget(AddButton(tr("Open ring..."), "openRing", &RingView::ChooseRing));
    m_needRing = {AddButton(tr("Add recordings..."), "addRecordings", &RingView::AddRecordings),
                  AddButton(tr("Export CSV..."), "exportCsv", &RingView::ExportCsv),
                  AddButton(tr("Export PDF..."), "exportPdf", &RingView::ExportPdf)};
    m_delete = AddButton(tr("Delete"), "deleteBell", &RingView::DeleteBell);
    m_keep = AddButton(tr("Keep"), "keep", &RingView::Keep);
    m_keep->setToolTip(tr("Keep the tone as the selected bell's pitch (Ctrl+K)"));
    buttons->addWidget(m_needRing[0]);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    for (QPushButton* button : {m_keep, m_needRing[1], m_needRing[2]}) {
        moreButtons->addWidget(button);
    }
    moreButtons->addStretch();

    m_table->setModel(m_model);
    m_table->setAccessibleName(tr("Ring of bells"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->hide();
    layout->addWidget(m_problem);

    auto* remove = new QShortcut(QKeySequence::Delete, m_table, this, &RingView::DeleteBell);
    remove->setContext(Qt::WidgetShortcut);
    // Wherever the focus is in the window this view is part of.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this, this, &RingView::Keep);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this, this, [this] { SelectNext(1); });
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this, this, [this] { SelectNext(-1); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                UpdateControls();
                if (current.isValid()) {
                    emit bellSelected(m_model->BellAt(current.row()).recording);
                }
            });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RingView::UpdateControls);
    connect(m_model, &RingTableModel::saved, this, [this] { ShowProblem({}); });
    connect(m_model, &RingTableModel::saveFailed, this, [this](const QString& message) {
        ShowProblem(message + " " +
                    tr("The change is kept here and will be saved with the next one."));
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &RingView::UpdateControls);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &RingView::UpdateControls);
    UpdateControls();
}

RingView::~RingView() = default;

QPushButton* RingView::AddButton(const QString& text, const char* name, void (RingView::*slot)()) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
}

void RingView::SetToneSource(std::function<double()> tone) {
    m_tone = std::move(tone);
    UpdateControls();
}

bool RingView::OpenRing(const QString& path) {
    if (std::optional<QString> why = m_model->Open(path)) {
        ShowProblem(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), *why));
        return false;
    }
    ShowProblem({});
    ShowRingName();
    if (m_model->rowCount() > 0) {
        m_table->selectRow(0);
    }
    emit ringOpened(m_model->Path());
    return true;
}

void RingView::NewRing() {
    const QString path =
        WithSuffix(m_prompts.saveName(this, tr("New ring"), kRingFilter), kRingSuffix);
    if (path.isEmpty()) {
        return;
    }
    const std::optional<QString> error = m_model->Create(path);
    ShowRingName();
    emit ringOpened(m_model->Path());
    if (error) {
        ShowProblem(*error + " " +
                    tr("The ring is kept here and will be saved with the next "
                       "change."));
    }
}

void RingView::ChooseRing() {
    const QString path = m_prompts.openName(this, tr("Open ring"), kRingFilter);
    if (!path.isEmpty()) {
        OpenRing(path);
    }
}

void RingView::AddRecordings() {
    const QStringList paths = m_prompts.openNames(this, tr("Add recordings"), kRecordingFilter);
    AddToRing(paths);
}

void RingView::AddToRing(const QStringList& recordings) {
    m_model->AddRecordings(recordings);
    if (CurrentRow() < 0 && m_model->rowCount() > 0) {
        m_table->selectRow(0);
    }
}

bool RingView::AddTake(const QString& recording) {
    if (!m_model->IsOpen()) {
        return false;
    }
    m_model->AddRecordings({recording});
    m_table->selectRow(m_model->RowOfBell(m_model->GetRing().bells.size() - 1));
    return true;
}

void RingView::DeleteBell() {
    const int row = CurrentRow();
    if (row < 0) {
        return;
    }
    m_model->RemoveBellAt(row);
    if (m_model->rowCount() > 0) {
        m_table->selectRow(std::min(row, m_model->rowCount() - 1));
    }
}

void RingView::Keep() {
    const int row = CurrentRow();
    if (row >= 0 && m_tone) {
        m_model->Keep(row, m_tone());
    }
}

void RingView::SelectNext(int step) {
    const int count = m_model->rowCount();
    if (count == 0) {
        return;
    }
    const int row = CurrentRow();
    m_table->selectRow(row < 0 ? 0 : std::clamp(row + step, 0, count - 1));
    m_table->scrollTo(m_table->currentIndex());
}

void RingView::ExportCsv() {
    const QString path =
        WithSuffix(m_prompts.saveName(this, tr("Export CSV"), QStringLiteral("CSV (*.csv)")),
                   QStringLiteral("csv"));
    if (path.isEmpty()) {
        return;
    }
    std::vector<RingRow> rows;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        rows.push_back(m_model->RowAt(row));
    }
    const std::string csv = RingCsv(m_model->GetRing(), rows);
    ShowProblem(WriteFile(path, QByteArray::fromStdString(csv)).value_or(QString()));
}

void RingView::ExportPdf() {
    const QString path =
        WithSuffix(m_prompts.saveName(this, tr("Export PDF"), QStringLiteral("PDF (*.pdf)")),
                   QStringLiteral("pdf"));
    if (!path.isEmpty()) {
        ShowProblem(
            WriteRingReport(path, *m_model, QDateTime::currentDateTime()).value_or(QString()));
    }
}

void RingView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

// A ring file dropped alone opens; recordings join the open ring.
void RingView::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        }
    }
    if (files.size() == 1 && RingCommand::IsRingFile(files.first())) {
        OpenRing(files.first());
    } else if (!m_model->IsOpen()) {
        ShowProblem(tr("Open a ring or make a new one before adding recordings."));
    } else {
        AddToRing(files);
    }
    event->acceptProposedAction();
}

// The current row is the selected bell: rows are selected whole, one at a time.
// (The selection's ranges may be split while the rows take their new order.)
int RingView::CurrentRow() const {
    const QModelIndex current = m_table->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString RingView::Problem() const {
    return m_problem->text();
}

void RingView::ShowProblem(const QString& text) {
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
}

void RingView::ShowRingName() {
    m_name->setText(m_model->IsOpen() ? QFileInfo(m_model->Path()).completeBaseName()
                                      : tr("No ring open."));
    m_name->setToolTip(m_model->Path());
}

void RingView::UpdateControls() {
    for (QPushButton* button : m_needRing) {
        button->setEnabled(m_model->IsOpen());
    }
    const bool selected = CurrentRow() >= 0;
    m_delete->setEnabled(selected);
    m_keep->setEnabled(selected && m_tone != nullptr);
}
