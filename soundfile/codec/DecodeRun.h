// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FfmpegHandles.h"
#include "S16Sink.h"

// Runs packets through one open decoder into the sink. Damaged packets are
// dropped, as FFmpeg's own tools drop them; only a sink failure ends the run.
class DecodeRun {
  public:
    DecodeRun(AVCodecContext& decoder, S16Sink& sink);

    // False when the frame for decoded output could not be allocated.
    bool Ready() const { return m_frame != nullptr; }
    // packet == nullptr drains the decoder at the end of the data. False only
    // when the sink refused output.
    bool Feed(const AVPacket* packet);

  private:
    bool Receive();

    AVCodecContext& m_decoder;
    S16Sink& m_sink;
    FramePtr m_frame;
};
