// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "ConversionProgress.h"
#include "GrowingSamples.h"
#include "MonoCollector.h"
#include "MonoMixDown.h"
#include "SoundFile.h"
#include "WatchedSource.h"
#include "codec/CodecStream.h"
#include "codec/FileSource.h"

namespace {

// PCM is read and mixed in blocks of this many bytes (a multiple of every
// row's bytes per sample), so a long recording is never held twice.
constexpr std::size_t kPcmBlockBytes = std::size_t{1} << 20;

// Decoded samples are expected from the header's count (the data's length at
// the first frame's bitrate for MP3) with an eighth and a second to spare, so
// that the buffer is sized once; a variable bitrate may still outgrow it. No
// more than 2^27 samples (256 MiB) are set aside on a header's word.
constexpr std::size_t kMaxExpectedSamples = std::size_t{1} << 27;

std::size_t ExpectedSamples(std::int32_t headerCount, std::uint32_t rate) {
    const auto count = static_cast<std::size_t>(std::max(headerCount, 0));
    return std::min(count + count / 8 + rate, kMaxExpectedSamples);
}

// The mix-down's row for interleaved PCM of this format.
unsigned MixDownSum(const FormatArea& format) {
    return static_cast<unsigned>(format.Channels()) + format.BitsPerSample();
}

// A length beyond what the file still holds could never be read whole;
// refusing it keeps a lying header from allocating gigabytes.
bool DataFitsFile(CStdioFile& file, std::uint64_t dataLength) {
    const std::uint64_t position = file.GetPosition();
    const std::uint64_t length = file.GetLength();
    return dataLength <= (length > position ? length - position : 0);
}

// The 16-bit PCM that a decoder turns the source into, at its channels and
// rate; nothing when no decoder takes it. The codec layer reads cbSize extra
// bytes behind the base, and the output size is divided by the channel count.
std::optional<FormatArea> DecodedFormat(const FormatArea& source) {
    if (source.CbSize() > FormatArea::kMaxExtraBytes || source.Channels() == 0) {
        return std::nullopt;
    }
    FormatArea destination;
    destination.SetFormatTag(wave_format_tag::kPcm);
    destination.SetChannels(source.Channels());
    destination.SetSamplesPerSec(source.SamplesPerSec());
    destination.SetBitsPerSample(16);
    destination.SetCbSize(0);
    if (!CodecStream::SuggestPcmFormat(source, destination)) {
        return std::nullopt;
    }
    return destination;
}

// The frames that maxSeconds holds at rate (at least one); all when it is 0.
std::int32_t FrameLimit(double maxSeconds, std::uint32_t rate) {
    constexpr double kAll = std::numeric_limits<std::int32_t>::max();
    const double frames = std::ceil(maxSeconds * rate);
    return maxSeconds > 0 && frames < kAll ? std::max(static_cast<std::int32_t>(frames), 1)
                                           : std::numeric_limits<std::int32_t>::max();
}

// Reads and mixes samples.size() samples' PCM a block at a time, telling the
// progress after each block; peak is the largest magnitude mixed.
LoadResult MixPcmBlocks(CStdioFile& file, unsigned sum, std::span<std::int16_t> samples,
                        ConversionProgress& progress, std::int32_t& peak) {
    const std::size_t bytesPerSample = MonoMixDown::BytesPerSample(sum);
    std::vector<std::uint8_t> block(
        std::min<std::size_t>(kPcmBlockBytes, samples.size() * bytesPerSample));
    const std::size_t blockSamples = kPcmBlockBytes / bytesPerSample;
    for (std::size_t done = 0; done < samples.size();) {
        const std::size_t n = std::min(blockSamples, samples.size() - done);
        const std::size_t bytes = n * bytesPerSample;
        // Short only when the file shrank since its length was taken.
        if (file.Read(block.data(), bytes) != bytes) {
            return LoadResult::kNoData;
        }
        peak = std::max(
            peak, MonoMixDown::Run(sum, std::span(block).first(bytes), samples.subspan(done, n)));
        done += n;
        if (!progress.Reach(done * bytesPerSample)) {
            return LoadResult::kNoCodec;
        }
    }
    return progress.Finish() ? LoadResult::kOk : LoadResult::kNoCodec;
}

// How a decode ended, causes in this order: a cancel, a file that shrank while
// it was read, a decoder that failed before the limit, a cancel at the end.
LoadResult DecodeOutcome(bool converted, const FileSource& source, const MonoCollector& mono,
                         ConversionProgress& progress) {
    if (progress.Cancelled()) {
        return LoadResult::kNoCodec;
    }
    if (source.Cut()) {
        return LoadResult::kNoData;
    }
    if (!converted && !mono.Full()) {
        return LoadResult::kConversionFailed;
    }
    return progress.Finish() ? LoadResult::kOk : LoadResult::kNoCodec;
}

}  // namespace

