// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "RingDocument.h"

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

Ring TwoBells(const QString& folder) {
    return Ring{441.0,
                {{folder + "/treble.wav", 612.3, "cracked?"},
                 {folder + "/sub/tenor.wav", std::nullopt, ""}}};
}

TEST(RingDocument, RefusesWhatIsNoRingWithItsReasonAndLeavesTheFileAlone) {
    const struct {
        const char* bytes;
        const char* reason;
    } cases[] = {
        {"[1, 2]", "not a JSON object"},
        {R"({"format": "other", "version": 1, "bells": []})", "\"format\""},
        {R"({"format": "veltane-ring", "version": "1", "bells": []})", "\"version\""},
        {R"({"format": "veltane-ring", "version": 1, "a4_hz": "440", "bells": []})", "a4_hz"},
        {R"({"format": "veltane-ring", "version": 1, "bells": {}})", "\"bells\""},
        {R"({"format": "veltane-ring", "version": 1, "bells": [{"recording": 3}]})",
         "bell 1 has no \"recording\""},
        {R"({"format": "veltane-ring", "version": 1, "bells": [{"recording": "a.wav",
            "by_ear_hz": "612"}]})",
         "bell 1's \"by_ear_hz\""},
        {R"({"format": "veltane-ring", "version": 1, "bells": [{"recording": "a.wav",
            "comment": 5}]})",
         "bell 1's \"comment\""},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.vring");
    for (const auto& c : cases) {
        Put(path, c.bytes);
        const RingParse parse = ReadRing(path);
        ASSERT_TRUE(std::holds_alternative<QString>(parse)) << c.bytes;
        EXPECT_TRUE(std::get<QString>(parse).contains(c.reason))
            << c.bytes << " -> " << std::get<QString>(parse).toStdString();
        EXPECT_EQ(Contents(path), c.bytes);
    }
}

TEST(RingDocument, KeepsPathsRelativeToItsFolderSoTheFolderCanMove) {
    QTemporaryDir dir;
    const QString before = dir.filePath("before");
    QDir().mkpath(before);
    Ring ring = TwoBells(before);
    ring.bells.push_back({"/elsewhere/other.wav", 500.0, ""});
    ASSERT_EQ(WriteRing(ring, before + "/ring.vring"), std::nullopt);
    const QString after = dir.filePath("after");
    ASSERT_TRUE(QDir().rename(before, after));

    // Unknown fields are read past and written back; the recordings follow the
    // folder, the one outside it stays where it was, and nothing else changes.
    QByteArray bytes = Contents(after + "/ring.vring");
    bytes.replace("\"bells\"", "\"tuned_by\": {\"x\": 1}, \"bells\"");
    bytes.replace("\"comment\"", "\"weight\": \"12-1-4\", \"comment\"");
    const RingParse parse = ParseRing(bytes, after);
    ASSERT_TRUE(std::holds_alternative<Ring>(parse));
    const Ring& read = std::get<Ring>(parse);
    EXPECT_EQ(read.a4Hz, 441.0);
    ASSERT_EQ(read.bells.size(), 3U);
    EXPECT_EQ(read.bells[0].recording, after + "/treble.wav");
    EXPECT_EQ(read.bells[0].byEarHz, 612.3);
    EXPECT_EQ(read.bells[0].comment, "cracked?");
    EXPECT_EQ(read.bells[1].recording, after + "/sub/tenor.wav");
    EXPECT_EQ(read.bells[1].byEarHz, std::nullopt);
    EXPECT_EQ(read.bells[2].recording, "/elsewhere/other.wav");
    const QByteArray again = SerializeRing(read, after);
    EXPECT_TRUE(again.contains("\"tuned_by\": {") && again.count("\"weight\": \"12-1-4\"") == 3)
        << again.toStdString();
}

// A child that writes a ring larger than the file size it may write: killed
// by SIGXFSZ in the middle of the write, or, with the signal ignored, told the
// write failed (as on a full disk). Returns the child's wait status.
int WriteInChildBeyondFileLimit(const QString& path, bool ignoreSignal) {
    const pid_t child = fork();
    if (child == 0) {
        if (ignoreSignal) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        Ring ring;
        ring.bells.push_back({"/big.wav", std::nullopt, QString(100000, QChar('x'))});
        const std::optional<QString> error = WriteRing(ring, path);
        _exit(error && error->contains(path) ? 3 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(RingDocument, LeavesTheOldRingWholeWhenTheWriterDiesOrTheWriteFails) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ring.vring");
    ASSERT_EQ(WriteRing(TwoBells(dir.path()), path), std::nullopt);
    const QByteArray old = Contents(path);

    const int killed = WriteInChildBeyondFileLimit(path, false);
    EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGXFSZ) << killed;
    EXPECT_EQ(Contents(path), old);

    const int failed = WriteInChildBeyondFileLimit(path, true);
    EXPECT_TRUE(WIFEXITED(failed) && WEXITSTATUS(failed) == 3) << failed;
    EXPECT_EQ(Contents(path), old);
    EXPECT_TRUE(std::holds_alternative<Ring>(ReadRing(path)));
}

}  // namespace
