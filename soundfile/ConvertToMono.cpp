#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "MonoMixDown.h"
#include "SoundFile.h"
#include "codec/CodecStream.h"

namespace {

// PCM is read and mixed in blocks of this many bytes (a multiple of every
// row's bytes per sample), so a long recording is never held twice.
constexpr std::size_t kPcmBlockBytes = std::size_t{1} << 20;

// Coded data is read straight from the file, a packet at a time, as the codec
// layer asks for it: a long recording's bytes are never held whole.
class FileSource : public ByteSource {
  public:
    // The file must stand at start.
    FileSource(CStdioFile& file, std::uint64_t start, std::uint64_t size)
        : m_file(file), m_start(start), m_size(size) {}

    std::uint64_t Size() const override { return m_size; }

    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset >= m_size || m_cut) {
            return 0;
        }
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), m_size - offset));
        // Reads mostly follow each other; a seek would drop the file's buffer.
        if (offset != m_next && m_file.Seek(m_start + offset) != m_start + offset) {
            m_cut = true;
            return 0;
        }
        const std::size_t got = m_file.Read(buffer.data(), count);
        m_next = offset + got;
        m_cut = got < count;
        return got;
    }

    // True when the file held less than its length promised: it shrank since
    // the length was taken.
    bool Cut() const { return m_cut; }

  private:
    CStdioFile& m_file;
    std::uint64_t m_start;
    std::uint64_t m_size;
    std::uint64_t m_next = 0;  // the offset the file stands at
    bool m_cut = false;
};

// Mono samples appended as the decoder makes them. std::realloc() moves a
// buffer this large by remapping its pages, so growing and the final trim
// neither copy the samples nor hold them twice.
class GrowingSamples {
  public:
    // Room for count more samples at the end. Throws std::bad_alloc when the
    // memory is not there.
    std::span<std::int16_t> Extend(std::size_t count) {
        if (count > m_capacity - m_size) {
            Reallocate(std::max({m_size + count, 2 * m_capacity, kFirstCapacity}));
        }
        const std::span<std::int16_t> room(m_samples.get() + m_size, count);
        m_size += count;
        return room;
    }

    std::size_t Size() const { return m_size; }

    // The samples in a buffer of exactly their size.
    std::unique_ptr<std::int16_t[], SampleBufferFree> Release() {
        Reallocate(m_size);
        m_capacity = 0;
        m_size = 0;
        return std::move(m_samples);
    }

  private:
    // A second of stereo at 44.1 kHz: short recordings grow a few times only.
    static constexpr std::size_t kFirstCapacity = std::size_t{1} << 17;

    void Reallocate(std::size_t capacity) {
        // Room for one at least, as std::realloc(p, 0) may free p.
        void* grown = std::realloc(m_samples.get(),
                                   std::max<std::size_t>(capacity, 1) * sizeof(std::int16_t));
        if (grown == nullptr) {
            throw std::bad_alloc();
        }
        static_cast<void>(m_samples.release());
        m_samples.reset(static_cast<std::int16_t*>(grown));
        m_capacity = capacity;
    }

    std::unique_ptr<std::int16_t[], SampleBufferFree> m_samples;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

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

        // Each block is mixed down as it comes, so the recording is held once:
        // as the samples to be played. Until the whole file has decoded they
        // are not the record's, so that a failure keeps the previous ones.
        const unsigned sum = static_cast<unsigned>(destination.Channels()) + 16u;
        const std::size_t bytesPerSample = MonoMixDown::BytesPerSample(sum);
        FileSource source(file, position, m_dataLength);
        GrowingSamples mono;
        const std::optional<std::uint32_t> written =
            stream->Convert(source, [&](std::span<const std::uint8_t> block) {
                // More channels than the mix-down takes are still decoded to
                // the end: a damaged file says so before an unsupported one.
                if (bytesPerSample != 0) {
                    const std::size_t count = block.size() / bytesPerSample;
                    MonoMixDown::Run(sum, block, mono.Extend(count));
                }
                return true;
            });
        if (source.Cut()) {
            return kNoData;
        }
        if (!written) {
            return kConversionFailed;
        }
        CopyFormat(destination, m_format);
        m_dataLength = *written;
        if (bytesPerSample == 0) {
            return kUnsupportedFormat;
        }
        // At most 2^30 samples: the codec layer refuses more than 2 GiB.
        m_sampleCount = static_cast<std::int32_t>(mono.Size());
        m_samples = mono.Release();
        m_samplesAllocated = m_sampleCount;
    }

    m_format.SetChannels(1);
    m_format.SetAvgBytesPerSec(m_format.SamplesPerSec() * 2u);
    m_format.SetBlockAlign(2);
    m_format.SetBitsPerSample(16);
    return kOk;
}
