// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <optional>
#include <vector>

#include "GrowingSamples.h"
#include "MonoMixDown.h"
#include "SoundFile.h"
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

}  // namespace

LoadResult CSoundFile::ConvertToMono(CStdioFile& file) {
    if (!DataFitsFile(file, m_dataLength)) {
        return LoadResult::kNoData;
    }
    const LoadResult result = m_format.FormatTag() == wave_format_tag::kPcm
                                  ? ConvertPcm(file)
                                  : ConvertCoded(file, file.GetPosition());
    if (result == LoadResult::kOk) {
        SetMono16Format();
    }
    return result;
}

LoadResult CSoundFile::ConvertPcm(CStdioFile& file) {
    const unsigned sum = MixDownSum(m_format);
    const std::size_t bytesPerSample = MonoMixDown::BytesPerSample(sum);
    if (bytesPerSample == 0) {
        return LoadResult::kUnsupportedFormat;
    }
    // The header's count is an estimate; never read past the data.
    m_sampleCount = MonoMixDown::SampleCount(sum, m_dataLength, m_sampleCount);
    AllocSamples(m_sampleCount);
    const std::span<std::int16_t> samples(m_samples.get(), static_cast<std::size_t>(m_sampleCount));
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
        MonoMixDown::Run(sum, std::span(block).first(bytes), samples.subspan(done, n));
        done += n;
    }
    return LoadResult::kOk;
}

LoadResult CSoundFile::ConvertCoded(CStdioFile& file, std::uint64_t position) {
    const std::optional<FormatArea> destination = DecodedFormat(m_format);
    if (!destination) {
        return LoadResult::kNoCodec;
    }
    const std::unique_ptr<CodecStream> stream = CodecStream::Open(m_format, *destination);
    if (stream == nullptr) {
        return LoadResult::kNoCodec;
    }

    // Each block is mixed down as it comes, so the recording is held once:
    // as the samples to be played. Until the whole file has decoded they
    // are not the record's, so that a failure keeps the previous ones.
    const unsigned sum = MixDownSum(*destination);
    const std::size_t bytesPerSample = MonoMixDown::BytesPerSample(sum);
    FileSource source(file, position, m_dataLength);
    GrowingSamples mono;
    mono.Reserve(ExpectedSamples(m_sampleCount, destination->SamplesPerSec()));
    const std::optional<std::uint32_t> written =
        stream->Convert(source, [&](std::span<const std::uint8_t> block) {
            // More channels than the mix-down takes are still decoded to
            // the end: a damaged file says so before an unsupported one.
            if (bytesPerSample != 0) {
                MonoMixDown::Run(sum, block, mono.Extend(block.size() / bytesPerSample));
            }
            return true;
        });
    if (source.Cut()) {
        return LoadResult::kNoData;
    }
    if (!written) {
        return LoadResult::kConversionFailed;
    }
    CopyFormat(*destination, m_format);
    m_dataLength = *written;
    if (bytesPerSample == 0) {
        return LoadResult::kUnsupportedFormat;
    }
    // At most 2^30 samples: the codec layer refuses more than 2 GiB.
    m_sampleCount = static_cast<std::int32_t>(mono.Size());
    m_samples = mono.Release();
    m_samplesAllocated = m_sampleCount;
    return LoadResult::kOk;
}

void CSoundFile::SetMono16Format() {
    m_format.SetChannels(1);
    m_format.SetAvgBytesPerSec(m_format.SamplesPerSec() * 2u);
    m_format.SetBlockAlign(2);
    m_format.SetBitsPerSample(16);
}
