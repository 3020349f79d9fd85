// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>

#include "RingPrompts.h"

class QLabel;
class QPushButton;
class QTableView;
class RingTableModel;

// The ring beside the spectrum: its table, the buttons that build and export
// it, Keep, and a line that says plainly what could not be saved or opened.
// Selecting a bell emits bellSelected with its recording for the owner to load;
// Keep stores the owner's tone (SetToneSource) as the selected bell's pitch.
// Window thread only.
class RingView : public QWidget {
    Q_OBJECT

  public:
    explicit RingView(QWidget* parent = nullptr, RingPrompts prompts = RingPrompts::FileDialogs());
    ~RingView() override;

    // The frequency Keep stores; Keep is disabled until it is set.
    void SetToneSource(std::function<double()> tone);

    // Opens the ring file; false, with its reason shown, when it is no ring.
    bool OpenRing(const QString& path);
    // Keeps the tone as the selected bell's pitch; nothing without a selection.
    void Keep();
    // Selects the bell step rows below (above, when negative) the current one.
    void SelectNext(int step);
    // A take just recorded joins the open ring as a new bell and is selected,
    // so that it loads and Keep goes to it; false, and nothing done, with no
    // ring open.
    bool AddTake(const QString& recording);

    RingTableModel* Model() const { return m_model; }
    QTableView* Table() const { return m_table; }
    // The line that shows what went wrong last; empty when all is well.
    QString Problem() const;

  signals:
    void bellSelected(const QString& recording);
    void ringOpened(const QString& path);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QPushButton* AddButton(const QString& text, const char* name, void (RingView::*slot)());
    void NewRing();
    void ChooseRing();
    void AddRecordings();
    void AddToRing(const QStringList& recordings);
    void DeleteBell();
    void ExportCsv();
    void ExportPdf();
    int CurrentRow() const;
    void ShowProblem(const QString& text);
    void UpdateControls();
    void ShowRingName();

    RingPrompts m_prompts;
    std::function<double()> m_tone;
    RingTableModel* m_model;
    QTableView* m_table;
    QLabel* m_name;
    QLabel* m_problem;
    std::vector<QPushButton*> m_needRing;
    QPushButton* m_delete = nullptr;
    QPushButton* m_keep = nullptr;
};
