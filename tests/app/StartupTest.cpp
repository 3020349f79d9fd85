#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "DialogHarness.h"
#include "MainDialogTemplate.h"

namespace {

TEST(Startup, ControlsShowTheInitialState) {
    DialogHarness h;
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FREQUENCY)->text(), "440");
    EXPECT_EQ(h.trackbar()->value(), 25);
    EXPECT_EQ(h.trackbar()->minimum(), 0);
    EXPECT_EQ(h.trackbar()->maximum(), 100);
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FILENAME)->text(), "no file loaded");
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_VERSION)->text(), "1.1");
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_DESCRIPTION)->text(), "Veltane Program");
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_COMPANY)->text(), "Veltane Bellworks, Loughborough");
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_COPYRIGHT)->text(), "(C) 2026 Veltane Bellworks");
    EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(h.scrollBar()->value(), 4400);
    EXPECT_EQ(h.itemAs<QProgressBar>(IDC_PROGRESS)->minimum(), 0);
    EXPECT_EQ(h.itemAs<QProgressBar>(IDC_PROGRESS)->maximum(), 100);
    EXPECT_EQ(h.window()->windowTitle(), "Veltane");
    EXPECT_FALSE(h.window()->windowIcon().isNull());
    EXPECT_TRUE(h.prompter.messages.empty());
}

// The maker's strings are chosen to fit their boxes at the dialog's font.
TEST(Startup, TheVersionStringsFitTheirBoxes) {
    DialogHarness h;
    for (const int id : {IDC_DESCRIPTION, IDC_COPYRIGHT, IDC_COMPANY, IDC_VERSION}) {
        const auto* edit = h.itemAs<QLineEdit>(id);
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()) + 4, edit->width()) << id;
    }
    const auto* website = h.itemAs<QLabel>(IDC_WEBSITE);
    EXPECT_LE(website->fontMetrics().horizontalAdvance(website->text()), website->width());
}

TEST(Startup, FirstBuffersHoldA440HzToneAtAmplitude8192OnTheLeftOnly) {
    DialogHarness h;
    const auto written = h.device.WrittenBuffers();
    ASSERT_EQ(written.size(), 2u);
    for (const auto& buffer : written) {
        EXPECT_EQ(buffer.format.nSamplesPerSec, 44100u);
        EXPECT_EQ(buffer.format.nChannels, 2u);
        EXPECT_EQ(buffer.format.wBitsPerSample, 16u);
        ASSERT_EQ(buffer.values.size(), 16384u);
        const auto left = Channel(buffer.values, 0);
        const auto right = Channel(buffer.values, 1);
        EXPECT_NEAR(EstimateFrequency(left, 44100.0), 440.0, 0.01);
        // 8192, not 25 * 327 = 8175, until the trackbar moves.
        EXPECT_GT(PeakOf(left), 8175);
        EXPECT_LE(PeakOf(left), 8192);
        EXPECT_EQ(PeakOf(right), 0);
    }
    EXPECT_EQ(h.dialog->Engine().Amplitude(), 8192);
}

