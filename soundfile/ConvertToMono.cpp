#include <vector>

#include "MonoMixDown.h"
#include "SoundFile.h"
#include "codec/CodecStream.h"

namespace {

constexpr std::uint16_t kWaveFormatPcm = 1;

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
    std::vector<std::uint8_t> pcm(m_dataLength);
    if (file.Read(pcm.data(), pcm.size()) != pcm.size()) {
        return kNoData;
    }

    std::int32_t wanted = m_sampleCount;
    if (m_format.FormatTag() != kWaveFormatPcm) {
        // The codec layer reads cbSize extra bytes behind the base, and the
        // output size is divided by the channel count.
        if (m_format.CbSize() > FormatArea::kMaxExtraBytes || m_format.Channels() == 0) {
            return kNoCodec;
        }
        FormatArea destination;
        destination.SetFormatTag(kWaveFormatPcm);
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
        const std::optional<std::uint32_t> size = stream->Size(pcm);
        if (!size) {
            return kConversionFailed;
        }
        std::vector<std::uint8_t> converted(*size);
        const std::optional<std::uint32_t> written = stream->Convert(pcm, converted);
        if (!written || *written > converted.size()) {
            return kConversionFailed;
        }
        // Only what the decoder wrote counts, so no sample is left undefined.
        converted.resize(*written);
        pcm = std::move(converted);
        pcm.shrink_to_fit();
        CopyFormat(destination, m_format);
        m_dataLength = *written;
        wanted = static_cast<std::int32_t>(m_dataLength / destination.Channels() / 2u);
    }

    const unsigned sum = static_cast<unsigned>(m_format.Channels()) + m_format.BitsPerSample();
    if (MonoMixDown::BytesPerSample(sum) == 0) {
        return kUnsupportedFormat;
    }
    // The header's count is an estimate; never read past the data.
    m_sampleCount = MonoMixDown::SampleCount(sum, pcm.size(), wanted);
    AllocSamples(m_sampleCount);
    MonoMixDown::Run(sum, pcm, std::span(m_samples.get(), static_cast<std::size_t>(m_sampleCount)));

    m_format.SetChannels(1);
    m_format.SetAvgBytesPerSec(m_format.SamplesPerSec() * 2u);
    m_format.SetBlockAlign(2);
    m_format.SetBitsPerSample(16);
    return kOk;
}
