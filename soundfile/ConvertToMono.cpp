#include <algorithm>
#include <vector>

#include "MonoMixDown.h"
#include "SoundFile.h"
#include "codec/CodecStream.h"

namespace {

// PCM is read and mixed in blocks of this many bytes (a multiple of every
// row's bytes per sample), so a long recording is never held twice.
constexpr std::size_t kPcmBlockBytes = std::size_t{1} << 20;

}  // namespace

LoadResult CSoundFile::ConvertToMono(CStdioFile& file) {
    using namespace load_result;
    // A length beyond what the file still holds could never be read whole;
    // refusing it here keeps a lying header from allocating gigabytes.
    const std::uint64_t position = file.GetPosition();
    const std::uint64_t length = file.GetLength();
    if (m_dataLength > (length > position ? length - position : 0)) {
        return kNoData;
    }

    if (m_format.FormatTag() == wave_format_tag::kPcm) {
        const unsigned sum = static_cast<unsigned>(m_format.Channels()) + m_format.BitsPerSample();
        const std::size_t bytesPerSample = MonoMixDown::BytesPerSample(sum);
        if (bytesPerSample == 0) {
            return kUnsupportedFormat;
        }
        // The header's count is an estimate; never read past the data.
        m_sampleCount = MonoMixDown::SampleCount(sum, m_dataLength, m_sampleCount);
        AllocSamples(m_sampleCount);
        const std::span<std::int16_t> samples(m_samples.get(),
                                              static_cast<std::size_t>(m_sampleCount));
        std::vector<std::uint8_t> block(std::min<std::size_t>(
            kPcmBlockBytes, static_cast<std::size_t>(m_sampleCount) * bytesPerSample));
        const std::size_t blockSamples = kPcmBlockBytes / bytesPerSample;
        for (std::size_t done = 0; done < samples.size();) {
            const std::size_t n = std::min(blockSamples, samples.size() - done);
            const std::size_t bytes = n * bytesPerSample;
            // Short only when the file shrank since its length was taken.
            if (file.Read(block.data(), bytes) != bytes) {
                return kNoData;
            }
            MonoMixDown::Run(sum, std::span(block).first(bytes), samples.subspan(done, n));
            done += n;
        }
    } else {
        std::vector<std::uint8_t> source(m_dataLength);
        if (file.Read(source.data(), source.size()) != source.size()) {
            return kNoData;
        }
        // The codec layer reads cbSize extra bytes behind the base, and the
        // output size is divided by the channel count.
        if (m_format.CbSize() > FormatArea::kMaxExtraBytes || m_format.Channels() == 0) {
            return kNoCodec;
        }
        FormatArea destination;
        destination.SetFormatTag(wave_format_tag::kPcm);
        destination.SetChannels(m_format.Channels());
        destination.SetSamplesPerSec(m_format.SamplesPerSec());
        destination.SetBitsPerSample(16);
        destination.SetCbSize(0);
        if (!CodecStream::SuggestPcmFormat(m_format, destination)) {
            return kNoCodec;
        }
        const std::unique_ptr<CodecStream> stream = CodecStream::Open(m_format, destination);
        if (stream == nullptr) {
            return kNoCodec;
        }
        const std::optional<std::uint32_t> size = stream->Size(source);
        if (!size) {
            return kConversionFailed;
        }
        std::vector<std::uint8_t> pcm(*size);
        const std::optional<std::uint32_t> written = stream->Convert(source, pcm);
        if (!written || *written > pcm.size()) {
            return kConversionFailed;
        }
        source = {};
        // Only what the decoder wrote counts, so no sample is left undefined.
        pcm.resize(*written);
        CopyFormat(destination, m_format);
        m_dataLength = *written;

        const unsigned sum = static_cast<unsigned>(m_format.Channels()) + m_format.BitsPerSample();
        if (MonoMixDown::BytesPerSample(sum) == 0) {
            return kUnsupportedFormat;
        }
        const auto wanted = static_cast<std::int32_t>(
            std::min<std::uint32_t>(m_dataLength / m_format.Channels() / 2u, INT32_MAX));
        m_sampleCount = MonoMixDown::SampleCount(sum, pcm.size(), wanted);
        AllocSamples(m_sampleCount);
        MonoMixDown::Run(sum, pcm,
                         std::span(m_samples.get(), static_cast<std::size_t>(m_sampleCount)));
    }

    m_format.SetChannels(1);
    m_format.SetAvgBytesPerSec(m_format.SamplesPerSec() * 2u);
    m_format.SetBlockAlign(2);
    m_format.SetBitsPerSample(16);
    return kOk;
}
