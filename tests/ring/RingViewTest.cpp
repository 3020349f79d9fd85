// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <deque>
#include <variant>

#include "BellFiles.h"
#include "RingDocument.h"
#include "RingTableModel.h"
#include "RingView.h"

namespace {

// The view with its file dialogs answered from a queue, and the tone at a
// frequency the test sets.
struct Harness {
    Harness()
        : view(nullptr,
               RingPrompts{[this](auto...) { return Next(); }, [this](auto...) { return Next(); },
                           [this](auto...) { return names; }}) {
        view.SetToneSource([this] { return tone; });
        view.resize(1200, 400);
        view.show();
    }
    QString Next() {
        const QString answer = answers.empty() ? QString() : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    void Click(const char* button) {
        auto* found = view.findChild<QPushButton*>(button);
        ASSERT_NE(found, nullptr) << button;
        QTest::mouseClick(found, Qt::LeftButton);
    }
    void WaitForAnalyses() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.Model()->Complete(); }, 20000));
    }
    QString Cell(int row, int column) const {
        return view.Model()->index(row, column).data().toString();
    }
    void ClickRow(int row) {
        QTableView* table = view.Table();
        const QRect cell = table->visualRect(table->model()->index(row, RingTableModel::kBell));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }
    Ring OnDisk() const {
        RingParse parse = ReadRing(view.Model()->Path());
        EXPECT_TRUE(std::holds_alternative<Ring>(parse));
        return std::holds_alternative<Ring>(parse) ? std::get<Ring>(parse) : Ring{};
    }

    std::deque<QString> answers;
    QStringList names;
    double tone = 440.0;
    RingView view;
};

TEST(RingView, BuildsARingThatIsOnDiskAfterEveryChange) {
    TempDir dir;
    const auto file = [&](const char* name) { return QString::fromStdString(dir.Path() / name); };
    WriteBell(dir, "low.wav", UsualBell(520.0));
    // A tierce 16 cents above the just one: its cell is marked, the others not.
    WriteBell(dir, "high.wav", TunedBell(780.0, {-2400, -1200, -868, -498, 702, 1200}));
    WriteBell(dir, "mid.wav", UsualBell(650.0));
    Harness h;
    h.answers = {file("tower")};
    h.Click("newRing");
    EXPECT_TRUE(QFile::exists(file("tower.vring")));

    h.names = {file("low.wav"), file("gone.wav"), file("high.wav")};
    h.Click("addRecordings");
    h.WaitForAnalyses();
    ASSERT_EQ(h.view.Model()->rowCount(), 3);
    EXPECT_EQ(h.Cell(0, RingTableModel::kBell), "1");
    EXPECT_EQ(h.Cell(0, RingTableModel::kRecording), "high.wav");
    EXPECT_EQ(h.Cell(1, RingTableModel::kRecording), "low.wav");
    EXPECT_EQ(h.Cell(2, RingTableModel::kRecording), "gone.wav (Failed to open file!)");
    EXPECT_EQ(h.Cell(2, RingTableModel::kBell), "");
    const int tierce = RingTableModel::kFirstPartial + 2;
    const QAbstractItemModel* model = h.view.Model();
    EXPECT_TRUE(model->index(0, tierce).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->index(1, tierce).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(h.OnDisk().bells.size(), 3U);

    // Dropped files join the ring and are analysed like the others.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file("mid.wav"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&h.view, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&h.view, &drop);
    h.WaitForAnalyses();
    EXPECT_EQ(h.Cell(1, RingTableModel::kRecording), "mid.wav");

    // Selecting a bell names its recording; Keep stores the tone, a comment
    // is typed in; the file holds both at once.
    QSignalSpy selected(&h.view, &RingView::bellSelected);
    h.ClickRow(1);
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0][0].toString(), file("mid.wav"));
    h.tone = 325.4;
    h.Click("keep");
    EXPECT_TRUE(h.Cell(1, RingTableModel::kByEar).startsWith("325.40  E4"));
    QTableView* table = h.view.Table();
    table->setCurrentIndex(model->index(1, RingTableModel::kComment));
    QTest::keyClick(table, Qt::Key_F2);
    auto* editor = table->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "clapper, \"new\"");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor's data is committed by a queued call
    Ring ring = h.OnDisk();
    ASSERT_EQ(ring.bells.size(), 4U);
    EXPECT_EQ(ring.bells[3].byEarHz, 325.4);
    EXPECT_EQ(ring.bells[3].comment, "clapper, \"new\"");

    // Delete takes the selected bell out of the ring, never its recording.
    h.ClickRow(0);
    QTest::keyClick(table, Qt::Key_Delete);
    ring = h.OnDisk();
    ASSERT_EQ(ring.bells.size(), 3U);
    EXPECT_TRUE(std::none_of(ring.bells.begin(), ring.bells.end(),
                             [&](auto& bell) { return bell.recording == file("high.wav"); }));
    EXPECT_TRUE(QFile::exists(file("high.wav")));
    EXPECT_EQ(h.Cell(0, RingTableModel::kBell), "1");
    EXPECT_EQ(h.Cell(0, RingTableModel::kRecording), "mid.wav");
}

