// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL device under SDL's disk driver, which writes what the device plays to
// a file: every rate a recording brings, and a close while a notification is
// busy. Run in a process of its own: the driver is chosen once, at the first SDL
// initialisation.
#include "waveout/SdlWaveOut.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "TestHost.h"
#include "ToneEngine.h"

namespace {

using namespace std::chrono_literals;

// A file of the test's own for the disk driver to write, removed afterwards.
class DiskOutput {
  public:
    explicit DiskOutput(const char* name)
        : m_dir(std::filesystem::temp_directory_path() /
                ("veltane-sdl-" + std::to_string(::getpid()))),
          m_file(m_dir / name) {
        std::filesystem::create_directories(m_dir);
        ::setenv("SDL_DISKAUDIOFILE", m_file.c_str(), 1);
    }
    ~DiskOutput() { std::filesystem::remove_all(m_dir); }
    const std::filesystem::path& Path() const { return m_file; }

  private:
    std::filesystem::path m_dir;
    std::filesystem::path m_file;
};

// Passes everything to the SDL device and keeps a copy of each buffer written,
// so the test knows what the engine filled, in order.
class RecordingWaveOut final : public WaveOut {
  public:
    explicit RecordingWaveOut(WaveOut& inner) : m_inner(inner) {}
    MmResult Query(const WaveFormatEx& f) override { return m_inner.Query(f); }
    MmResult Open(const WaveFormatEx& f, WaveOutCallback cb, void* instance) override {
        return m_inner.Open(f, cb, instance);
    }
    MmResult PrepareHeader(WaveHeader& h) override { return m_inner.PrepareHeader(h); }
    MmResult UnprepareHeader(WaveHeader& h) override { return m_inner.UnprepareHeader(h); }
    MmResult Write(WaveHeader& h) override {
        {
            std::lock_guard lock(m_mutex);
            m_frames.emplace_back(h.lpData, h.lpData + h.dwBufferLength);
        }
        return m_inner.Write(h);
    }
    MmResult Reset() override { return m_inner.Reset(); }
    MmResult Close() override { return m_inner.Close(); }
    std::vector<std::vector<char>> Buffers() {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

  private:
    WaveOut& m_inner;
    std::mutex m_mutex;
    std::vector<std::vector<char>> m_frames;
};

std::vector<std::uint32_t> Frames(const std::vector<char>& bytes) {
    std::vector<std::uint32_t> frames(bytes.size() / 4);
    std::memcpy(frames.data(), bytes.data(), frames.size() * 4);
    return frames;
}

// At every rate a recording may bring, each audio callback is served from the
// buffers the engine has queued: none runs short while the other buffer is
// being refilled, and nothing but the fills reaches the output. The driver's
// clock runs in real time, so a refill has what a real device gives it.
class SdlWaveOutAtRate : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(SdlWaveOutAtRate, PlaysExactlyTheBuffersTheEngineFilledInOrder) {
    const std::uint32_t rate = GetParam();
    const DiskOutput output("tone.raw");
    auto sdl = std::make_unique<SdlWaveOut>();
    RecordingWaveOut device(*sdl);
    TestHost host;
    ToneEngine engine(device, host);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    engine.SetSampleRate(rate);
    ASSERT_TRUE(engine.OpenOutput());
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (host.Refills() < 20 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    engine.CloseOutput();
    const int played = host.Refills();  // each refill followed a buffer played to its end
    ASSERT_GE(played, 20);
    const std::uint64_t underruns = sdl->UnderrunCount();
    sdl.reset();  // SDL has closed the device and the driver its file

    std::ifstream in(output.Path(), std::ios::binary);
    const std::vector<std::uint32_t> heard =
        Frames(std::vector<char>(std::istreambuf_iterator<char>(in), {}));
    std::vector<std::uint32_t> filled;
    for (const auto& buffer : device.Buffers()) {
        const auto frames = Frames(buffer);
        filled.insert(filled.end(), frames.begin(), frames.end());
    }

    // What was heard is what was filled, in order, with silence only before the
    // first buffer and after the reset.
    std::size_t matched = 0;
    std::size_t silentInside = 0;
    std::size_t silentRun = 0;
    for (const std::uint32_t frame : heard) {
        if (matched < filled.size() && frame == filled[matched]) {
            ++matched;
            silentInside += matched > 1 ? silentRun : 0;
            silentRun = 0;
        } else {
            ASSERT_EQ(frame, 0u) << "frame " << matched << " of the fills is missing or altered";
            ++silentRun;
        }
    }
    EXPECT_GE(matched, static_cast<std::size_t>(played) *
                           static_cast<std::size_t>(engine.BufferLength() / 2));
    EXPECT_EQ(underruns, 0u);
    EXPECT_EQ(silentInside, 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, SdlWaveOutAtRate,
                         ::testing::Values(8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u,
                                           88200u, 96000u));

TEST(SdlWaveOut, CloseWaitsForABusyNotificationAndReturnsEverythingInOrder) {
    ::setenv("SDL_DISKAUDIODELAY", "1", 1);
    ::setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    SdlWaveOut sdl;
    struct Log {
        std::mutex mutex;
        std::vector<WaveHeader*> done;
        std::atomic<bool> entered{false};
    } log;
    const WaveOutCallback slow = [](WaveOut*, std::uint32_t message, void* instance,
                                    std::uintptr_t header, std::uintptr_t) {
        auto& l = *static_cast<Log*>(instance);
        if (message != WOM_DONE) {
            return;
        }
        l.entered.store(true);
        std::this_thread::sleep_for(200ms);
        std::lock_guard lock(l.mutex);
        l.done.push_back(reinterpret_cast<WaveHeader*>(header));
    };
    WaveFormatEx format{1, 2, 44100, 44100 * 4, 4, 16, 0};
    ASSERT_EQ(sdl.Query(format), MMSYSERR_NOERROR);
    ASSERT_EQ(sdl.Open(format, slow, &log), MMSYSERR_NOERROR);

    std::vector<std::int16_t> data(4 * 512, 100);
    WaveHeader headers[4];
    for (int i = 0; i < 4; ++i) {
        headers[i].lpData = reinterpret_cast<char*>(data.data() + i * 512);
        headers[i].dwBufferLength = 1024;
        ASSERT_EQ(sdl.Write(headers[i]), WAVERR_UNPREPARED);
        ASSERT_EQ(sdl.PrepareHeader(headers[i]), MMSYSERR_NOERROR);
        ASSERT_EQ(sdl.Write(headers[i]), MMSYSERR_NOERROR);
    }
    while (!log.entered.load()) {
        std::this_thread::sleep_for(1ms);
    }
    auto closing = std::async(std::launch::async, [&] { return sdl.Close(); });
    ASSERT_EQ(closing.wait_for(5s), std::future_status::ready) << "Close hangs";
    EXPECT_EQ(closing.get(), MMSYSERR_NOERROR);

    std::lock_guard lock(log.mutex);
    ASSERT_EQ(log.done.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(log.done[static_cast<std::size_t>(i)], &headers[i]);
        EXPECT_EQ(headers[i].dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    }
    EXPECT_EQ(sdl.Write(headers[0]), MMSYSERR_INVALHANDLE);
}

TEST(SdlWaveOut, QueryRefusesWhatItCannotPlay) {
    const DiskOutput output("query.raw");
    SdlWaveOut sdl;
    const struct {
        WaveFormatEx format;
        MmResult expected;
    } cases[] = {
        {{1, 2, 44100, 44100 * 4, 4, 16, 0}, MMSYSERR_NOERROR},  // the stream's format
        {{1, 2, 8000, 8000 * 4, 4, 16, 0}, MMSYSERR_NOERROR},    // any rate: SDL resamples
        {{85, 2, 44100, 16000, 1, 0, 12}, WAVERR_BADFORMAT},     // MPEG Layer-3
        {{1, 2, 44100, 44100 * 2, 2, 8, 0}, WAVERR_BADFORMAT},   // 8-bit
        {{1, 2, 0, 0, 4, 16, 0}, WAVERR_BADFORMAT},              // no rate
        {{1, 2, 3999, 3999 * 4, 4, 16, 0}, WAVERR_BADFORMAT},    // below the tone's range
        {{1, 2, 4294967295u, 0, 4, 16, 0}, WAVERR_BADFORMAT},    // no server plays it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sdl.Query(c.format), c.expected)
            << c.format.wFormatTag << " " << c.format.nSamplesPerSec;
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
