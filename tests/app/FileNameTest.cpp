// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "DialogHarness.h"
#include "FileNameBytes.h"
#include "TestBytes.h"

namespace {

// Names as Linux keeps them: bytes that are not UTF-8 (an old archive's), a
// character beyond U+FFFF whose UTF-16 ends in the range that stands for such
// bytes, what a shell would have to quote, and a plain one.
const std::vector<std::string> kNames = {
    "bad\xff\xfename.wav",
    "domino-\xf0\x9f\x82\x80.wav",
    "new\nline \"quoted\" 'too'.wav",
    "plain.wav",
};

std::vector<std::int16_t> Tone() {
    std::vector<std::int16_t> samples(11025);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] =
            static_cast<std::int16_t>(std::lround(12000 * std::sin(0.1 * static_cast<double>(i))));
    }
    return samples;
}

// One way a file reaches the program; each loads path into theSoundFile (the
// command line's analysis prints its rows instead).
struct Way {
    const char* name;
    std::function<void(DialogHarness&, const std::string& path)> load;
};

QStringList Arguments(std::initializer_list<std::string> args) {
    QStringList list;
    for (const std::string& arg : args) {
        list << DecodeFileName(arg);
    }
    return list;
}

const Way kWays[] = {
    {"StartFile",
     [](DialogHarness& h, const std::string& path) {
         CommandLine line(Arguments({"veltane", path}));
         std::ostringstream out;
         ASSERT_FALSE(line.Run(out, out).has_value()) << out.str();
         h.dialog->LoadRecording(line.StartFile());
     }},
    {"FileDialog",
     [](DialogHarness& h, const std::string& path) {
         h.prompter.answers.push_back(path);
         QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
     }},
    {"Drop",
     [](DialogHarness& h, const std::string& path) {
         // As a file manager sends it: the path's bytes percent-encoded.
         h.Drop({QUrl::fromEncoded("file://" +
                                   QByteArray::fromStdString(path).toPercentEncoding("/"))});
     }},
};

TEST(FileNames, EveryWayInOpensTheFileNamedWhateverItsBytes) {
    TempDir dir;
    const Bytes wave = PcmWave({.channels = 1, .byteRate = 88200, .blockAlign = 2}, S16(Tone()));
    std::string reference;
    for (const std::string& name : kNames) {
        const std::string path = dir.Write(name, wave);
        SCOPED_TRACE(testing::PrintToString(name));
        for (const Way& way : kWays) {
            SCOPED_TRACE(way.name);
            DialogHarness h;
            way.load(h, path);
            EXPECT_TRUE(h.prompter.messages.empty()) << h.prompter.messages.front();
            ASSERT_TRUE(theSoundFile.m_loaded);
            EXPECT_EQ(theSoundFile.m_path, path);
            const auto samples = theSoundFile.Samples();
            EXPECT_EQ(std::vector<std::int16_t>(samples.begin(), samples.end()), Tone());
        }
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(CommandLine(Arguments({"veltane", "--partials", path})).Run(out, err), 0)
            << err.str();
        if (reference.empty()) {
            reference = out.str();
        }
        EXPECT_EQ(out.str(), reference);
        // A ring of the one recording: loaded, so no message and status 0.
        std::ostringstream ring;
        std::ostringstream ringErr;
        EXPECT_EQ(CommandLine(Arguments({"veltane", "--ring", path})).Run(ring, ringErr), 0)
            << ringErr.str();
        EXPECT_GT(std::count(reference.begin(), reference.end(), '\n'), 1) << "a peak";
    }
}

}  // namespace