TEST(RingView, KeepsWhatCouldNotBeSavedAndWritesItWithTheNextChange) {
    TempDir dir;
    QDir().mkpath(QString::fromStdString(dir.Path() / "tower"));
    const std::string tower = (dir.Path() / "tower").string();
    const QString ringPath = QString::fromStdString(tower + "/tower.vring");
    WriteBell(dir, "tower/treble.wav", UsualBell(700.0));
    ASSERT_EQ(
        WriteRing(Ring{440.0, {{QString::fromStdString(tower + "/treble.wav"), {}, {}}}}, ringPath),
        std::nullopt);
    const QString refused = QString::fromStdString(tower + "/other.vring");
    {
        QFile bad(refused);
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write(R"({"format": "veltane-ring", "version": 9, "bells": []})");
    }
    Harness h;
    ASSERT_TRUE(h.view.OpenRing(ringPath));
    h.WaitForAnalyses();

    // A ring that cannot be read is refused with its reason, and the open
    // one stays open; nothing is written over the refused file.
    EXPECT_FALSE(h.view.OpenRing(refused));
    EXPECT_TRUE(h.view.Problem().contains("newer Veltane")) << h.view.Problem().toStdString();
    EXPECT_EQ(h.view.Model()->Path(), ringPath);

    // The folder gone: the pitch and comment stay in the table and the view
    // says they are not saved; the folder back, the next change writes all.
    const QString away = QString::fromStdString(dir.Path() / "away");
    ASSERT_TRUE(QDir().rename(QString::fromStdString(tower), away));
    h.tone = 350.0;
    h.view.Keep();
    h.view.Model()->setData(h.view.Model()->index(0, RingTableModel::kComment), "cast 1890");
    EXPECT_TRUE(h.view.Problem().contains("could not be saved")) << h.view.Problem().toStdString();
    EXPECT_TRUE(h.Cell(0, RingTableModel::kByEar).startsWith("350.00"));
    ASSERT_TRUE(QDir().rename(away, QString::fromStdString(tower)));
    h.tone = 351.0;
    h.view.Keep();
    EXPECT_EQ(h.view.Problem(), "");
    const Ring ring = h.OnDisk();
    ASSERT_EQ(ring.bells.size(), 1U);
    EXPECT_EQ(ring.bells[0].byEarHz, 351.0);
    EXPECT_EQ(ring.bells[0].comment, "cast 1890");
    QFile bad(refused);
    ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
    EXPECT_EQ(bad.readAll(), R"({"format": "veltane-ring", "version": 9, "bells": []})");
}

}  // namespace