TEST(Startup, EveryTemplateControlExistsWithItsKindTextAndTabOrder) {
    DialogHarness h;
    const DialogTemplate& tmpl = kMainDialogTemplate;

    // The controls of the window, in creation order, are the template's items.
    const QList<QWidget*> children = h.window()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    std::vector<QWidget*> byItem;
    for (const DialogItemTemplate& item : tmpl.items) {
        QWidget* found = nullptr;
        for (QWidget* child : children) {
            const QVariant id = child->property("dialogItemId");
            if (id.toInt() != item.id) {
                continue;
            }
            const QString text = QString::fromLatin1(item.text);
            // Edits, bars and the trackbar show no template text.
            const bool showsText = child->inherits("QAbstractButton") ||
                                   child->inherits("QLabel") || child->inherits("QGroupBox");
            const QString shown =
                showsText
                    ? child->property(qobject_cast<QGroupBox*>(child) ? "title" : "text").toString()
                    : text;
            if (shown == text && std::find(byItem.begin(), byItem.end(), child) == byItem.end()) {
                found = child;
                break;
            }
        }
        ASSERT_NE(found, nullptr) << "item " << item.id << " \"" << item.text << "\"";
        byItem.push_back(found);

        // Indexed by ControlKind.
        static constexpr const char* kClasses[] = {"QPushButton",  "QPushButton", "QSlider",
                                                   "QLabel",       "QLineEdit",   "QScrollBar",
                                                   "QProgressBar", "QGroupBox"};
        const char* expectedClass = kClasses[static_cast<int>(item.kind)];
        EXPECT_TRUE(found->inherits(expectedClass)) << item.id << " is not a " << expectedClass;
        if (auto* edit = qobject_cast<QLineEdit*>(found)) {
            EXPECT_TRUE(edit->isReadOnly());
            EXPECT_EQ(edit->hasFrame(), (item.style & item_style::kBorder) != 0);
        }
        if (auto* b = qobject_cast<QPushButton*>(found)) {
            EXPECT_EQ(b->isDefault(), item.kind == ControlKind::DefPushButton);
        }
        // Dialog units keep their proportions: the item's left edge relative to
        // the dialog's width.
        const double relative = static_cast<double>(found->x()) / h.window()->width();
        EXPECT_NEAR(relative, item.x / 320.0, 0.01) << item.id;
    }

    // Tab order: the focus chain visits exactly the tab stops, in template order.
    std::vector<QWidget*> expectedChain;
    for (std::size_t i = 0; i < tmpl.items.size(); ++i) {
        if ((tmpl.items[i].style & item_style::kTabStop) != 0) {
            expectedChain.push_back(byItem[i]);
        }
    }
    ASSERT_EQ(expectedChain.size(), 10u);
    QWidget* w = expectedChain.front();
    for (std::size_t i = 1; i < expectedChain.size(); ++i) {
        do {
            w = w->nextInFocusChain();
        } while ((w->focusPolicy() & Qt::TabFocus) == 0 || w == h.window());
        EXPECT_EQ(w, expectedChain[i]) << "tab stop " << i;
    }
    // The scroll bar takes the focus only when clicked, outside the tab order.
    EXPECT_EQ(h.scrollBar()->focusPolicy(), Qt::ClickFocus);
    // The first tab stop, EXIT, has the focus at start.
    EXPECT_EQ(h.window()->focusWidget(), h.item(IDOK));
}

// Which control has the focus when Enter is pressed, and what happens.
struct EnterCase {
    int focused;
    bool endsDialog;
    const char* name;
};

class EnterKey : public testing::TestWithParam<EnterCase> {};

TEST_P(EnterKey, EndsThroughExitUnlessAnotherButtonHasFocus) {
    const EnterCase c = GetParam();
    DialogHarness h;
    if (c.focused == IDC_START_STOP) {
        h.item(IDC_START_STOP)->setEnabled(true);  // as after a load
        theSoundFile.m_loaded = true;
    }
    h.item(c.focused)->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), h.item(c.focused));
    h.prompter.answers.push_back(std::nullopt);  // Read Waveform: the user cancels
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(h.dialog->IsEnded(), c.endsDialog);
    if (c.endsDialog) {
        EXPECT_EQ(h.dialog->Result(), IDOK);
        EXPECT_FALSE(h.device.IsOpen());
    } else {
        EXPECT_TRUE(h.device.IsOpen());
    }
    if (c.focused == IDC_READ_WAVEFORM) {
        EXPECT_EQ(h.prompter.filters.size(), 1u);  // the button was pressed
    }
    if (c.focused == IDC_START_STOP) {
        EXPECT_TRUE(h.dialog->Engine().FilePlaying());
    }
}

INSTANTIATE_TEST_SUITE_P(Dialog, EnterKey,
                         testing::Values(EnterCase{IDOK, true, "Exit"},
                                         EnterCase{IDC_VOLUME, true, "Trackbar"},
                                         EnterCase{IDC_FREQUENCY, true, "FrequencyBox"},
                                         EnterCase{IDC_FILENAME, true, "FileNameBox"},
                                         EnterCase{IDC_READ_WAVEFORM, false, "ReadWaveform"},
                                         EnterCase{IDC_START_STOP, false, "StartStop"}),
                         [](const testing::TestParamInfo<EnterCase>& p) {
                             return std::string(p.param.name);
                         });

// Escape and the close box end the dialog through cancel; the stream must stop
// first, and the blocks go.
class CancelPath : public testing::TestWithParam<bool> {};

