// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "DialogHarness.h"

namespace {

// Enter on a control ends the dialog through EXIT unless another button has the
// focus, and whatever ends it stops the stream first. Escape, the close box and
// Enter on the trackbar are left to the end-to-end tests.
struct ExitCase {
    const char* name;
    int focused;
    bool ends;
};

class Exit : public testing::TestWithParam<ExitCase> {};

TEST_P(Exit, EnterEndsWithTheStreamStoppedOrGoesOn) {
    const ExitCase c = GetParam();
    DialogHarness h;
    if (c.focused == IDC_START_STOP) {
        h.item(IDC_START_STOP)->setEnabled(true);  // as after a load
        theSoundFile.m_loaded = true;
    }
    h.item(c.focused)->setFocus();
    QCoreApplication::processEvents();
    h.prompter.answers.push_back(std::nullopt);  // Read Waveform: the user cancels
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(h.dialog->IsEnded(), c.ends);
    EXPECT_EQ(h.device.IsOpen(), !c.ends);
    if (c.ends) {
        EXPECT_EQ(h.dialog->Result(), IDOK);
        EXPECT_EQ(h.device.QueuedCount(), 0u);
    }
    EXPECT_EQ(h.prompter.answers.empty(), c.focused == IDC_READ_WAVEFORM);  // the dialog opened
    EXPECT_EQ(h.dialog->Engine().FilePlaying(), c.focused == IDC_START_STOP);
}

INSTANTIATE_TEST_SUITE_P(Dialog, Exit,
                         testing::Values(ExitCase{"OnExit", IDOK, true},
                                         ExitCase{"OnFrequencyBox", IDC_FREQUENCY, true},
                                         ExitCase{"OnReadWaveform", IDC_READ_WAVEFORM, false},
                                         ExitCase{"OnStartStop", IDC_START_STOP, false}),
                         [](const testing::TestParamInfo<ExitCase>& p) {
                             return std::string(p.param.name);
                         });

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
