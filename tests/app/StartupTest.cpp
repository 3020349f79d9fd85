// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <chrono>
#include <string>
#include <thread>

#include "DialogHarness.h"

namespace {

TEST(Startup, ControlsShowTheInitialStateAndTheToneIs440HzAt8192OnTheLeftOnly) {
    DialogHarness h;
    EXPECT_EQ(h.window()->windowTitle(), "Veltane");
    EXPECT_FALSE(h.window()->windowIcon().isNull());
    EXPECT_EQ(h.Text(IDC_FREQUENCY), "440");
    EXPECT_EQ(h.Text(IDC_FILENAME), "no file loaded");
    EXPECT_EQ(h.Text(IDC_VERSION), "1.1");
    EXPECT_EQ(h.Text(IDC_DESCRIPTION), "Veltane Program");
    EXPECT_EQ(h.Text(IDC_COMPANY), "Veltane Bellworks, Loughborough");
    EXPECT_EQ(h.Text(IDC_COPYRIGHT), "(C) 2026 Veltane Bellworks");
    EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(h.scrollBar()->value(), 4400);
    EXPECT_EQ(h.trackbar()->value(), 25);
    EXPECT_EQ(h.trackbar()->maximum(), 100);
    EXPECT_EQ(h.itemAs<QProgressBar>(IDC_PROGRESS)->maximum(), 100);
    EXPECT_TRUE(h.prompter.messages.empty());

    const auto written = h.device.WrittenBuffers();
    ASSERT_EQ(written.size(), 2u);
    for (const auto& buffer : written) {
        EXPECT_EQ(buffer.format, (WaveFormatEx{1, 2, 44100, 176400, 4, 16, 0}));
        const auto left = Channel(buffer.values, 0);
        EXPECT_NEAR(EstimateFrequency(left, 44100.0), 440.0, 0.01);
        // 8192, not 25 * 327 = 8175, until the trackbar moves.
        EXPECT_GT(PeakOf(left), 8175);
        EXPECT_LE(PeakOf(left), 8192);
        EXPECT_EQ(PeakOf(Channel(buffer.values, 1)), 0);
    }
}

// How the dialog is left, or not: Enter on a control (through EXIT unless another
// button has the focus), Escape and the close box (through cancel). Whatever ends
// it stops the stream first.
struct ExitCase {
    const char* name;
    int focused;
    Qt::Key key;  // Key_unknown: the close box
    int result;   // 0: the dialog goes on
};

class Exit : public testing::TestWithParam<ExitCase> {};

TEST_P(Exit, EndsWithTheStreamStoppedOrGoesOn) {
    const ExitCase c = GetParam();
    DialogHarness h;
    if (c.focused == IDC_START_STOP) {
        h.item(IDC_START_STOP)->setEnabled(true);  // as after a load
        theSoundFile.m_loaded = true;
    }
    h.item(c.focused)->setFocus();
    QCoreApplication::processEvents();
    h.prompter.answers.push_back(std::nullopt);  // Read Waveform: the user cancels
    if (c.key == Qt::Key_unknown) {
        h.window()->close();
    } else {
        QTest::keyClick(QApplication::focusWidget(), c.key);
    }
    EXPECT_EQ(h.dialog->IsEnded(), c.result != 0);
    EXPECT_EQ(h.device.IsOpen(), c.result == 0);
    if (c.result != 0) {
        EXPECT_EQ(h.dialog->Result(), c.result);
        EXPECT_EQ(h.device.QueuedCount(), 0u);
    }
    EXPECT_EQ(h.prompter.filters.size(), c.focused == IDC_READ_WAVEFORM ? 1u : 0u);
    EXPECT_EQ(h.dialog->Engine().FilePlaying(), c.focused == IDC_START_STOP);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, Exit,
    testing::Values(ExitCase{"EnterOnExit", IDOK, Qt::Key_Return, IDOK},
                    ExitCase{"EnterOnTrackbar", IDC_VOLUME, Qt::Key_Return, IDOK},
                    ExitCase{"EnterOnFrequencyBox", IDC_FREQUENCY, Qt::Key_Return, IDOK},
                    ExitCase{"EnterOnReadWaveform", IDC_READ_WAVEFORM, Qt::Key_Return, 0},
                    ExitCase{"EnterOnStartStop", IDC_START_STOP, Qt::Key_Return, 0},
                    ExitCase{"Escape", IDOK, Qt::Key_Escape, IDCANCEL},
                    ExitCase{"CloseBox", IDOK, Qt::Key_unknown, IDCANCEL}),
    [](const testing::TestParamInfo<ExitCase>& p) { return std::string(p.param.name); });

// A refill waiting for the window thread (its progress update) while EXIT stops
// the stream: the wait shows "Click OK...", whose event loop lets the refill
// finish, and the dialog ends instead of hanging.
TEST(Startup, ExitWhileARefillWaitsOnTheWindowShowsClickOkAndEnds) {
    DialogHarness h;
    const std::size_t writes = h.device.WriteCount();
    ASSERT_TRUE(h.device.FinishNext(false));
    // The refill writes its buffer and then blocks in the progress update, since
    // this thread processes no events until the message box does.
    for (int i = 0; i < 5000 && h.device.WriteCount() == writes; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(h.device.WriteCount(), writes + 1);
    QTest::mouseClick(h.item(IDOK), Qt::LeftButton);
    EXPECT_TRUE(h.dialog->IsEnded());
    ASSERT_FALSE(h.prompter.messages.empty());  // shown until the refill is done
    EXPECT_EQ(h.prompter.messages.back(), "Click OK...");
    EXPECT_FALSE(h.device.IsOpen());
}

// A refused format or a refused first buffer: the message, and the dialog ends
// with the device closed.
TEST(Startup, ARefusingDeviceEndsTheDialogWithItsMessage) {
    for (const bool format : {true, false}) {
        DialogHarness h(false);
        (format ? h.device.RefuseQuery(true) : h.device.RefuseWrite(true));
        EXPECT_FALSE(h.Create());
        EXPECT_EQ(h.dialog->Result(), IDCANCEL);
        EXPECT_EQ(h.prompter.messages,
                  std::vector<std::string>{"No output device for this format!"});
        EXPECT_FALSE(h.window()->isVisible());
        EXPECT_FALSE(h.device.IsOpen());
    }
}

}  // namespace
