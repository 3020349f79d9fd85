// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "FakePrompter.h"
#include "Resource.h"
#include "SoundFile.h"
#include "ToneMatchApp.h"
#include "ToneMatchDlg.h"
#include "VersionBlock.h"
#include "waveout/VirtualWaveOut.h"

// Left or right channel of interleaved stereo values.
inline std::vector<std::int16_t> Channel(std::span<const std::int16_t> values, int channel) {
    std::vector<std::int16_t> out;
    out.reserve(values.size() / 2);
    for (std::size_t i = static_cast<std::size_t>(channel); i < values.size(); i += 2) {
        out.push_back(values[i]);
    }
    return out;
}

// Where to click on a horizontal scroll bar for one of its parts.
inline QPoint PartCenter(const QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = Qt::Horizontal;
    option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

// A dialog shown modelessly over a virtual device, with the app's own version
// strings and an empty sound file record.
class DialogHarness {
  public:
    explicit DialogHarness(bool create = true) {
        theSoundFile.m_loaded = false;
        theSoundFile.m_path.clear();
        theSoundFile.m_sampleCount = theSoundFile.m_samplesAllocated = 0;
        theSoundFile.m_samples.reset();
        theApp.ReadVersionStrings(&ExecutableVersionBlock());
        dialog = std::make_unique<CToneMatchDlg>(device);
        if (create) {
            Create();
        }
    }

    bool Create() {
        const bool running = dialog->Create();
        if (running) {
            window()->activateWindow();
            (void)QTest::qWaitForWindowActive(window());
        }
        return running;
    }

    QWidget* window() const { return dialog->GetSafeHwnd(); }
    QWidget* item(int id) const { return dialog->GetDlgItem(id); }
    template <typename T>
    T* itemAs(int id) const {
        return qobject_cast<T*>(item(id));
    }
    QScrollBar* scrollBar() const { return itemAs<QScrollBar>(IDC_FREQUENCY_SCROLL); }
    QSlider* trackbar() const { return itemAs<QSlider>(IDC_VOLUME); }

    // Finishes the oldest queued buffer and waits for its refill, keeping the
    // window thread's events flowing (the refill's progress update needs them).
    void FinishBuffer() {
        std::atomic<bool> done{false};
        std::thread finisher([&] {
            device.FinishNext(true);
            done.store(true);
        });
        while (!done.load()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        finisher.join();
    }

    // One channel of the last written buffer.
    std::vector<std::int16_t> Last(int channel = 0) const {
        return Channel(device.WrittenBuffers().back().values, channel);
    }

    void ClickPart(QStyle::SubControl part) {
        QTest::mouseClick(scrollBar(), Qt::LeftButton, {}, PartCenter(scrollBar(), part));
    }

    // Puts the thumb at a position the way a drag does (tracking reports, then
    // the release), through the bar's own signals.
    void DragThumbTo(int position) {
        QScrollBar* bar = scrollBar();
        bar->setSliderDown(true);
        bar->setSliderPosition(position);
        bar->setSliderDown(false);
    }

    QString Text(int id) const { return itemAs<QLineEdit>(id)->text(); }

    // Drags urls onto the window and drops them there, as a file manager does.
    void Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = window()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &drop);
        QCoreApplication::processEvents();
    }

    // The tone, in tenths of a hertz, wherever it shows: the handler, the bar, the
    // engine and the frequency box.
    void ExpectTone(int position) const {
        EXPECT_EQ(dialog->ScrollPosition(), position);
        EXPECT_EQ(scrollBar()->value(), position);
        EXPECT_EQ(scrollBar()->sliderPosition(), position);
        EXPECT_DOUBLE_EQ(dialog->Engine().Frequency(), position / 10.0);
        EXPECT_EQ(Text(IDC_FREQUENCY), QString::number(position / 10.0));
    }

    FakePrompter prompter;
    VirtualWaveOut device;
    std::unique_ptr<CToneMatchDlg> dialog;
};
