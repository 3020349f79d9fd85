// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingCommand.h"

#include <QFileInfo>
#include <mutex>
#include <variant>

#include "CommandLine.h"
#include "FileNameBytes.h"
#include "RingAnalyser.h"
#include "RingDocument.h"
#include "RingTable.h"
#include "RingText.h"

namespace {

constexpr int kRingFailedStatus = 1;
constexpr int kRingUsageStatus = 2;

void ComplainAbout(std::ostream& err, const QString& file, const std::string& message) {
    PrintFileError(err, EncodeFileName(file), message);
}

}  // namespace

bool RingCommand::IsRingFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String(kRingSuffix), Qt::CaseInsensitive) == 0;
}

int RingCommand::Run(std::ostream& out, std::ostream& err) const {
    Ring ring;
    const bool ringFile = m_files.size() == 1 && IsRingFile(m_files.first());
    if (m_files.isEmpty() || (!ringFile && std::ranges::any_of(m_files, IsRingFile))) {
        err << "veltane: --ring takes one ." << kRingSuffix << " file or recordings.\n"
            << "Try 'veltane --help' for more information.\n";
        return kRingUsageStatus;
    }
    if (ringFile) {
        RingParse parse = ReadRing(m_files.first());
        if (const QString* why = std::get_if<QString>(&parse)) {
            ComplainAbout(err, m_files.first(), why->toStdString());
            return kRingFailedStatus;
        }
        ring = std::move(std::get<Ring>(parse));
    } else {
        for (const QString& file : m_files) {
            ring.bells.push_back({file, std::nullopt, {}});
        }
    }

    std::vector<std::string> paths;
    for (const RingBell& bell : ring.bells) {
        paths.push_back(EncodeFileName(bell.recording));
    }
    std::vector<std::optional<RecordingAnalysis>> analyses(paths.size());
    std::vector<std::string> errors(paths.size());
    std::mutex lock;
    RingAnalyser(paths, [&](std::size_t bell, BellAnalysis result) {
        const std::scoped_lock hold(lock);
        analyses[bell] = std::move(result.analysis);
        errors[bell] = std::move(result.error);
    }).Wait();

    int status = 0;
    for (std::size_t i = 0; i < errors.size(); ++i) {
        if (!errors[i].empty()) {
            ComplainAbout(err, ring.bells[i].recording, errors[i]);
            status = kRingFailedStatus;
        }
    }
    out << RingTsv(ring, RingTable(ring, analyses));
    return status;
}