TEST_P(CancelPath, StopsTheStreamBeforeTheDialogEnds) {
    DialogHarness h;
    ASSERT_TRUE(h.device.IsOpen());
    if (GetParam()) {
        QTest::keyClick(h.window(), Qt::Key_Escape);
    } else {
        h.window()->close();
    }
    EXPECT_TRUE(h.dialog->IsEnded());
    EXPECT_EQ(h.dialog->Result(), IDCANCEL);
    EXPECT_FALSE(h.device.IsOpen());
    EXPECT_EQ(h.device.QueuedCount(), 0u);
    EXPECT_FALSE(h.dialog->Engine().IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Dialog, CancelPath, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& p) {
                             return std::string(p.param ? "Escape" : "CloseBox");
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
    EXPECT_EQ(h.dialog->Result(), IDOK);
    ASSERT_FALSE(h.prompter.messages.empty());
    EXPECT_EQ(h.prompter.messages[0], "Click OK...");
    EXPECT_FALSE(h.device.IsOpen());
}

// A refused format or a refused first buffer: the message, and the dialog ends
// with the device closed.
class RefusingDevice : public testing::TestWithParam<bool> {};

TEST_P(RefusingDevice, EndsTheDialogWithItsMessage) {
    DialogHarness h(false);
    (GetParam() ? h.device.RefuseQuery(true) : h.device.RefuseWrite(true));
    EXPECT_FALSE(h.Create());
    EXPECT_TRUE(h.dialog->IsEnded());
    EXPECT_EQ(h.dialog->Result(), IDCANCEL);
    EXPECT_EQ(h.prompter.messages, std::vector<std::string>{"No output device for this format!"});
    EXPECT_FALSE(h.window()->isVisible());
    EXPECT_FALSE(h.device.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Dialog, RefusingDevice, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& p) {
                             return std::string(p.param ? "Format" : "Buffer");
                         });

// The version strings: a missing block or key leaves its box empty, the others
// are unaffected.
TEST(Startup, MissingVersionValuesLeaveTheirBoxesEmpty) {
    static constexpr std::array<VersionString, 2> kPartial{{
        {"FileDescription", "Partial Program"},
        {"productversion", "9.9"},  // keys compare without regard to case
    }};
    const VersionBlock partial{{1, 0, 0, 1}, {1, 0, 0, 1}, 0x0409, 0x04B0, kPartial};
    const VersionBlock otherLanguage{{1, 0, 0, 1}, {1, 0, 0, 1}, 0x0407, 0x04B0, kPartial};

    struct Case {
        const VersionBlock* block;
        const char* description;
        const char* version;
    };
    for (const Case c : {Case{&partial, "Partial Program", "9.9"}, Case{&otherLanguage, "", ""},
                         Case{nullptr, "", ""}}) {
        DialogHarness h(false);
        theApp.ReadVersionStrings(c.block);
        ASSERT_TRUE(h.Create());
        EXPECT_EQ(h.itemAs<QLineEdit>(IDC_DESCRIPTION)->text(), c.description);
        EXPECT_EQ(h.itemAs<QLineEdit>(IDC_VERSION)->text(), c.version);
        EXPECT_EQ(h.itemAs<QLineEdit>(IDC_COMPANY)->text(), "");
        EXPECT_EQ(h.itemAs<QLineEdit>(IDC_COPYRIGHT)->text(), "");
    }
}

TEST(Startup, VersionKeyPathsCompareWithoutRegardToCase) {
    const VersionBlock& block = ExecutableVersionBlock();
    EXPECT_EQ(VerQueryValue(block, "\\StringFileInfo\\040904B0\\CompanyName"),
              "Veltane Bellworks, Loughborough");
    EXPECT_EQ(VerQueryValue(block, "\\stringfileinfo\\040904b0\\companyname"),
              "Veltane Bellworks, Loughborough");
    EXPECT_FALSE(VerQueryValue(block, "\\StringFileInfo\\040704B0\\CompanyName"));
    EXPECT_FALSE(VerQueryValue(block, "\\StringFileInfo\\040904B0\\NoSuchKey"));
    EXPECT_FALSE(VerQueryValue(block, "\\StringFileInfo\\040904B0"));
    EXPECT_FALSE(VerQueryValue(block, "\\StringFileInfo\\040904B0\\CompanyName\\More"));
}

}  // namespace