LoadResult CSoundFile::ConvertToMono(CStdioFile& file, const LoadOptions& options) {
    if (!DataFitsFile(file, m_dataLength)) {
        return LoadResult::kNoData;
    }
    const LoadResult result = m_format.FormatTag() == wave_format_tag::kPcm
                                  ? ConvertPcm(file, options)
                                  : ConvertCoded(file, file.GetPosition(), options);
    if (result == LoadResult::kOk) {
        SetMono16Format();
    }
    return result;
}

LoadResult CSoundFile::ConvertPcm(CStdioFile& file, const LoadOptions& options) {
    const unsigned sum = MixDownSum(m_format);
    const std::size_t bytesPerSample = MonoMixDown::BytesPerSample(sum);
    if (bytesPerSample == 0) {
        return LoadResult::kUnsupportedFormat;
    }
    // The header's count is an estimate; never read past the data.
    m_sampleCount = std::min(MonoMixDown::SampleCount(sum, m_dataLength, m_sampleCount),
                             FrameLimit(options.maxSeconds, m_format.SamplesPerSec()));
    AllocSamples(m_sampleCount);
    const std::span<std::int16_t> samples(m_samples.get(), static_cast<std::size_t>(m_sampleCount));
    ConversionProgress progress(options.progress, samples.size() * bytesPerSample);
    m_peakMagnitude = 0;
    const LoadResult result = MixPcmBlocks(file, sum, samples, progress, m_peakMagnitude);
    if (result != LoadResult::kOk) {
        // A part-read recording is never played; a cancelled long one would
        // hold its memory until the next load.
        m_samples.reset();
        m_samplesAllocated = 0;
    }
    return result;
}

LoadResult CSoundFile::ConvertCoded(CStdioFile& file, std::uint64_t position,
                                    const LoadOptions& options) {
    const std::optional<FormatArea> destination = DecodedFormat(m_format);
    const std::unique_ptr<CodecStream> stream =
        destination ? CodecStream::Open(m_format, *destination) : nullptr;
    if (stream == nullptr) {
        return LoadResult::kNoCodec;
    }
    // Each block is mixed down as it comes, so the recording is held once:
    // as the samples to be played. Until the whole file has decoded they
    // are not the record's, so that a failure keeps the previous ones.
    const std::uint32_t rate = destination->SamplesPerSec();
    const std::int32_t limit = FrameLimit(options.maxSeconds, rate);
    FileSource source(file, position, m_dataLength);
    ConversionProgress progress(options.progress, source.Size());
    WatchedSource watched(source, progress);
    MonoCollector mono(MixDownSum(*destination), limit, progress);
    mono.Samples().Reserve(
        std::min(ExpectedSamples(m_sampleCount, rate), static_cast<std::size_t>(limit)));
    const std::optional<std::uint32_t> written = stream->Convert(
        watched, [&](std::span<const std::uint8_t> block) { return mono.Take(block); });
    const LoadResult result = DecodeOutcome(written.has_value(), source, mono, progress);
    return result == LoadResult::kOk ? KeepDecoded(*destination, written, mono) : result;
}

LoadResult CSoundFile::KeepDecoded(const FormatArea& decoded, std::optional<std::uint32_t> written,
                                   MonoCollector& mono) {
    CopyFormat(decoded, m_format);
    // A bounded decode stops without a total: then the bytes mixed down count.
    m_dataLength =
        written.value_or(static_cast<std::uint32_t>(mono.Samples().Size()) * decoded.BlockAlign());
    if (!mono.CanMix()) {
        return LoadResult::kUnsupportedFormat;
    }
    // At most 2^30 samples: the codec layer refuses more than 2 GiB.
    m_sampleCount = static_cast<std::int32_t>(mono.Samples().Size());
    m_samples = mono.Samples().Release();
    m_samplesAllocated = m_sampleCount;
    m_peakMagnitude = mono.PeakMagnitude();
    return LoadResult::kOk;
}

void CSoundFile::SetMono16Format() {
    m_format.SetChannels(1);
    m_format.SetAvgBytesPerSec(m_format.SamplesPerSec() * 2u);
    m_format.SetBlockAlign(2);
    m_format.SetBitsPerSample(16);
}
