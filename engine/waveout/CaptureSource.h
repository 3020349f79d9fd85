// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The default input device as the record control uses it: mono 16-bit samples
// at Rate(), collected by the device's own thread and taken by the window
// thread. Every method is called from the window thread.
class CaptureSource {
  public:
    virtual ~CaptureSource() = default;

    // Opens the default input and starts listening. Returns "" on success,
    // otherwise the message for the user (no device, no usable rate, ...), with
    // nothing left open.
    virtual std::string Start() = 0;
    // Moves the oldest samples heard into out; returns how many. Never waits.
    virtual std::size_t Read(std::span<std::int16_t> out) = 0;
    // "" while the device works; the message for the user once it is lost.
    virtual std::string Fault() = 0;
    // Stops listening and closes the device; what was not read is dropped.
    virtual void Stop() = 0;

    // A descriptor that turns readable when new samples wait, for the window to
    // wake on as they come rather than poll; Read clears it. -1: none.
    virtual int ReadyDescriptor() const { return -1; }

    // Samples per second of the open device.
    virtual std::uint32_t Rate() const = 0;
    // Times the device had samples that did not fit the queue since Start.
    virtual std::uint64_t OverrunCount() const = 0;
};
