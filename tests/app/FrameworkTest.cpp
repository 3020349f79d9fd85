#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>
#include <utility>

#include "AfxDispatch.h"
#include "CFileDialog.h"
#include "CProgressCtrl.h"
#include "CWinApp.h"
#include "DialogUnits.h"
#include "FakePrompter.h"
#include "QtPrompter.h"
#include "StdioFile.h"

namespace {

TEST(FileDialog, TurnsBarSeparatedPairsIntoQtFiltersAndReturnsThePromptersAnswer) {
    for (const auto& [in, out] :
         {std::pair{"Waveform files (.wav, .mp3)|*.wav;*.mp3|",
                    "Waveform files (.wav, .mp3) (*.wav *.mp3)"},
          std::pair{"Text|*.txt|All|*.*||", "Text (*.txt);;All (*.*)"}, std::pair{"", ""}}) {
        EXPECT_EQ(CFileDialog::ToQtFilter(in), out) << in;
    }
    FakePrompter prompter;
    prompter.answers = {std::string("/tmp/x.wav"), std::nullopt};
    CFileDialog first(true, nullptr, nullptr, OFN_EXPLORER, "W|*.wav|");
    EXPECT_EQ(first.DoModal(), IDOK);
    EXPECT_EQ(first.GetPathName(), "/tmp/x.wav");
    CFileDialog second(true, nullptr, nullptr, OFN_EXPLORER, "W|*.wav|");
    EXPECT_EQ(second.DoModal(), IDCANCEL);
    EXPECT_EQ(prompter.filters.front(), "W (*.wav)");
}

TEST(DialogUnitsTest, ScaleByAQuarterOfTheCharWidthAndAnEighthOfTheHeight) {
    const DialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixels(320, 161, 60, 14), QRect(480, 262, 90, 23));
    // Measured from a font: the base units grow with it.
    QFont small;
    small.setPointSize(8);
    QFont large;
    large.setPointSize(16);
    EXPECT_LT(DialogUnits(small).ToPixelsX(320), DialogUnits(large).ToPixelsX(320));
    EXPECT_LT(DialogUnits(small).ToPixelsY(161), DialogUnits(large).ToPixelsY(161));
}

// An exception leaving a handler is reported by the framework, and the next
// handler runs as usual.
TEST(Dispatch, ReportsAnEscapedExceptionAndGoesOn) {
    FakePrompter prompter;
    AfxDispatch([] { throw std::bad_alloc(); });
    AfxDispatch([] { throw CFileException("Error reading /tmp/bell.wav."); });
    AfxDispatch([] { throw 42; });
    bool ran = false;
    AfxDispatch([&] { ran = true; });
    EXPECT_TRUE(ran);
    ASSERT_EQ(prompter.messages.size(), 3u);
    EXPECT_EQ(prompter.messages[0], "Out of memory.");
    EXPECT_EQ(prompter.messages[1], "Error reading /tmp/bell.wav.");
    EXPECT_EQ(prompter.messages[2], "An unexpected error occurred.");
    // The caption is the executable's name without extension.
    EXPECT_EQ(prompter.titles[0], AfxGetAppName());
    EXPECT_EQ(AfxGetAppName(), "app_tests");
}

// SetPos from another thread returns only once the bar shows the position.
TEST(ProgressCtrl, SetPosFromAnotherThreadIsSynchronous) {
    QProgressBar bar;
    CProgressCtrl progress;
    progress.Attach(&bar);
    progress.SetRange(0, 100);
    std::atomic<bool> done{false};
    std::atomic<int> seen{-1};
    std::thread other([&] {
        progress.SetPos(37);
        seen.store(bar.value());  // already applied when SetPos returns
        progress.SetPos(250);     // clamped, like the window system's bar
        done.store(true);
    });
    while (!done.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    other.join();
    EXPECT_EQ(seen.load(), 37);
    EXPECT_EQ(bar.value(), 100);
}

// Qt's own dialogs, driven as a person would: the message box is plain and
// modal, and the file dialog takes a typed name that does not exist.
TEST(QtPrompterTest, MessageBoxIsPlainAndFileDialogTakesAMissingName) {
    QtPrompter prompter;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        EXPECT_EQ(box->buttons().size(), 1);
        box->button(QMessageBox::Ok)->click();
    });
    prompter.MessageBox("Click OK...", "veltane");
    EXPECT_EQ(text, "Click OK...");
    EXPECT_EQ(title, "veltane");
    EXPECT_EQ(icon, QMessageBox::NoIcon);

    const QString missing = QDir::temp().filePath("veltane-no-such-file.wav");
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        filters = dialog->nameFilters();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(missing);
        QTest::keyClick(name, Qt::Key_Return);
    });
    const auto chosen = prompter.OpenFileName("Waveform files (.wav, .mp3) (*.wav *.mp3)");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, missing.toStdString());
    EXPECT_EQ(filters, QStringList{"Waveform files (.wav, .mp3) (*.wav *.mp3)"});

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(prompter.OpenFileName("All (*)").has_value());
}

}  // namespace
