// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <exception>
#include <new>
#include <string_view>

#include "FileNameBytes.h"
#include "LoadMessage.h"
#include "LoadSoundFile.h"
#include "NoteName.h"
#include "RecordingAnalysis.h"
#include "RingCommand.h"
#include "SoundFile.h"
#include "ToneMatchApp.h"
#include "VersionBlock.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr int kLoadFailedStatus = 1;

// One decimal, and no "-0.0" for a value that rounds to zero.
std::string Fixed(double value, int decimals) {
    char text[48];
    const double smallest = 0.5 * std::pow(10.0, -decimals);
    std::snprintf(text, sizeof text, "%.*f", decimals, std::abs(value) < smallest ? 0.0 : value);
    return text;
}

}  // namespace

void PrintFileError(std::ostream& err, std::string_view file, std::string_view message) {
    err << "veltane: " << file << ": " << message << "\n";
}

CommandLine::CommandLine(QStringList arguments) : m_arguments(std::move(arguments)) {}

std::optional<int> CommandLine::Run(std::ostream& out, std::ostream& err) {
    theApp.ReadVersionStrings(&ExecutableVersionBlock());
    QCoreApplication::setApplicationName(QStringLiteral("veltane"));
    QCoreApplication::setApplicationVersion(QString::fromStdString(theApp.m_version));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromStdString(theApp.m_description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption partials(
        QStringLiteral("partials"),
        QStringLiteral("Print the recording's peaks as tab-separated values, and end."),
        QStringLiteral("FILE"));
    const QCommandLineOption strike(
        QStringLiteral("strike"),
        QStringLiteral("Print the recording's strike note estimate as tab-separated values, and "
                       "end."),
        QStringLiteral("FILE"));
    const QCommandLineOption ring(
        QStringLiteral("ring"),
        QStringLiteral("Print the table of the ring FILE (.vring), or of the recordings FILE..., "
                       "as tab-separated values, and end."));
    parser.addOption(partials);
    parser.addOption(strike);
    parser.addOption(ring);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A .wav or .mp3 recording to load at start, or a .vring ring to open."),
        QStringLiteral("[FILE]"));

    // The usage line names the program; the parser takes the name from an
    // application object, which does not exist yet.
    const auto helpText = [&] {
        return parser.helpText()
            .replace(QStringLiteral("<executable_name>"), QCoreApplication::applicationName())
            .toStdString();
    };
    const auto usage = [&](const QString& problem) {
        err << QCoreApplication::applicationName().toStdString() << ": " << problem.toStdString()
            << "\n"
            << helpText();
        return kUsageStatus;
    };
    if (!parser.parse(m_arguments)) {
        return usage(parser.errorText());
    }
    if (parser.isSet(help)) {
        out << helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        out << "veltane " << theApp.m_version << "\n";
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    const int analyses = (parser.isSet(partials) ? 1 : 0) + (parser.isSet(strike) ? 1 : 0);
    if (analyses > 1 || parser.values(partials).size() > 1 || parser.values(strike).size() > 1) {
        return usage(QStringLiteral("Give one of --partials and --strike, once."));
    }
    if (parser.isSet(ring)) {
        if (analyses > 0) {
            return usage(QStringLiteral("Give --ring without --partials and --strike."));
        }
        return RingCommand(files).Run(out, err);
    }
    if (analyses == 1) {
        if (!files.isEmpty()) {
            return usage(QStringLiteral("Unexpected argument '%1'.").arg(files.first()));
        }
        const bool isStrike = parser.isSet(strike);
        return PrintAnalysis(EncodeFileName(parser.value(isStrike ? strike : partials)), isStrike,
                             out, err);
    }
    if (files.size() > 1) {
        return usage(QStringLiteral("Unexpected argument '%1'.").arg(files.at(1)));
    }
    if (!files.isEmpty()) {
        m_startFile = EncodeFileName(files.first());
    }
    return std::nullopt;
}

int CommandLine::PrintAnalysis(const std::string& path, bool strike, std::ostream& out,
                               std::ostream& err) const {
    // The same load as Read Waveform, so the same files load and the same
    // message tells why one does not; a read error or a want of memory is
    // reported as the window's framework reports it.
    const auto fail = [&](std::string_view message) {
        PrintFileError(err, path, message);
        return kLoadFailedStatus;
    };
    CSoundFile record;
    LoadResult result = LoadResult::kOk;
    try {
        // The analysis reads the recording's start only; a long file's rest
        // is not read at all.
        LoadOptions options;
        options.maxSeconds = kAnalysedSeconds;
        result = LoadSoundFile(record, path, options);
    } catch (const std::bad_alloc&) {
        return fail("Out of memory.");
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    if (result != LoadResult::kOk) {
        return fail(LoadMessage(result));
    }
    const std::optional<RecordingAnalysis> analysis =
        AnalyseRecording(record.Samples(), static_cast<int>(record.m_format.SamplesPerSec()), {},
                         record.m_peakMagnitude);
    if (strike) {
        out << "frequency_hz\tnote\tcents\tbasis\n";
        if (analysis && analysis->strike) {
            const NoteName note = NoteOf(analysis->strike->frequencyHz);
            out << Fixed(analysis->strike->frequencyHz, 2) << '\t' << note.name << '\t'
                << FormatCents(note.cents) << '\t' << BasisName(analysis->strike->basis) << '\n';
        }
        return 0;
    }
    out << "frequency_hz\tlevel_db\tnote\tcents\tpartial\tdecay_db_s\n";
    if (analysis) {
        for (const Peak& peak : analysis->spectrum.peaks) {
            const NoteName note = NoteOf(peak.frequencyHz);
            out << Fixed(peak.frequencyHz, 2) << '\t' << Fixed(peak.levelDb, 1) << '\t' << note.name
                << '\t' << FormatCents(note.cents) << '\t' << peak.partial << '\t'
                << (peak.decayDbPerSecond ? Fixed(*peak.decayDbPerSecond, 2) : "") << '\n';
        }
    }
    return 0;
}
