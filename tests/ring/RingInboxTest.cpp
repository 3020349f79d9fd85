// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <thread>

#include "RingInbox.h"

namespace {

// Results put on other threads all reach the window thread, and the last one
// expected goes over at the next turn of the event loop rather than a frame
// later: a table that waited for it would be complete late, or never.
TEST(RingInbox, HandsOverEveryResultAndTheLastAtOnce) {
    std::vector<quint64> handed;
    RingInbox inbox([&](std::vector<RingInbox::Result> results) {
        for (const RingInbox::Result& result : results) {
            handed.push_back(result.id);
        }
    });
    inbox.Expect(3);
    std::thread([&] {
        inbox.Put(7, {});
        inbox.Put(5, {});
    }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return handed.size() == 2; }));
    EXPECT_EQ(handed, (std::vector<quint64>{7, 5}));
    std::thread([&] { inbox.Put(9, {}); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(handed, (std::vector<quint64>{7, 5, 9}));
}

}  // namespace
